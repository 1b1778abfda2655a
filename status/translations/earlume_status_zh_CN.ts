<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>StatusReport</name>
    <message>
        <source>Earlume is not running</source>
        <translation>Earlume 未运行</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>没有已连接的 AirPods</translation>
    </message>
    <message>
        <source> (charging)</source>
        <translation>（充电中）</translation>
    </message>
    <message>
        <source>Battery %1 %</source>
        <translation>电池 %1 %</translation>
    </message>
    <message>
        <source>Left %1 %</source>
        <translation>左耳 %1 %</translation>
    </message>
    <message>
        <source>Right %1 %</source>
        <translation>右耳 %1 %</translation>
    </message>
    <message>
        <source>Case %1 %</source>
        <translation>充电盒 %1 %</translation>
    </message>
    <message>
        <source>No battery reading</source>
        <translation>无电量读数</translation>
    </message>
    <message>
        <source>, </source>
        <extracomment>Between the levels of the parts: &quot;Left 87 %, Right 91 %&quot;</extracomment>
        <translation>，</translation>
    </message>
    <message>
        <source>connected</source>
        <translation>已连接</translation>
    </message>
    <message>
        <source>nearby</source>
        <translation>在附近</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>未连接</translation>
    </message>
    <message>
        <source>%1: %2, %3</source>
        <translation>%1：%2，%3</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>No Airpods</source>
        <translation>没有 AirPods</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Prints the AirPods&apos; battery levels as Earlume knows them. Without --waybar or --format, one JSON object.</source>
        <translation>输出 Earlume 所知的 AirPods 电量。未指定 --waybar 或 --format 时，输出一个 JSON 对象。</translation>
    </message>
    <message>
        <source>Print once and exit, instead of a line per change.</source>
        <translation>输出一次后退出，而不是每次变化输出一行。</translation>
    </message>
    <message>
        <source>Print waybar custom-module objects.</source>
        <translation>输出 waybar 自定义模块对象。</translation>
    </message>
    <message>
        <source>Print lines of &lt;format&gt;, with {name} {left} {right} {case} {lowest} {class}.</source>
        <translation>按 &lt;format&gt; 输出行，可用 {name} {left} {right} {case} {lowest} {class}。</translation>
    </message>
    <message>
        <source>Print every paired AirPods, one line each: connected, seen nearby (with its levels) or not connected; then exit.</source>
        <translation>每行打印一副已配对的 AirPods：已连接、在附近（附电量）或未连接；然后退出。</translation>
    </message>
    <message>
        <source>Speak of the AirPods with this Bluetooth address only, instead of the pair the panel shows first.</source>
        <translation>只报告具有此蓝牙地址的 AirPods，而不是面板首先显示的那一副。</translation>
    </message>
    <message>
        <source>Not a Bluetooth address: &quot;%1&quot; (expected one like AA:BB:CC:DD:EE:FF)</source>
        <translation>不是蓝牙地址：“%1”（应类似 AA:BB:CC:DD:EE:FF）</translation>
    </message>
</context>
</TS>
