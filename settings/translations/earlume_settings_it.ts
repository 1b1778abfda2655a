<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Impostazioni di Earlume</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Close Window</source>
        <translation>&amp;Chiudi finestra</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Esci</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aiuto</translation>
    </message>
    <message>
        <source>&amp;About Earlume</source>
        <translation>&amp;Informazioni su Earlume</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Informazioni su %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Versione %1</translation>
    </message>
    <message>
        <source>Shows the battery levels of your AirPods in the system tray.</source>
        <translation>Mostra il livello della batteria dei tuoi AirPods nell&apos;area di notifica.</translation>
    </message>
</context>
<context>
    <name>ViewController</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Impostazioni di Earlume</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Opzioni</translation>
    </message>
    <message>
        <source>Tray icon:</source>
        <translation>Icona:</translation>
    </message>
    <message>
        <source>Hide the tray icon while no AirPods are connected</source>
        <translation>Nascondi l&apos;icona quando nessun AirPods è connesso</translation>
    </message>
    <message>
        <source>Connections:</source>
        <translation>Connessioni:</translation>
    </message>
    <message>
        <source>Show a heads-up window when AirPods connect or disconnect</source>
        <translation>Mostra una finestra di avviso quando gli AirPods si connettono o disconnettono</translation>
    </message>
    <message>
        <source>Panel:</source>
        <translation>Pannello:</translation>
    </message>
    <message>
        <source>Show the settings button in the panel</source>
        <translation>Mostra il pulsante delle impostazioni nel pannello</translation>
    </message>
    <message>
        <source>Show the connect button in the panel</source>
        <translation>Mostra il pulsante di connessione nel pannello</translation>
    </message>
    <message>
        <source>Battery:</source>
        <translation>Batteria:</translation>
    </message>
    <message>
        <source>Warn when AirPods battery is low</source>
        <translation>Avvisa quando la batteria degli AirPods è scarica</translation>
    </message>
    <message>
        <source>Warn at or below</source>
        <translation>Avvisa al di sotto di</translation>
    </message>
    <message>
        <source>at </source>
        <translation>al </translation>
    </message>
    <message>
        <source> %</source>
        <translation> %</translation>
    </message>
    <message>
        <source>Startup:</source>
        <translation>Avvio:</translation>
    </message>
    <message>
        <source>Start Earlume at login</source>
        <translation>Avvia Earlume all&apos;accesso</translation>
    </message>
    <message>
        <source>Media:</source>
        <translation>Multimedia:</translation>
    </message>
    <message>
        <source>Pause media when AirPods are taken out</source>
        <translation>Metti in pausa la riproduzione quando gli AirPods vengono tolti</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Stato</translation>
    </message>
    <message>
        <source>Checking whether Earlume is running…</source>
        <translation>Verifica se Earlume è in esecuzione…</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Avvia</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Ferma</translation>
    </message>
    <message>
        <source>Could not save the settings: %1</source>
        <translation>Impossibile salvare le impostazioni: %1</translation>
    </message>
    <message>
        <source>Earlume is running, but this desktop shows no tray icons.</source>
        <translation>Earlume è in esecuzione, ma questo desktop non mostra icone nell&apos;area di notifica.</translation>
    </message>
    <message>
        <source>Earlume is running.</source>
        <translation>Earlume è in esecuzione.</translation>
    </message>
    <message>
        <source>Earlume isn&apos;t running.</source>
        <translation>Earlume non è in esecuzione.</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>In esecuzione</translation>
    </message>
    <message>
        <source>Not running</source>
        <translation>Non in esecuzione</translation>
    </message>
    <message>
        <source>Nearby:</source>
        <translation>Nelle vicinanze:</translation>
    </message>
    <message>
        <source>Connect AirPods when their case opens nearby</source>
        <translation>Connetti gli AirPods quando la custodia viene aperta nelle vicinanze</translation>
    </message>
</context>
</TS>
