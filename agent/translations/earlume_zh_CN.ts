<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AirpodsPanelModel</name>
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
        <source>No Airpods</source>
        <translation>没有 AirPods</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>已断开</translation>
    </message>
    <message>
        <source>%1 charging</source>
        <translation>%1（正在充电）</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
</context>
<context>
    <name>AirpodsViewController</name>
    <message>
        <source>No Airpods</source>
        <translation>没有 AirPods</translation>
    </message>
    <message>
        <source>Connect or disconnect</source>
        <translation>连接或断开</translation>
    </message>
    <message>
        <source>Earlume settings</source>
        <translation>Earlume 设置</translation>
    </message>
    <message>
        <source>AirPods</source>
        <translation>AirPods</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>左耳</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>右耳</translation>
    </message>
    <message>
        <source>Case</source>
        <translation>充电盒</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Noise control off</source>
        <translation>关闭噪声控制</translation>
    </message>
    <message>
        <source>Cancelling</source>
        <translation>降噪</translation>
    </message>
    <message>
        <source>Noise cancellation</source>
        <translation>主动降噪</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>通透</translation>
    </message>
    <message>
        <source>Transparency</source>
        <translation>通透模式</translation>
    </message>
    <message>
        <source>Adaptive</source>
        <translation>自适应</translation>
    </message>
    <message>
        <source>Noise control</source>
        <translation>噪声控制</translation>
    </message>
    <message>
        <source>The AirPods did not answer. Try again</source>
        <translation>AirPods 未响应。请重试</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>断开连接</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>AirPods %1 percent</source>
        <translation>AirPods 百分之%1</translation>
    </message>
    <message>
        <source>Left AirPod %1 percent</source>
        <translation>左耳 AirPod 百分之%1</translation>
    </message>
    <message>
        <source>Right AirPod %1 percent</source>
        <translation>右耳 AirPod 百分之%1</translation>
    </message>
    <message>
        <source>Case %1 percent</source>
        <translation>充电盒 百分之%1</translation>
    </message>
    <message>
        <source>, charging</source>
        <translation>，正在充电</translation>
    </message>
    <message>
        <source>Heard nearby and matched only by model and signal strength: these levels may be another pair&apos;s</source>
        <translation>在附近接收，仅按型号和信号强度匹配：这些电量可能属于另一副耳机</translation>
    </message>
    <message>
        <source>, estimated</source>
        <translation>，估计值</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Settings…</source>
        <translation>设置…</translation>
    </message>
    <message>
        <source>Quit Earlume</source>
        <translation>退出 Earlume</translation>
    </message>
    <message>
        <source>AirPods connected</source>
        <translation>AirPods 已连接</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>未连接 AirPods</translation>
    </message>
</context>
<context>
    <name>LowBatteryNotifier</name>
    <message>
        <source>Left AirPod at %1 %</source>
        <translation>左耳 AirPod 电量 %1 %</translation>
    </message>
    <message>
        <source>Right AirPod at %1 %</source>
        <translation>右耳 AirPod 电量 %1 %</translation>
    </message>
    <message>
        <source>AirPods case at %1 %</source>
        <translation>AirPods 充电盒电量 %1 %</translation>
    </message>
    <message>
        <source>AirPods at %1 %</source>
        <translation>AirPods 电量 %1 %</translation>
    </message>
</context>
<context>
    <name>NewVersionAlert</name>
    <message>
        <source>Version %1 of Earlume is available, and you have %2. Do you want to download it?</source>
        <translation>Earlume %1 已发布，您当前的版本是 %2。要下载吗？</translation>
    </message>
    <message>
        <source>Earlume update</source>
        <translation>Earlume 更新</translation>
    </message>
    <message>
        <source>A new version is available</source>
        <translation>有新版本可用</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>No</source>
        <translation>否</translation>
    </message>
</context>
<context>
    <name>NoTrayNotice</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Earlume 设置</translation>
    </message>
    <message>
        <source>Earlume is running, but its icon cannot be shown</source>
        <translation>Earlume 正在运行，但无法显示其图标</translation>
    </message>
    <message>
        <source>This desktop shows no tray icons. On GNOME, install and turn on the AppIndicator extension (gnome-shell-extension-appindicator).</source>
        <translation>此桌面不显示托盘图标。在 GNOME 上，请安装并启用 AppIndicator 扩展（gnome-shell-extension-appindicator）。</translation>
    </message>
</context>
<context>
    <name>StatusNotifierItem</name>
    <message>
        <source>Show AirPods</source>
        <translation>显示 AirPods</translation>
    </message>
</context>
</TS>
