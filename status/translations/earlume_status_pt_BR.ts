<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR">
<context>
    <name>StatusReport</name>
    <message>
        <source>Earlume is not running</source>
        <translation>O Earlume não está em execução</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>Nenhum AirPods conectado</translation>
    </message>
    <message>
        <source> (charging)</source>
        <translation> (carregando)</translation>
    </message>
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
        <source>connected</source>
        <translation>conectados</translation>
    </message>
    <message>
        <source>nearby</source>
        <translation>por perto</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>não conectados</translation>
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
        <translation>Nenhum AirPods</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Prints the AirPods&apos; battery levels as Earlume knows them. Without --waybar or --format, one JSON object.</source>
        <translation>Mostra os níveis de bateria dos AirPods como o Earlume os conhece. Sem --waybar ou --format, um objeto JSON.</translation>
    </message>
    <message>
        <source>Print once and exit, instead of a line per change.</source>
        <translation>Mostrar uma vez e sair, em vez de uma linha por mudança.</translation>
    </message>
    <message>
        <source>Print waybar custom-module objects.</source>
        <translation>Mostrar objetos de módulo personalizado do waybar.</translation>
    </message>
    <message>
        <source>Print lines of &lt;format&gt;, with {name} {left} {right} {case} {lowest} {class}.</source>
        <translation>Mostrar linhas no &lt;format&gt;, com {name} {left} {right} {case} {lowest} {class}.</translation>
    </message>
    <message>
        <source>Print every paired AirPods, one line each: connected, seen nearby (with its levels) or not connected; then exit.</source>
        <translation>Mostra cada par de AirPods emparelhado, um por linha: conectado, visto por perto (com os níveis) ou não conectado; depois sai.</translation>
    </message>
    <message>
        <source>Speak of the AirPods with this Bluetooth address only, instead of the pair the panel shows first.</source>
        <translation>Informar apenas os AirPods com este endereço Bluetooth, em vez do par que o painel mostra primeiro.</translation>
    </message>
    <message>
        <source>Not a Bluetooth address: &quot;%1&quot; (expected one like AA:BB:CC:DD:EE:FF)</source>
        <translation>Não é um endereço Bluetooth: “%1” (esperado algo como AA:BB:CC:DD:EE:FF)</translation>
    </message>
</context>
</TS>
