<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Paramètres d&apos;Earlume</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Close Window</source>
        <translation>&amp;Fermer la fenêtre</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>&amp;About Earlume</source>
        <translation>À &amp;propos d&apos;Earlume</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>À propos de %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Shows the battery levels of your AirPods in the system tray.</source>
        <translation>Affiche le niveau de batterie de vos AirPods dans la zone de notification.</translation>
    </message>
</context>
<context>
    <name>ViewController</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Paramètres d&apos;Earlume</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Tray icon:</source>
        <translation>Icône :</translation>
    </message>
    <message>
        <source>Hide the tray icon while no AirPods are connected</source>
        <translation>Masquer l&apos;icône tant qu&apos;aucun AirPods n&apos;est connecté</translation>
    </message>
    <message>
        <source>Connections:</source>
        <translation>Connexions :</translation>
    </message>
    <message>
        <source>Show a heads-up window when AirPods connect or disconnect</source>
        <translation>Afficher une fenêtre à la connexion ou déconnexion des AirPods</translation>
    </message>
    <message>
        <source>Panel:</source>
        <translation>Panneau :</translation>
    </message>
    <message>
        <source>Show the settings button in the panel</source>
        <translation>Afficher le bouton des paramètres dans le panneau</translation>
    </message>
    <message>
        <source>Show the connect button in the panel</source>
        <translation>Afficher le bouton de connexion dans le panneau</translation>
    </message>
    <message>
        <source>Battery:</source>
        <translation>Batterie :</translation>
    </message>
    <message>
        <source>Warn when AirPods battery is low</source>
        <translation>Avertir quand la batterie des AirPods est faible</translation>
    </message>
    <message>
        <source>Warn at or below</source>
        <translation>Avertir à partir de</translation>
    </message>
    <message>
        <source>at </source>
        <translation>à </translation>
    </message>
    <message>
        <source> %</source>
        <translation> %</translation>
    </message>
    <message>
        <source>Startup:</source>
        <translation>Démarrage :</translation>
    </message>
    <message>
        <source>Start Earlume at login</source>
        <translation>Lancer Earlume à l&apos;ouverture de session</translation>
    </message>
    <message>
        <source>Media:</source>
        <translation>Médias :</translation>
    </message>
    <message>
        <source>Pause media when AirPods are taken out</source>
        <translation>Mettre la lecture en pause quand les AirPods sont retirés</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Checking whether Earlume is running…</source>
        <translation>Vérification du fonctionnement d&apos;Earlume…</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Démarrer</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Could not save the settings: %1</source>
        <translation>Impossible d&apos;enregistrer les paramètres : %1</translation>
    </message>
    <message>
        <source>Earlume is running, but this desktop shows no tray icons.</source>
        <translation>Earlume fonctionne, mais ce bureau n&apos;affiche pas d&apos;icônes de notification.</translation>
    </message>
    <message>
        <source>Earlume is running.</source>
        <translation>Earlume fonctionne.</translation>
    </message>
    <message>
        <source>Earlume isn&apos;t running.</source>
        <translation>Earlume ne fonctionne pas.</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>En cours</translation>
    </message>
    <message>
        <source>Not running</source>
        <translation>Arrêté</translation>
    </message>
    <message>
        <source>Nearby:</source>
        <translation>À proximité :</translation>
    </message>
    <message>
        <source>Connect AirPods when their case opens nearby</source>
        <translation>Connecter les AirPods à l’ouverture de leur boîtier à proximité</translation>
    </message>
</context>
</TS>
