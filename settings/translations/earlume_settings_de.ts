<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Earlume-Einstellungen</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Close Window</source>
        <translation>Fenster &amp;schließen</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About Earlume</source>
        <translation>Ü&amp;ber Earlume</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Shows the battery levels of your AirPods in the system tray.</source>
        <translation>Zeigt den Akkustand Ihrer AirPods im Systembereich der Leiste an.</translation>
    </message>
</context>
<context>
    <name>ViewController</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Earlume-Einstellungen</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Tray icon:</source>
        <translation>Leistensymbol:</translation>
    </message>
    <message>
        <source>Hide the tray icon while no AirPods are connected</source>
        <translation>Symbol ausblenden, solange keine AirPods verbunden sind</translation>
    </message>
    <message>
        <source>Connections:</source>
        <translation>Verbindungen:</translation>
    </message>
    <message>
        <source>Show a heads-up window when AirPods connect or disconnect</source>
        <translation>Hinweisfenster zeigen, wenn AirPods sich verbinden oder trennen</translation>
    </message>
    <message>
        <source>Panel:</source>
        <translation>Übersicht:</translation>
    </message>
    <message>
        <source>Show the settings button in the panel</source>
        <translation>Einstellungsknopf in der Übersicht zeigen</translation>
    </message>
    <message>
        <source>Show the connect button in the panel</source>
        <translation>Verbindungsknopf in der Übersicht zeigen</translation>
    </message>
    <message>
        <source>Battery:</source>
        <translation>Akku:</translation>
    </message>
    <message>
        <source>Warn when AirPods battery is low</source>
        <translation>Bei schwachem AirPods-Akku warnen</translation>
    </message>
    <message>
        <source>Warn at or below</source>
        <translation>Warnen bei höchstens</translation>
    </message>
    <message>
        <source>at </source>
        <translation>bei </translation>
    </message>
    <message>
        <source> %</source>
        <translation> %</translation>
    </message>
    <message>
        <source>Startup:</source>
        <translation>Start:</translation>
    </message>
    <message>
        <source>Start Earlume at login</source>
        <translation>Earlume bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Media:</source>
        <translation>Medien:</translation>
    </message>
    <message>
        <source>Pause media when AirPods are taken out</source>
        <translation>Wiedergabe anhalten, wenn AirPods herausgenommen werden</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Checking whether Earlume is running…</source>
        <translation>Prüfen, ob Earlume läuft…</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Could not save the settings: %1</source>
        <translation>Die Einstellungen konnten nicht gespeichert werden: %1</translation>
    </message>
    <message>
        <source>Earlume is running, but this desktop shows no tray icons.</source>
        <translation>Earlume läuft, aber diese Arbeitsumgebung zeigt keine Symbole im Systembereich.</translation>
    </message>
    <message>
        <source>Earlume is running.</source>
        <translation>Earlume läuft.</translation>
    </message>
    <message>
        <source>Earlume isn&apos;t running.</source>
        <translation>Earlume läuft nicht.</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>Läuft</translation>
    </message>
    <message>
        <source>Not running</source>
        <translation>Läuft nicht</translation>
    </message>
    <message>
        <source>Nearby:</source>
        <translation>In der Nähe:</translation>
    </message>
    <message>
        <source>Connect AirPods when their case opens nearby</source>
        <translation>AirPods verbinden, wenn ihr Case in der Nähe geöffnet wird</translation>
    </message>
</context>
</TS>
