<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>AirpodsPanelModel</name>
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
        <source>No Airpods</source>
        <translation>No hay AirPods</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Desconectados</translation>
    </message>
    <message>
        <source>%1 charging</source>
        <translation>%1 (cargando)</translation>
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
        <translation>No hay AirPods</translation>
    </message>
    <message>
        <source>Connect or disconnect</source>
        <translation>Conectar o desconectar</translation>
    </message>
    <message>
        <source>Earlume settings</source>
        <translation>Configuración de Earlume</translation>
    </message>
    <message>
        <source>AirPods</source>
        <translation>AirPods</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Izquierdo</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Derecho</translation>
    </message>
    <message>
        <source>Case</source>
        <translation>Estuche</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Desactivado</translation>
    </message>
    <message>
        <source>Noise control off</source>
        <translation>Control de ruido desactivado</translation>
    </message>
    <message>
        <source>Cancelling</source>
        <translation>Cancelación</translation>
    </message>
    <message>
        <source>Noise cancellation</source>
        <translation>Cancelación de ruido</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>Ambiente</translation>
    </message>
    <message>
        <source>Transparency</source>
        <translation>Modo Ambiente</translation>
    </message>
    <message>
        <source>Adaptive</source>
        <translation>Adaptativo</translation>
    </message>
    <message>
        <source>Noise control</source>
        <translation>Control de ruido</translation>
    </message>
    <message>
        <source>The AirPods did not answer. Try again</source>
        <translation>Los AirPods no respondieron. Inténtalo de nuevo</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Desconectar</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Conectar</translation>
    </message>
    <message>
        <source>AirPods %1 percent</source>
        <translation>AirPods %1 por ciento</translation>
    </message>
    <message>
        <source>Left AirPod %1 percent</source>
        <translation>AirPod izquierdo %1 por ciento</translation>
    </message>
    <message>
        <source>Right AirPod %1 percent</source>
        <translation>AirPod derecho %1 por ciento</translation>
    </message>
    <message>
        <source>Case %1 percent</source>
        <translation>Estuche %1 por ciento</translation>
    </message>
    <message>
        <source>, charging</source>
        <translation>, cargando</translation>
    </message>
    <message>
        <source>Heard nearby and matched only by model and signal strength: these levels may be another pair&apos;s</source>
        <translation>Oídos cerca y asociados solo por modelo e intensidad de señal: estos niveles pueden ser de otros AirPods</translation>
    </message>
    <message>
        <source>, estimated</source>
        <translation>, estimado</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Settings…</source>
        <translation>Configuración…</translation>
    </message>
    <message>
        <source>Quit Earlume</source>
        <translation>Salir de Earlume</translation>
    </message>
    <message>
        <source>AirPods connected</source>
        <translation>AirPods conectados</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>Ningunos AirPods conectados</translation>
    </message>
</context>
<context>
    <name>LowBatteryNotifier</name>
    <message>
        <source>Left AirPod at %1 %</source>
        <translation>AirPod izquierdo al %1 %</translation>
    </message>
    <message>
        <source>Right AirPod at %1 %</source>
        <translation>AirPod derecho al %1 %</translation>
    </message>
    <message>
        <source>AirPods case at %1 %</source>
        <translation>Estuche de los AirPods al %1 %</translation>
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
        <translation>Earlume %1 está disponible y tienes la versión %2. ¿Quieres descargarla?</translation>
    </message>
    <message>
        <source>Earlume update</source>
        <translation>Actualización de Earlume</translation>
    </message>
    <message>
        <source>A new version is available</source>
        <translation>Hay una nueva versión disponible</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Sí</translation>
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
        <translation>Configuración de Earlume</translation>
    </message>
    <message>
        <source>Earlume is running, but its icon cannot be shown</source>
        <translation>Earlume se está ejecutando, pero no puede mostrar su icono</translation>
    </message>
    <message>
        <source>This desktop shows no tray icons. On GNOME, install and turn on the AppIndicator extension (gnome-shell-extension-appindicator).</source>
        <translation>Este escritorio no muestra iconos en la bandeja del sistema. En GNOME, instala y activa la extensión AppIndicator (gnome-shell-extension-appindicator).</translation>
    </message>
</context>
<context>
    <name>StatusNotifierItem</name>
    <message>
        <source>Show AirPods</source>
        <translation>Mostrar AirPods</translation>
    </message>
</context>
</TS>
