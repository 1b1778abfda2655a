<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>StatusReport</name>
    <message>
        <source>Earlume is not running</source>
        <translation>Earlume は実行されていません</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>AirPods が接続されていません</translation>
    </message>
    <message>
        <source> (charging)</source>
        <translation> (充電中)</translation>
    </message>
    <message>
        <source>Battery %1 %</source>
        <translation>バッテリー %1 %</translation>
    </message>
    <message>
        <source>Left %1 %</source>
        <translation>左 %1 %</translation>
    </message>
    <message>
        <source>Right %1 %</source>
        <translation>右 %1 %</translation>
    </message>
    <message>
        <source>Case %1 %</source>
        <translation>ケース %1 %</translation>
    </message>
    <message>
        <source>No battery reading</source>
        <translation>バッテリー残量不明</translation>
    </message>
    <message>
        <source>, </source>
        <extracomment>Between the levels of the parts: &quot;Left 87 %, Right 91 %&quot;</extracomment>
        <translation>、</translation>
    </message>
    <message>
        <source>connected</source>
        <translation>接続済み</translation>
    </message>
    <message>
        <source>nearby</source>
        <translation>近くにあります</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>未接続</translation>
    </message>
    <message>
        <source>%1: %2, %3</source>
        <translation>%1: %2、%3</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>No Airpods</source>
        <translation>AirPods なし</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Prints the AirPods&apos; battery levels as Earlume knows them. Without --waybar or --format, one JSON object.</source>
        <translation>Earlume が把握している AirPods のバッテリー残量を出力します。--waybar も --format もなければ JSON オブジェクトを 1 つ出力します。</translation>
    </message>
    <message>
        <source>Print once and exit, instead of a line per change.</source>
        <translation>変更のたびに 1 行出力する代わりに、1 回出力して終了します。</translation>
    </message>
    <message>
        <source>Print waybar custom-module objects.</source>
        <translation>waybar のカスタムモジュール用オブジェクトを出力します。</translation>
    </message>
    <message>
        <source>Print lines of &lt;format&gt;, with {name} {left} {right} {case} {lowest} {class}.</source>
        <translation>&lt;format&gt; の形式で行を出力します ({name} {left} {right} {case} {lowest} {class} を使用可能)。</translation>
    </message>
    <message>
        <source>Print every paired AirPods, one line each: connected, seen nearby (with its levels) or not connected; then exit.</source>
        <translation>ペアリング済みの AirPods を 1 行ずつ表示します（接続済み、近くで検出（残量付き）、未接続）。その後終了します。</translation>
    </message>
    <message>
        <source>Speak of the AirPods with this Bluetooth address only, instead of the pair the panel shows first.</source>
        <translation>パネルが最初に表示するペアではなく、この Bluetooth アドレスの AirPods だけを対象にします。</translation>
    </message>
    <message>
        <source>Not a Bluetooth address: &quot;%1&quot; (expected one like AA:BB:CC:DD:EE:FF)</source>
        <translation>Bluetooth アドレスではありません: “%1”（AA:BB:CC:DD:EE:FF の形式で指定してください）</translation>
    </message>
</context>
</TS>
