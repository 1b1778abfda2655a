<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl">
<context>
    <name>StatusReport</name>
    <message>
        <source>Earlume is not running</source>
        <translation>Earlume nie działa</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>Brak połączonych AirPods</translation>
    </message>
    <message>
        <source> (charging)</source>
        <translation> (ładowanie)</translation>
    </message>
    <message>
        <source>Battery %1 %</source>
        <translation>Bateria %1 %</translation>
    </message>
    <message>
        <source>Left %1 %</source>
        <translation>Lewa %1 %</translation>
    </message>
    <message>
        <source>Right %1 %</source>
        <translation>Prawa %1 %</translation>
    </message>
    <message>
        <source>Case %1 %</source>
        <translation>Etui %1 %</translation>
    </message>
    <message>
        <source>No battery reading</source>
        <translation>Brak odczytu baterii</translation>
    </message>
    <message>
        <source>, </source>
        <extracomment>Between the levels of the parts: &quot;Left 87 %, Right 91 %&quot;</extracomment>
        <translation>, </translation>
    </message>
    <message>
        <source>connected</source>
        <translation>połączone</translation>
    </message>
    <message>
        <source>nearby</source>
        <translation>w pobliżu</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>niepołączone</translation>
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
        <translation>Brak AirPods</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Prints the AirPods&apos; battery levels as Earlume knows them. Without --waybar or --format, one JSON object.</source>
        <translation>Wypisuje poziomy baterii AirPods znane Earlume. Bez --waybar ani --format jeden obiekt JSON.</translation>
    </message>
    <message>
        <source>Print once and exit, instead of a line per change.</source>
        <translation>Wypisz raz i zakończ zamiast wiersza przy każdej zmianie.</translation>
    </message>
    <message>
        <source>Print waybar custom-module objects.</source>
        <translation>Wypisuj obiekty dla własnego modułu waybar.</translation>
    </message>
    <message>
        <source>Print lines of &lt;format&gt;, with {name} {left} {right} {case} {lowest} {class}.</source>
        <translation>Wypisuj wiersze w formacie &lt;format&gt;, z {name} {left} {right} {case} {lowest} {class}.</translation>
    </message>
    <message>
        <source>Print every paired AirPods, one line each: connected, seen nearby (with its levels) or not connected; then exit.</source>
        <translation>Wypisuje każdą sparowaną parę AirPods, po jednej w wierszu: połączoną, widzianą w pobliżu (z poziomami) lub niepołączoną; potem kończy.</translation>
    </message>
    <message>
        <source>Speak of the AirPods with this Bluetooth address only, instead of the pair the panel shows first.</source>
        <translation>Podawaj tylko AirPods o tym adresie Bluetooth zamiast pary, którą panel pokazuje jako pierwszą.</translation>
    </message>
    <message>
        <source>Not a Bluetooth address: &quot;%1&quot; (expected one like AA:BB:CC:DD:EE:FF)</source>
        <translation>To nie jest adres Bluetooth: „%1” (oczekiwano np. AA:BB:CC:DD:EE:FF)</translation>
    </message>
</context>
</TS>
