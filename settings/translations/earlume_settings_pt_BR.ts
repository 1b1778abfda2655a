<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Configurações do Earlume</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Arquivo</translation>
    </message>
    <message>
        <source>&amp;Close Window</source>
        <translation>&amp;Fechar janela</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>Sai&amp;r</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>Aj&amp;uda</translation>
    </message>
    <message>
        <source>&amp;About Earlume</source>
        <translation>&amp;Sobre o Earlume</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Sobre o %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Versão %1</translation>
    </message>
    <message>
        <source>Shows the battery levels of your AirPods in the system tray.</source>
        <translation>Mostra o nível de bateria dos seus AirPods na bandeja do sistema.</translation>
    </message>
</context>
<context>
    <name>ViewController</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Configurações do Earlume</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Opções</translation>
    </message>
    <message>
        <source>Tray icon:</source>
        <translation>Ícone:</translation>
    </message>
    <message>
        <source>Hide the tray icon while no AirPods are connected</source>
        <translation>Ocultar o ícone enquanto nenhum AirPods estiver conectado</translation>
    </message>
    <message>
        <source>Connections:</source>
        <translation>Conexões:</translation>
    </message>
    <message>
        <source>Show a heads-up window when AirPods connect or disconnect</source>
        <translation>Mostrar uma janela de aviso quando os AirPods conectarem ou desconectarem</translation>
    </message>
    <message>
        <source>Panel:</source>
        <translation>Painel:</translation>
    </message>
    <message>
        <source>Show the settings button in the panel</source>
        <translation>Mostrar o botão de configurações no painel</translation>
    </message>
    <message>
        <source>Show the connect button in the panel</source>
        <translation>Mostrar o botão de conexão no painel</translation>
    </message>
    <message>
        <source>Battery:</source>
        <translation>Bateria:</translation>
    </message>
    <message>
        <source>Warn when AirPods battery is low</source>
        <translation>Avisar quando a bateria dos AirPods estiver fraca</translation>
    </message>
    <message>
        <source>Warn at or below</source>
        <translation>Avisar em ou abaixo de</translation>
    </message>
    <message>
        <source>at </source>
        <translation>em </translation>
    </message>
    <message>
        <source> %</source>
        <translation> %</translation>
    </message>
    <message>
        <source>Startup:</source>
        <translation>Inicialização:</translation>
    </message>
    <message>
        <source>Start Earlume at login</source>
        <translation>Iniciar o Earlume ao entrar na sessão</translation>
    </message>
    <message>
        <source>Media:</source>
        <translation>Mídia:</translation>
    </message>
    <message>
        <source>Pause media when AirPods are taken out</source>
        <translation>Pausar a mídia ao tirar os AirPods</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Checking whether Earlume is running…</source>
        <translation>Verificando se o Earlume está em execução…</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Iniciar</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Parar</translation>
    </message>
    <message>
        <source>Could not save the settings: %1</source>
        <translation>Não foi possível salvar as configurações: %1</translation>
    </message>
    <message>
        <source>Earlume is running, but this desktop shows no tray icons.</source>
        <translation>O Earlume está em execução, mas este ambiente não mostra ícones na bandeja.</translation>
    </message>
    <message>
        <source>Earlume is running.</source>
        <translation>O Earlume está em execução.</translation>
    </message>
    <message>
        <source>Earlume isn&apos;t running.</source>
        <translation>O Earlume não está em execução.</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>Em execução</translation>
    </message>
    <message>
        <source>Not running</source>
        <translation>Parado</translation>
    </message>
    <message>
        <source>Nearby:</source>
        <translation>Por perto:</translation>
    </message>
    <message>
        <source>Connect AirPods when their case opens nearby</source>
        <translation>Conectar os AirPods quando o estojo for aberto por perto</translation>
    </message>
</context>
</TS>
