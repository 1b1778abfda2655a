<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>StatusReport</name>
    <message>
        <source>Earlume is not running</source>
        <translation>Earlume no se está ejecutando</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>No hay AirPods conectados</translation>
    </message>
    <message>
        <source> (charging)</source>
        <translation> (cargando)</translation>
    </message>
    <message>
        <source>Battery %1 %</source>
        <translation>Batería %1 %</translation>
    </message>
    <message>
        <source>Left %1 %</source>
        <translation>Izquierdo %1 %</translation>
    </message>
    <message>
        <source>Right %1 %</source>
        <translation>Derecho %1 %</translation>
    </message>
    <message>
        <source>Case %1 %</source>
        <translation>Estuche %1 %</translation>
    </message>
    <message>
        <source>No battery reading</source>
        <translation>Sin lectura de batería</translation>
    </message>
    <message>
        <source>, </source>
        <extracomment>Between the levels of the parts: &quot;Left 87 %, Right 91 %&quot;</extracomment>
        <translation>, </translation>
    </message>
    <message>
        <source>connected</source>
        <translation>conectados</translation>
    </message>
    <message>
        <source>nearby</source>
        <translation>cerca</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>no conectados</translation>
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
        <translation>Ningunos AirPods</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Prints the AirPods&apos; battery levels as Earlume knows them. Without --waybar or --format, one JSON object.</source>
        <translation>Muestra los niveles de batería de los AirPods según los conoce Earlume. Sin --waybar ni --format, un objeto JSON.</translation>
    </message>
    <message>
        <source>Print once and exit, instead of a line per change.</source>
        <translation>Mostrar una vez y salir, en lugar de una línea por cambio.</translation>
    </message>
    <message>
        <source>Print waybar custom-module objects.</source>
        <translation>Mostrar objetos de módulo personalizado de waybar.</translation>
    </message>
    <message>
        <source>Print lines of &lt;format&gt;, with {name} {left} {right} {case} {lowest} {class}.</source>
        <translation>Mostrar líneas con el &lt;format&gt;, con {name} {left} {right} {case} {lowest} {class}.</translation>
    </message>
    <message>
        <source>Print every paired AirPods, one line each: connected, seen nearby (with its levels) or not connected; then exit.</source>
        <translation>Muestra cada par de AirPods vinculado, uno por línea: conectado, visto cerca (con sus niveles) o no conectado; después sale.</translation>
    </message>
    <message>
        <source>Speak of the AirPods with this Bluetooth address only, instead of the pair the panel shows first.</source>
        <translation>Informar solo de los AirPods con esta dirección Bluetooth, en lugar de los que el panel muestra primero.</translation>
    </message>
    <message>
        <source>Not a Bluetooth address: &quot;%1&quot; (expected one like AA:BB:CC:DD:EE:FF)</source>
        <translation>No es una dirección Bluetooth: «%1» (se espera algo como AA:BB:CC:DD:EE:FF)</translation>
    </message>
</context>
</TS>
