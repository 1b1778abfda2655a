<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>StatusReport</name>
    <message>
        <source>Earlume is not running</source>
        <translation>Earlume läuft nicht</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>Keine AirPods verbunden</translation>
    </message>
    <message>
        <source> (charging)</source>
        <translation> (lädt)</translation>
    </message>
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
        <source>connected</source>
        <translation>verbunden</translation>
    </message>
    <message>
        <source>nearby</source>
        <translation>in der Nähe</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>nicht verbunden</translation>
    </message>
    <message>
        <source>%1: %2, %3</source>
        <translation>%1: %2, %3</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>No Airpods</source>
        <translation>Keine AirPods</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Prints the AirPods&apos; battery levels as Earlume knows them. Without --waybar or --format, one JSON object.</source>
        <translation>Gibt die Akkustände der AirPods aus, wie Earlume sie kennt. Ohne --waybar oder --format ein JSON-Objekt.</translation>
    </message>
    <message>
        <source>Print once and exit, instead of a line per change.</source>
        <translation>Einmal ausgeben und beenden, statt einer Zeile je Änderung.</translation>
    </message>
    <message>
        <source>Print waybar custom-module objects.</source>
        <translation>Objekte für ein eigenes waybar-Modul ausgeben.</translation>
    </message>
    <message>
        <source>Print lines of &lt;format&gt;, with {name} {left} {right} {case} {lowest} {class}.</source>
        <translation>Zeilen im &lt;format&gt; ausgeben, mit {name} {left} {right} {case} {lowest} {class}.</translation>
    </message>
    <message>
        <source>Print every paired AirPods, one line each: connected, seen nearby (with its levels) or not connected; then exit.</source>
        <translation>Jedes gekoppelte AirPods-Paar ausgeben, eine Zeile pro Paar: verbunden, in der Nähe gesehen (mit Ladestand) oder nicht verbunden; dann beenden.</translation>
    </message>
    <message>
        <source>Speak of the AirPods with this Bluetooth address only, instead of the pair the panel shows first.</source>
        <translation>Nur die AirPods mit dieser Bluetooth-Adresse melden, statt des Paars, das das Fenster zuerst zeigt.</translation>
    </message>
    <message>
        <source>Not a Bluetooth address: &quot;%1&quot; (expected one like AA:BB:CC:DD:EE:FF)</source>
        <translation>Keine Bluetooth-Adresse: „%1“ (erwartet wird etwa AA:BB:CC:DD:EE:FF)</translation>
    </message>
</context>
</TS>
