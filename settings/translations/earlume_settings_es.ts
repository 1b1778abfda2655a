<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Configuración de Earlume</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Archivo</translation>
    </message>
    <message>
        <source>&amp;Close Window</source>
        <translation>&amp;Cerrar ventana</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Salir</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>A&amp;yuda</translation>
    </message>
    <message>
        <source>&amp;About Earlume</source>
        <translation>&amp;Acerca de Earlume</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Acerca de %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Versión %1</translation>
    </message>
    <message>
        <source>Shows the battery levels of your AirPods in the system tray.</source>
        <translation>Muestra el nivel de batería de tus AirPods en la bandeja del sistema.</translation>
    </message>
</context>
<context>
    <name>ViewController</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Configuración de Earlume</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Opciones</translation>
    </message>
    <message>
        <source>Tray icon:</source>
        <translation>Icono:</translation>
    </message>
    <message>
        <source>Hide the tray icon while no AirPods are connected</source>
        <translation>Ocultar el icono mientras no haya AirPods conectados</translation>
    </message>
    <message>
        <source>Connections:</source>
        <translation>Conexiones:</translation>
    </message>
    <message>
        <source>Show a heads-up window when AirPods connect or disconnect</source>
        <translation>Mostrar una ventana emergente al conectar o desconectar los AirPods</translation>
    </message>
    <message>
        <source>Panel:</source>
        <translation>Panel:</translation>
    </message>
    <message>
        <source>Show the settings button in the panel</source>
        <translation>Mostrar el botón de configuración en el panel</translation>
    </message>
    <message>
        <source>Show the connect button in the panel</source>
        <translation>Mostrar el botón de conexión en el panel</translation>
    </message>
    <message>
        <source>Battery:</source>
        <translation>Batería:</translation>
    </message>
    <message>
        <source>Warn when AirPods battery is low</source>
        <translation>Avisar cuando la batería de los AirPods esté baja</translation>
    </message>
    <message>
        <source>Warn at or below</source>
        <translation>Avisar al llegar a</translation>
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
        <translation>Inicio:</translation>
    </message>
    <message>
        <source>Start Earlume at login</source>
        <translation>Iniciar Earlume al iniciar sesión</translation>
    </message>
    <message>
        <source>Media:</source>
        <translation>Multimedia:</translation>
    </message>
    <message>
        <source>Pause media when AirPods are taken out</source>
        <translation>Pausar la reproducción al quitarse los AirPods</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Estado</translation>
    </message>
    <message>
        <source>Checking whether Earlume is running…</source>
        <translation>Comprobando si Earlume se está ejecutando…</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Iniciar</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Detener</translation>
    </message>
    <message>
        <source>Could not save the settings: %1</source>
        <translation>No se pudo guardar la configuración: %1</translation>
    </message>
    <message>
        <source>Earlume is running, but this desktop shows no tray icons.</source>
        <translation>Earlume se está ejecutando, pero este escritorio no muestra iconos en la bandeja.</translation>
    </message>
    <message>
        <source>Earlume is running.</source>
        <translation>Earlume se está ejecutando.</translation>
    </message>
    <message>
        <source>Earlume isn&apos;t running.</source>
        <translation>Earlume no se está ejecutando.</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>En ejecución</translation>
    </message>
    <message>
        <source>Not running</source>
        <translation>Detenido</translation>
    </message>
    <message>
        <source>Nearby:</source>
        <translation>Cerca:</translation>
    </message>
    <message>
        <source>Connect AirPods when their case opens nearby</source>
        <translation>Conectar los AirPods al abrir su estuche cerca</translation>
    </message>
</context>
</TS>
