<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it">
<context>
    <name>AirpodsPanelModel</name>
    <message>
        <source>Battery %1 %</source>
        <translation>Batteria %1 %</translation>
    </message>
    <message>
        <source>Left %1 %</source>
        <translation>Sinistro %1 %</translation>
    </message>
    <message>
        <source>Right %1 %</source>
        <translation>Destro %1 %</translation>
    </message>
    <message>
        <source>Case %1 %</source>
        <translation>Custodia %1 %</translation>
    </message>
    <message>
        <source>No battery reading</source>
        <translation>Nessuna lettura della batteria</translation>
    </message>
    <message>
        <source>, </source>
        <extracomment>Between the levels of the parts: &quot;Left 87 %, Right 91 %&quot;</extracomment>
        <translation>, </translation>
    </message>
    <message>
        <source>No Airpods</source>
        <translation>Nessun AirPods</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Disconnessi</translation>
    </message>
    <message>
        <source>%1 charging</source>
        <translation>%1 (in carica)</translation>
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
        <translation>Nessun AirPods</translation>
    </message>
    <message>
        <source>Connect or disconnect</source>
        <translation>Connetti o disconnetti</translation>
    </message>
    <message>
        <source>Earlume settings</source>
        <translation>Impostazioni di Earlume</translation>
    </message>
    <message>
        <source>AirPods</source>
        <translation>AirPods</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Sinistro</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Destro</translation>
    </message>
    <message>
        <source>Case</source>
        <translation>Custodia</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Disattivato</translation>
    </message>
    <message>
        <source>Noise control off</source>
        <translation>Controllo del rumore disattivato</translation>
    </message>
    <message>
        <source>Cancelling</source>
        <translation>Cancellazione</translation>
    </message>
    <message>
        <source>Noise cancellation</source>
        <translation>Cancellazione del rumore</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>Trasparenza</translation>
    </message>
    <message>
        <source>Transparency</source>
        <translation>Modalità trasparenza</translation>
    </message>
    <message>
        <source>Adaptive</source>
        <translation>Adattivo</translation>
    </message>
    <message>
        <source>Noise control</source>
        <translation>Controllo del rumore</translation>
    </message>
    <message>
        <source>The AirPods did not answer. Try again</source>
        <translation>Gli AirPods non hanno risposto. Riprova</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Disconnetti</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connetti</translation>
    </message>
    <message>
        <source>AirPods %1 percent</source>
        <translation>AirPods %1 percento</translation>
    </message>
    <message>
        <source>Left AirPod %1 percent</source>
        <translation>AirPod sinistro %1 percento</translation>
    </message>
    <message>
        <source>Right AirPod %1 percent</source>
        <translation>AirPod destro %1 percento</translation>
    </message>
    <message>
        <source>Case %1 percent</source>
        <translation>Custodia %1 percento</translation>
    </message>
    <message>
        <source>, charging</source>
        <translation>, in carica</translation>
    </message>
    <message>
        <source>Heard nearby and matched only by model and signal strength: these levels may be another pair&apos;s</source>
        <translation>Rilevati nelle vicinanze e associati solo per modello e intensità del segnale: questi livelli potrebbero essere di un’altra coppia</translation>
    </message>
    <message>
        <source>, estimated</source>
        <translation>, stimato</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Settings…</source>
        <translation>Impostazioni…</translation>
    </message>
    <message>
        <source>Quit Earlume</source>
        <translation>Esci da Earlume</translation>
    </message>
    <message>
        <source>AirPods connected</source>
        <translation>AirPods connessi</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>Nessun AirPods connesso</translation>
    </message>
</context>
<context>
    <name>LowBatteryNotifier</name>
    <message>
        <source>Left AirPod at %1 %</source>
        <translation>AirPod sinistro al %1 %</translation>
    </message>
    <message>
        <source>Right AirPod at %1 %</source>
        <translation>AirPod destro al %1 %</translation>
    </message>
    <message>
        <source>AirPods case at %1 %</source>
        <translation>Custodia degli AirPods al %1 %</translation>
    </message>
    <message>
        <source>AirPods at %1 %</source>
        <translation>AirPods al %1 %</translation>
    </message>
</context>
<context>
    <name>NewVersionAlert</name>
    <message>
        <source>Version %1 of Earlume is available, and you have %2. Do you want to download it?</source>
        <translation>È disponibile Earlume %1 e hai la versione %2. Vuoi scaricarla?</translation>
    </message>
    <message>
        <source>Earlume update</source>
        <translation>Aggiornamento di Earlume</translation>
    </message>
    <message>
        <source>A new version is available</source>
        <translation>È disponibile una nuova versione</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Sì</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
</context>
<context>
    <name>NoTrayNotice</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Impostazioni di Earlume</translation>
    </message>
    <message>
        <source>Earlume is running, but its icon cannot be shown</source>
        <translation>Earlume è in esecuzione, ma non può mostrare la sua icona</translation>
    </message>
    <message>
        <source>This desktop shows no tray icons. On GNOME, install and turn on the AppIndicator extension (gnome-shell-extension-appindicator).</source>
        <translation>Questo desktop non mostra icone nell&apos;area di notifica. Su GNOME, installa e attiva l&apos;estensione AppIndicator (gnome-shell-extension-appindicator).</translation>
    </message>
</context>
<context>
    <name>StatusNotifierItem</name>
    <message>
        <source>Show AirPods</source>
        <translation>Mostra AirPods</translation>
    </message>
</context>
</TS>
