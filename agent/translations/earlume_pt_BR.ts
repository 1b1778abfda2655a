<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR">
<context>
    <name>AirpodsPanelModel</name>
    <message>
        <source>Battery %1 %</source>
        <translation>Bateria %1 %</translation>
    </message>
    <message>
        <source>Left %1 %</source>
        <translation>Esquerdo %1 %</translation>
    </message>
    <message>
        <source>Right %1 %</source>
        <translation>Direito %1 %</translation>
    </message>
    <message>
        <source>Case %1 %</source>
        <translation>Estojo %1 %</translation>
    </message>
    <message>
        <source>No battery reading</source>
        <translation>Sem leitura da bateria</translation>
    </message>
    <message>
        <source>, </source>
        <extracomment>Between the levels of the parts: &quot;Left 87 %, Right 91 %&quot;</extracomment>
        <translation>, </translation>
    </message>
    <message>
        <source>No Airpods</source>
        <translation>Nenhum AirPods</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Desconectados</translation>
    </message>
    <message>
        <source>%1 charging</source>
        <translation>%1 (carregando)</translation>
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
        <translation>Nenhum AirPods</translation>
    </message>
    <message>
        <source>Connect or disconnect</source>
        <translation>Conectar ou desconectar</translation>
    </message>
    <message>
        <source>Earlume settings</source>
        <translation>Configurações do Earlume</translation>
    </message>
    <message>
        <source>AirPods</source>
        <translation>AirPods</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Esquerdo</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Direito</translation>
    </message>
    <message>
        <source>Case</source>
        <translation>Estojo</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Desativado</translation>
    </message>
    <message>
        <source>Noise control off</source>
        <translation>Controle de ruído desativado</translation>
    </message>
    <message>
        <source>Cancelling</source>
        <translation>Cancelamento</translation>
    </message>
    <message>
        <source>Noise cancellation</source>
        <translation>Cancelamento de ruído</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>Transparência</translation>
    </message>
    <message>
        <source>Transparency</source>
        <translation>Modo transparência</translation>
    </message>
    <message>
        <source>Adaptive</source>
        <translation>Adaptativo</translation>
    </message>
    <message>
        <source>Noise control</source>
        <translation>Controle de ruído</translation>
    </message>
    <message>
        <source>The AirPods did not answer. Try again</source>
        <translation>Os AirPods não responderam. Tente novamente</translation>
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
        <translation>AirPods %1 por cento</translation>
    </message>
    <message>
        <source>Left AirPod %1 percent</source>
        <translation>AirPod esquerdo %1 por cento</translation>
    </message>
    <message>
        <source>Right AirPod %1 percent</source>
        <translation>AirPod direito %1 por cento</translation>
    </message>
    <message>
        <source>Case %1 percent</source>
        <translation>Estojo %1 por cento</translation>
    </message>
    <message>
        <source>, charging</source>
        <translation>, carregando</translation>
    </message>
    <message>
        <source>Heard nearby and matched only by model and signal strength: these levels may be another pair&apos;s</source>
        <translation>Detectados por perto e associados apenas pelo modelo e intensidade do sinal: estes níveis podem ser de outro par</translation>
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
        <translation>Configurações…</translation>
    </message>
    <message>
        <source>Quit Earlume</source>
        <translation>Sair do Earlume</translation>
    </message>
    <message>
        <source>AirPods connected</source>
        <translation>AirPods conectados</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>Nenhum AirPods conectado</translation>
    </message>
</context>
<context>
    <name>LowBatteryNotifier</name>
    <message>
        <source>Left AirPod at %1 %</source>
        <translation>AirPod esquerdo com %1 %</translation>
    </message>
    <message>
        <source>Right AirPod at %1 %</source>
        <translation>AirPod direito com %1 %</translation>
    </message>
    <message>
        <source>AirPods case at %1 %</source>
        <translation>Estojo dos AirPods com %1 %</translation>
    </message>
    <message>
        <source>AirPods at %1 %</source>
        <translation>AirPods com %1 %</translation>
    </message>
</context>
<context>
    <name>NewVersionAlert</name>
    <message>
        <source>Version %1 of Earlume is available, and you have %2. Do you want to download it?</source>
        <translation>O Earlume %1 está disponível e você tem a versão %2. Deseja baixá-la?</translation>
    </message>
    <message>
        <source>Earlume update</source>
        <translation>Atualização do Earlume</translation>
    </message>
    <message>
        <source>A new version is available</source>
        <translation>Uma nova versão está disponível</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Sim</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Não</translation>
    </message>
</context>
<context>
    <name>NoTrayNotice</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Configurações do Earlume</translation>
    </message>
    <message>
        <source>Earlume is running, but its icon cannot be shown</source>
        <translation>O Earlume está em execução, mas não pode mostrar seu ícone</translation>
    </message>
    <message>
        <source>This desktop shows no tray icons. On GNOME, install and turn on the AppIndicator extension (gnome-shell-extension-appindicator).</source>
        <translation>Este ambiente de trabalho não mostra ícones na bandeja do sistema. No GNOME, instale e ative a extensão AppIndicator (gnome-shell-extension-appindicator).</translation>
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
