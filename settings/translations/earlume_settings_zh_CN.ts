<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Earlume 设置</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Close Window</source>
        <translation>关闭窗口(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>退出(&amp;Q)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About Earlume</source>
        <translation>关于 Earlume(&amp;A)</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>关于 %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>版本 %1</translation>
    </message>
    <message>
        <source>Shows the battery levels of your AirPods in the system tray.</source>
        <translation>在系统托盘中显示 AirPods 的电量。</translation>
    </message>
</context>
<context>
    <name>ViewController</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Earlume 设置</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>选项</translation>
    </message>
    <message>
        <source>Tray icon:</source>
        <translation>托盘图标：</translation>
    </message>
    <message>
        <source>Hide the tray icon while no AirPods are connected</source>
        <translation>未连接 AirPods 时隐藏托盘图标</translation>
    </message>
    <message>
        <source>Connections:</source>
        <translation>连接：</translation>
    </message>
    <message>
        <source>Show a heads-up window when AirPods connect or disconnect</source>
        <translation>AirPods 连接或断开时显示提示窗口</translation>
    </message>
    <message>
        <source>Panel:</source>
        <translation>面板：</translation>
    </message>
    <message>
        <source>Show the settings button in the panel</source>
        <translation>在面板中显示设置按钮</translation>
    </message>
    <message>
        <source>Show the connect button in the panel</source>
        <translation>在面板中显示连接按钮</translation>
    </message>
    <message>
        <source>Battery:</source>
        <translation>电池：</translation>
    </message>
    <message>
        <source>Warn when AirPods battery is low</source>
        <translation>AirPods 电量低时发出警告</translation>
    </message>
    <message>
        <source>Warn at or below</source>
        <translation>警告阈值</translation>
    </message>
    <message>
        <source>at </source>
        <translation>电量 </translation>
    </message>
    <message>
        <source> %</source>
        <translation> % 及以下</translation>
    </message>
    <message>
        <source>Startup:</source>
        <translation>启动：</translation>
    </message>
    <message>
        <source>Start Earlume at login</source>
        <translation>登录时启动 Earlume</translation>
    </message>
    <message>
        <source>Media:</source>
        <translation>媒体：</translation>
    </message>
    <message>
        <source>Pause media when AirPods are taken out</source>
        <translation>取下 AirPods 时暂停播放</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Checking whether Earlume is running…</source>
        <translation>正在检查 Earlume 是否在运行…</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>启动</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Could not save the settings: %1</source>
        <translation>无法保存设置：%1</translation>
    </message>
    <message>
        <source>Earlume is running, but this desktop shows no tray icons.</source>
        <translation>Earlume 正在运行，但此桌面不显示托盘图标。</translation>
    </message>
    <message>
        <source>Earlume is running.</source>
        <translation>Earlume 正在运行。</translation>
    </message>
    <message>
        <source>Earlume isn&apos;t running.</source>
        <translation>Earlume 未运行。</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>运行中</translation>
    </message>
    <message>
        <source>Not running</source>
        <translation>未运行</translation>
    </message>
    <message>
        <source>Nearby:</source>
        <translation>附近：</translation>
    </message>
    <message>
        <source>Connect AirPods when their case opens nearby</source>
        <translation>在附近打开充电盒时连接 AirPods</translation>
    </message>
</context>
</TS>
