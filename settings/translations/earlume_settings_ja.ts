<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Earlume の設定</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Close Window</source>
        <translation>ウィンドウを閉じる(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>終了(&amp;Q)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About Earlume</source>
        <translation>Earlume について(&amp;A)</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>%1 について</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>バージョン %1</translation>
    </message>
    <message>
        <source>Shows the battery levels of your AirPods in the system tray.</source>
        <translation>AirPods のバッテリー残量をシステムトレイに表示します。</translation>
    </message>
</context>
<context>
    <name>ViewController</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Earlume の設定</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>オプション</translation>
    </message>
    <message>
        <source>Tray icon:</source>
        <translation>トレイアイコン:</translation>
    </message>
    <message>
        <source>Hide the tray icon while no AirPods are connected</source>
        <translation>AirPods が接続されていない間はトレイアイコンを隠す</translation>
    </message>
    <message>
        <source>Connections:</source>
        <translation>接続:</translation>
    </message>
    <message>
        <source>Show a heads-up window when AirPods connect or disconnect</source>
        <translation>AirPods の接続・切断時に通知ウィンドウを表示する</translation>
    </message>
    <message>
        <source>Panel:</source>
        <translation>パネル:</translation>
    </message>
    <message>
        <source>Show the settings button in the panel</source>
        <translation>パネルに設定ボタンを表示する</translation>
    </message>
    <message>
        <source>Show the connect button in the panel</source>
        <translation>パネルに接続ボタンを表示する</translation>
    </message>
    <message>
        <source>Battery:</source>
        <translation>バッテリー:</translation>
    </message>
    <message>
        <source>Warn when AirPods battery is low</source>
        <translation>AirPods のバッテリー残量が少ないときに警告する</translation>
    </message>
    <message>
        <source>Warn at or below</source>
        <translation>警告するしきい値</translation>
    </message>
    <message>
        <source>at </source>
        <translation>残量 </translation>
    </message>
    <message>
        <source> %</source>
        <translation> % 以下</translation>
    </message>
    <message>
        <source>Startup:</source>
        <translation>起動:</translation>
    </message>
    <message>
        <source>Start Earlume at login</source>
        <translation>ログイン時に Earlume を起動する</translation>
    </message>
    <message>
        <source>Media:</source>
        <translation>メディア:</translation>
    </message>
    <message>
        <source>Pause media when AirPods are taken out</source>
        <translation>AirPods を外したらメディアを一時停止する</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状態</translation>
    </message>
    <message>
        <source>Checking whether Earlume is running…</source>
        <translation>Earlume が実行中か確認しています…</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Could not save the settings: %1</source>
        <translation>設定を保存できませんでした: %1</translation>
    </message>
    <message>
        <source>Earlume is running, but this desktop shows no tray icons.</source>
        <translation>Earlume は実行中ですが、このデスクトップはトレイアイコンを表示しません。</translation>
    </message>
    <message>
        <source>Earlume is running.</source>
        <translation>Earlume は実行中です。</translation>
    </message>
    <message>
        <source>Earlume isn&apos;t running.</source>
        <translation>Earlume は実行されていません。</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>実行中</translation>
    </message>
    <message>
        <source>Not running</source>
        <translation>停止中</translation>
    </message>
    <message>
        <source>Nearby:</source>
        <translation>近く:</translation>
    </message>
    <message>
        <source>Connect AirPods when their case opens nearby</source>
        <translation>近くでケースが開いたら AirPods に接続</translation>
    </message>
</context>
</TS>
