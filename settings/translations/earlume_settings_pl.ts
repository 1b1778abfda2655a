<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Ustawienia Earlume</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Plik</translation>
    </message>
    <message>
        <source>&amp;Close Window</source>
        <translation>&amp;Zamknij okno</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>Za&amp;kończ</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>Pomo&amp;c</translation>
    </message>
    <message>
        <source>&amp;About Earlume</source>
        <translation>&amp;O Earlume</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>O %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Wersja %1</translation>
    </message>
    <message>
        <source>Shows the battery levels of your AirPods in the system tray.</source>
        <translation>Pokazuje poziom baterii AirPods w zasobniku systemowym.</translation>
    </message>
</context>
<context>
    <name>ViewController</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Ustawienia Earlume</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Opcje</translation>
    </message>
    <message>
        <source>Tray icon:</source>
        <translation>Ikona:</translation>
    </message>
    <message>
        <source>Hide the tray icon while no AirPods are connected</source>
        <translation>Ukryj ikonę, gdy żadne AirPods nie są połączone</translation>
    </message>
    <message>
        <source>Connections:</source>
        <translation>Połączenia:</translation>
    </message>
    <message>
        <source>Show a heads-up window when AirPods connect or disconnect</source>
        <translation>Pokaż okno powiadomienia przy łączeniu i rozłączaniu AirPods</translation>
    </message>
    <message>
        <source>Panel:</source>
        <translation>Panel:</translation>
    </message>
    <message>
        <source>Show the settings button in the panel</source>
        <translation>Pokaż przycisk ustawień w panelu</translation>
    </message>
    <message>
        <source>Show the connect button in the panel</source>
        <translation>Pokaż przycisk połączenia w panelu</translation>
    </message>
    <message>
        <source>Battery:</source>
        <translation>Bateria:</translation>
    </message>
    <message>
        <source>Warn when AirPods battery is low</source>
        <translation>Ostrzegaj o niskim poziomie baterii AirPods</translation>
    </message>
    <message>
        <source>Warn at or below</source>
        <translation>Ostrzegaj przy poziomie najwyżej</translation>
    </message>
    <message>
        <source>at </source>
        <translation>przy </translation>
    </message>
    <message>
        <source> %</source>
        <translation> %</translation>
    </message>
    <message>
        <source>Startup:</source>
        <translation>Uruchamianie:</translation>
    </message>
    <message>
        <source>Start Earlume at login</source>
        <translation>Uruchamiaj Earlume po zalogowaniu</translation>
    </message>
    <message>
        <source>Media:</source>
        <translation>Multimedia:</translation>
    </message>
    <message>
        <source>Pause media when AirPods are taken out</source>
        <translation>Wstrzymaj odtwarzanie po wyjęciu AirPods</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Stan</translation>
    </message>
    <message>
        <source>Checking whether Earlume is running…</source>
        <translation>Sprawdzanie, czy Earlume działa…</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Uruchom</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Zatrzymaj</translation>
    </message>
    <message>
        <source>Could not save the settings: %1</source>
        <translation>Nie można zapisać ustawień: %1</translation>
    </message>
    <message>
        <source>Earlume is running, but this desktop shows no tray icons.</source>
        <translation>Earlume działa, ale to środowisko nie pokazuje ikon w zasobniku.</translation>
    </message>
    <message>
        <source>Earlume is running.</source>
        <translation>Earlume działa.</translation>
    </message>
    <message>
        <source>Earlume isn&apos;t running.</source>
        <translation>Earlume nie działa.</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>Działa</translation>
    </message>
    <message>
        <source>Not running</source>
        <translation>Nie działa</translation>
    </message>
    <message>
        <source>Nearby:</source>
        <translation>W pobliżu:</translation>
    </message>
    <message>
        <source>Connect AirPods when their case opens nearby</source>
        <translation>Połącz AirPods po otwarciu etui w pobliżu</translation>
    </message>
</context>
</TS>
