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
    <message>
        <source>connected</source>
        <translation>connessi</translation>
    </message>
    <message>
        <source>nearby</source>
        <translation>nelle vicinanze</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>non connessi</translation>
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
        <translation>Nessun AirPods</translation>
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
    <message>
        <source>Print every paired AirPods, one line each: connected, seen nearby (with its levels) or not connected; then exit.</source>
        <translation>Stampa ogni coppia di AirPods abbinata, una per riga: connessa, vista nelle vicinanze (con i livelli) o non connessa; poi esce.</translation>
    </message>
    <message>
        <source>Speak of the AirPods with this Bluetooth address only, instead of the pair the panel shows first.</source>
        <translation>Riferisci solo gli AirPods con questo indirizzo Bluetooth, invece della coppia che il pannello mostra per prima.</translation>
    </message>
    <message>
        <source>Not a Bluetooth address: &quot;%1&quot; (expected one like AA:BB:CC:DD:EE:FF)</source>
        <translation>Non è un indirizzo Bluetooth: «%1» (atteso qualcosa come AA:BB:CC:DD:EE:FF)</translation>
    </message>
</context>
</TS>
