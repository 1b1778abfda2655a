<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>StatusReport</name>
    <message>
        <source>Earlume is not running</source>
        <translation>Earlume ne fonctionne pas</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>Aucun AirPods connecté</translation>
    </message>
    <message>
        <source> (charging)</source>
        <translation> (en charge)</translation>
    </message>
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
        <source>connected</source>
        <translation>connectés</translation>
    </message>
    <message>
        <source>nearby</source>
        <translation>à proximité</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>non connectés</translation>
    </message>
    <message>
        <source>%1: %2, %3</source>
        <translation>%1 : %2, %3</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1 : %2</translation>
    </message>
    <message>
        <source>No Airpods</source>
        <translation>Aucun AirPods</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Prints the AirPods&apos; battery levels as Earlume knows them. Without --waybar or --format, one JSON object.</source>
        <translation>Affiche les niveaux de batterie des AirPods tels qu&apos;Earlume les connaît. Sans --waybar ni --format, un objet JSON.</translation>
    </message>
    <message>
        <source>Print once and exit, instead of a line per change.</source>
        <translation>Afficher une fois et quitter, au lieu d&apos;une ligne par changement.</translation>
    </message>
    <message>
        <source>Print waybar custom-module objects.</source>
        <translation>Afficher des objets de module personnalisé waybar.</translation>
    </message>
    <message>
        <source>Print lines of &lt;format&gt;, with {name} {left} {right} {case} {lowest} {class}.</source>
        <translation>Afficher des lignes au &lt;format&gt;, avec {name} {left} {right} {case} {lowest} {class}.</translation>
    </message>
    <message>
        <source>Print every paired AirPods, one line each: connected, seen nearby (with its levels) or not connected; then exit.</source>
        <translation>Affiche chaque paire d’AirPods jumelée, une ligne par paire : connectée, vue à proximité (avec ses niveaux) ou non connectée ; puis quitte.</translation>
    </message>
    <message>
        <source>Speak of the AirPods with this Bluetooth address only, instead of the pair the panel shows first.</source>
        <translation>Ne parler que des AirPods ayant cette adresse Bluetooth, au lieu de la paire que le panneau affiche en premier.</translation>
    </message>
    <message>
        <source>Not a Bluetooth address: &quot;%1&quot; (expected one like AA:BB:CC:DD:EE:FF)</source>
        <translation>Ce n’est pas une adresse Bluetooth : « %1 » (attendu : par exemple AA:BB:CC:DD:EE:FF)</translation>
    </message>
</context>
</TS>
