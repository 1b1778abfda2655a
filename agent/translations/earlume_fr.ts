<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>AirpodsPanelModel</name>
    <message>
        <source>Battery %1 %</source>
        <translation>Batterie %1 %</translation>
    </message>
    <message>
        <source>Left %1 %</source>
        <translation>Gauche %1 %</translation>
    </message>
    <message>
        <source>Right %1 %</source>
        <translation>Droit %1 %</translation>
    </message>
    <message>
        <source>Case %1 %</source>
        <translation>Boîtier %1 %</translation>
    </message>
    <message>
        <source>No battery reading</source>
        <translation>Niveau de batterie inconnu</translation>
    </message>
    <message>
        <source>, </source>
        <extracomment>Between the levels of the parts: &quot;Left 87 %, Right 91 %&quot;</extracomment>
        <translation>, </translation>
    </message>
    <message>
        <source>No Airpods</source>
        <translation>Aucun AirPods</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Déconnectés</translation>
    </message>
    <message>
        <source>%1 charging</source>
        <translation>%1 (en charge)</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1 : %2</translation>
    </message>
</context>
<context>
    <name>AirpodsViewController</name>
    <message>
        <source>No Airpods</source>
        <translation>Aucun AirPods</translation>
    </message>
    <message>
        <source>Connect or disconnect</source>
        <translation>Connecter ou déconnecter</translation>
    </message>
    <message>
        <source>Earlume settings</source>
        <translation>Paramètres d&apos;Earlume</translation>
    </message>
    <message>
        <source>AirPods</source>
        <translation>AirPods</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Gauche</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Droit</translation>
    </message>
    <message>
        <source>Case</source>
        <translation>Boîtier</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Désactivé</translation>
    </message>
    <message>
        <source>Noise control off</source>
        <translation>Contrôle du bruit désactivé</translation>
    </message>
    <message>
        <source>Cancelling</source>
        <translation>Réduction</translation>
    </message>
    <message>
        <source>Noise cancellation</source>
        <translation>Réduction du bruit</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>Transparence</translation>
    </message>
    <message>
        <source>Transparency</source>
        <translation>Mode Transparence</translation>
    </message>
    <message>
        <source>Adaptive</source>
        <translation>Adaptatif</translation>
    </message>
    <message>
        <source>Noise control</source>
        <translation>Contrôle du bruit</translation>
    </message>
    <message>
        <source>The AirPods did not answer. Try again</source>
        <translation>Les AirPods n&apos;ont pas répondu. Réessayez</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Déconnecter</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connecter</translation>
    </message>
    <message>
        <source>AirPods %1 percent</source>
        <translation>AirPods %1 pour cent</translation>
    </message>
    <message>
        <source>Left AirPod %1 percent</source>
        <translation>AirPod gauche %1 pour cent</translation>
    </message>
    <message>
        <source>Right AirPod %1 percent</source>
        <translation>AirPod droit %1 pour cent</translation>
    </message>
    <message>
        <source>Case %1 percent</source>
        <translation>Boîtier %1 pour cent</translation>
    </message>
    <message>
        <source>, charging</source>
        <translation>, en charge</translation>
    </message>
    <message>
        <source>Heard nearby and matched only by model and signal strength: these levels may be another pair&apos;s</source>
        <translation>Entendus à proximité et associés seulement par le modèle et la force du signal : ces niveaux peuvent être ceux d’une autre paire</translation>
    </message>
    <message>
        <source>, estimated</source>
        <translation>, estimé</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Settings…</source>
        <translation>Paramètres…</translation>
    </message>
    <message>
        <source>Quit Earlume</source>
        <translation>Quitter Earlume</translation>
    </message>
    <message>
        <source>AirPods connected</source>
        <translation>AirPods connectés</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>Aucun AirPods connecté</translation>
    </message>
</context>
<context>
    <name>LowBatteryNotifier</name>
    <message>
        <source>Left AirPod at %1 %</source>
        <translation>AirPod gauche à %1 %</translation>
    </message>
    <message>
        <source>Right AirPod at %1 %</source>
        <translation>AirPod droit à %1 %</translation>
    </message>
    <message>
        <source>AirPods case at %1 %</source>
        <translation>Boîtier des AirPods à %1 %</translation>
    </message>
    <message>
        <source>AirPods at %1 %</source>
        <translation>AirPods à %1 %</translation>
    </message>
</context>
<context>
    <name>NewVersionAlert</name>
    <message>
        <source>Version %1 of Earlume is available, and you have %2. Do you want to download it?</source>
        <translation>Earlume %1 est disponible ; vous avez la version %2. Voulez-vous la télécharger ?</translation>
    </message>
    <message>
        <source>Earlume update</source>
        <translation>Mise à jour d&apos;Earlume</translation>
    </message>
    <message>
        <source>A new version is available</source>
        <translation>Une nouvelle version est disponible</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Oui</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Non</translation>
    </message>
</context>
<context>
    <name>NoTrayNotice</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Paramètres d&apos;Earlume</translation>
    </message>
    <message>
        <source>Earlume is running, but its icon cannot be shown</source>
        <translation>Earlume fonctionne, mais son icône ne peut pas être affichée</translation>
    </message>
    <message>
        <source>This desktop shows no tray icons. On GNOME, install and turn on the AppIndicator extension (gnome-shell-extension-appindicator).</source>
        <translation>Ce bureau n&apos;affiche pas d&apos;icônes dans la zone de notification. Sous GNOME, installez et activez l&apos;extension AppIndicator (gnome-shell-extension-appindicator).</translation>
    </message>
</context>
<context>
    <name>StatusNotifierItem</name>
    <message>
        <source>Show AirPods</source>
        <translation>Afficher les AirPods</translation>
    </message>
</context>
</TS>
