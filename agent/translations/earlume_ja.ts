<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>AirpodsPanelModel</name>
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
        <source>No Airpods</source>
        <translation>AirPods なし</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>未接続</translation>
    </message>
    <message>
        <source>%1 charging</source>
        <translation>%1（充電中）</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>AirpodsViewController</name>
    <message>
        <source>No Airpods</source>
        <translation>AirPods なし</translation>
    </message>
    <message>
        <source>Connect or disconnect</source>
        <translation>接続または接続解除</translation>
    </message>
    <message>
        <source>Earlume settings</source>
        <translation>Earlume の設定</translation>
    </message>
    <message>
        <source>AirPods</source>
        <translation>AirPods</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>左</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>右</translation>
    </message>
    <message>
        <source>Case</source>
        <translation>ケース</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>オフ</translation>
    </message>
    <message>
        <source>Noise control off</source>
        <translation>ノイズコントロール オフ</translation>
    </message>
    <message>
        <source>Cancelling</source>
        <translation>ノイズキャンセリング</translation>
    </message>
    <message>
        <source>Noise cancellation</source>
        <translation>ノイズキャンセリング</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>外部音取り込み</translation>
    </message>
    <message>
        <source>Transparency</source>
        <translation>外部音取り込みモード</translation>
    </message>
    <message>
        <source>Adaptive</source>
        <translation>適応型</translation>
    </message>
    <message>
        <source>Noise control</source>
        <translation>ノイズコントロール</translation>
    </message>
    <message>
        <source>The AirPods did not answer. Try again</source>
        <translation>AirPods から応答がありません。もう一度お試しください</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>接続解除</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>接続</translation>
    </message>
    <message>
        <source>AirPods %1 percent</source>
        <translation>AirPods %1 パーセント</translation>
    </message>
    <message>
        <source>Left AirPod %1 percent</source>
        <translation>左の AirPod %1 パーセント</translation>
    </message>
    <message>
        <source>Right AirPod %1 percent</source>
        <translation>右の AirPod %1 パーセント</translation>
    </message>
    <message>
        <source>Case %1 percent</source>
        <translation>ケース %1 パーセント</translation>
    </message>
    <message>
        <source>, charging</source>
        <translation>、充電中</translation>
    </message>
    <message>
        <source>Heard nearby and matched only by model and signal strength: these levels may be another pair&apos;s</source>
        <translation>近くで検出し、モデルと信号強度だけで照合したため、別の AirPods の残量かもしれません</translation>
    </message>
    <message>
        <source>, estimated</source>
        <translation>、推定</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Settings…</source>
        <translation>設定…</translation>
    </message>
    <message>
        <source>Quit Earlume</source>
        <translation>Earlume を終了</translation>
    </message>
    <message>
        <source>AirPods connected</source>
        <translation>AirPods 接続済み</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>接続中の AirPods なし</translation>
    </message>
</context>
<context>
    <name>LowBatteryNotifier</name>
    <message>
        <source>Left AirPod at %1 %</source>
        <translation>左の AirPod: %1 %</translation>
    </message>
    <message>
        <source>Right AirPod at %1 %</source>
        <translation>右の AirPod: %1 %</translation>
    </message>
    <message>
        <source>AirPods case at %1 %</source>
        <translation>AirPods ケース: %1 %</translation>
    </message>
    <message>
        <source>AirPods at %1 %</source>
        <translation>AirPods: %1 %</translation>
    </message>
</context>
<context>
    <name>NewVersionAlert</name>
    <message>
        <source>Version %1 of Earlume is available, and you have %2. Do you want to download it?</source>
        <translation>Earlume %1 が利用可能です (現在のバージョンは %2)。ダウンロードしますか?</translation>
    </message>
    <message>
        <source>Earlume update</source>
        <translation>Earlume のアップデート</translation>
    </message>
    <message>
        <source>A new version is available</source>
        <translation>新しいバージョンがあります</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>はい</translation>
    </message>
    <message>
        <source>No</source>
        <translation>いいえ</translation>
    </message>
</context>
<context>
    <name>NoTrayNotice</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Earlume の設定</translation>
    </message>
    <message>
        <source>Earlume is running, but its icon cannot be shown</source>
        <translation>Earlume は実行中ですが、アイコンを表示できません</translation>
    </message>
    <message>
        <source>This desktop shows no tray icons. On GNOME, install and turn on the AppIndicator extension (gnome-shell-extension-appindicator).</source>
        <translation>このデスクトップはトレイアイコンを表示しません。GNOME では AppIndicator 拡張機能 (gnome-shell-extension-appindicator) をインストールして有効にしてください。</translation>
    </message>
</context>
<context>
    <name>StatusNotifierItem</name>
    <message>
        <source>Show AirPods</source>
        <translation>AirPods を表示</translation>
    </message>
</context>
</TS>
