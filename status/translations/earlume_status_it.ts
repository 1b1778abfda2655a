<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it">
<context>
    <name>StatusReport</name>
    <message>
        <source>Earlume is not running</source>
        <translation>Earlume non è in esecuzione</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>Nessun AirPods connesso</translation>
    </message>
    <message>
        <source> (charging)</source>
        <translation> (in carica)</translation>
    </message>
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
</context>
<context>
    <name>main</name>
    <message>
        <source>Prints the AirPods&apos; battery levels as Earlume knows them. Without --waybar or --format, one JSON object.</source>
        <translation>Mostra i livelli della batteria degli AirPods come li conosce Earlume. Senza --waybar o --format, un oggetto JSON.</translation>
    </message>
    <message>
        <source>Print once and exit, instead of a line per change.</source>
        <translation>Mostra una volta ed esci, invece di una riga per ogni modifica.</translation>
    </message>
    <message>
        <source>Print waybar custom-module objects.</source>
        <translation>Mostra oggetti per un modulo personalizzato di waybar.</translation>
    </message>
    <message>
        <source>Print lines of &lt;format&gt;, with {name} {left} {right} {case} {lowest} {class}.</source>
        <translation>Mostra righe nel &lt;format&gt;, con {name} {left} {right} {case} {lowest} {class}.</translation>
    </message>
</context>
</TS>
