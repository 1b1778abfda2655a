<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AirpodsPanelModel</name>
    <message>
        <source>Battery %1 %</source>
        <translation>Akku %1 %</translation>
    </message>
    <message>
        <source>Left %1 %</source>
        <translation>Links %1 %</translation>
    </message>
    <message>
        <source>Right %1 %</source>
        <translation>Rechts %1 %</translation>
    </message>
    <message>
        <source>Case %1 %</source>
        <translation>Case %1 %</translation>
    </message>
    <message>
        <source>No battery reading</source>
        <translation>Kein Akkustand bekannt</translation>
    </message>
    <message>
        <source>, </source>
        <extracomment>Between the levels of the parts: &quot;Left 87 %, Right 91 %&quot;</extracomment>
        <translation>, </translation>
    </message>
    <message>
        <source>No Airpods</source>
        <translation>Keine AirPods</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Getrennt</translation>
    </message>
    <message>
        <source>%1 charging</source>
        <translation>%1 (lädt)</translation>
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
        <translation>Keine AirPods</translation>
    </message>
    <message>
        <source>Connect or disconnect</source>
        <translation>Verbinden oder trennen</translation>
    </message>
    <message>
        <source>Earlume settings</source>
        <translation>Earlume-Einstellungen</translation>
    </message>
    <message>
        <source>AirPods</source>
        <translation>AirPods</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>Case</source>
        <translation>Case</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Noise control off</source>
        <translation>Geräuschkontrolle aus</translation>
    </message>
    <message>
        <source>Cancelling</source>
        <translation>Unterdrückung</translation>
    </message>
    <message>
        <source>Noise cancellation</source>
        <translation>Geräuschunterdrückung</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>Transparenz</translation>
    </message>
    <message>
        <source>Transparency</source>
        <translation>Transparenzmodus</translation>
    </message>
    <message>
        <source>Adaptive</source>
        <translation>Adaptiv</translation>
    </message>
    <message>
        <source>Noise control</source>
        <translation>Geräuschkontrolle</translation>
    </message>
    <message>
        <source>The AirPods did not answer. Try again</source>
        <translation>Die AirPods antworten nicht. Erneut versuchen</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>AirPods %1 percent</source>
        <translation>AirPods %1 Prozent</translation>
    </message>
    <message>
        <source>Left AirPod %1 percent</source>
        <translation>Linker AirPod %1 Prozent</translation>
    </message>
    <message>
        <source>Right AirPod %1 percent</source>
        <translation>Rechter AirPod %1 Prozent</translation>
    </message>
    <message>
        <source>Case %1 percent</source>
        <translation>Case %1 Prozent</translation>
    </message>
    <message>
        <source>, charging</source>
        <translation>, wird geladen</translation>
    </message>
    <message>
        <source>Heard nearby and matched only by model and signal strength: these levels may be another pair&apos;s</source>
        <translation>In der Nähe gehört und nur nach Modell und Signalstärke zugeordnet: Diese Werte können zu einem anderen Paar gehören</translation>
    </message>
    <message>
        <source>, estimated</source>
        <translation>, geschätzt</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Settings…</source>
        <translation>Einstellungen…</translation>
    </message>
    <message>
        <source>Quit Earlume</source>
        <translation>Earlume beenden</translation>
    </message>
    <message>
        <source>AirPods connected</source>
        <translation>AirPods verbunden</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>Keine AirPods verbunden</translation>
    </message>
</context>
<context>
    <name>LowBatteryNotifier</name>
    <message>
        <source>Left AirPod at %1 %</source>
        <translation>Linker AirPod bei %1 %</translation>
    </message>
    <message>
        <source>Right AirPod at %1 %</source>
        <translation>Rechter AirPod bei %1 %</translation>
    </message>
    <message>
        <source>AirPods case at %1 %</source>
        <translation>AirPods-Case bei %1 %</translation>
    </message>
    <message>
        <source>AirPods at %1 %</source>
        <translation>AirPods bei %1 %</translation>
    </message>
</context>
<context>
    <name>NewVersionAlert</name>
    <message>
        <source>Version %1 of Earlume is available, and you have %2. Do you want to download it?</source>
        <translation>Earlume %1 ist verfügbar, installiert ist %2. Möchten Sie die neue Version herunterladen?</translation>
    </message>
    <message>
        <source>Earlume update</source>
        <translation>Earlume-Aktualisierung</translation>
    </message>
    <message>
        <source>A new version is available</source>
        <translation>Eine neue Version ist verfügbar</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
</context>
<context>
    <name>NoTrayNotice</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Earlume-Einstellungen</translation>
    </message>
    <message>
        <source>Earlume is running, but its icon cannot be shown</source>
        <translation>Earlume läuft, aber sein Symbol kann nicht angezeigt werden</translation>
    </message>
    <message>
        <source>This desktop shows no tray icons. On GNOME, install and turn on the AppIndicator extension (gnome-shell-extension-appindicator).</source>
        <translation>Diese Arbeitsumgebung zeigt keine Symbole im Systembereich an. Installieren und aktivieren Sie unter GNOME die Erweiterung AppIndicator (gnome-shell-extension-appindicator).</translation>
    </message>
</context>
<context>
    <name>StatusNotifierItem</name>
    <message>
        <source>Show AirPods</source>
        <translation>AirPods anzeigen</translation>
    </message>
</context>
</TS>
