<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl">
<context>
    <name>AirpodsPanelModel</name>
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
        <source>No Airpods</source>
        <translation>Brak AirPods</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Rozłączone</translation>
    </message>
    <message>
        <source>%1 charging</source>
        <translation>%1 (ładuje się)</translation>
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
        <translation>Brak AirPods</translation>
    </message>
    <message>
        <source>Connect or disconnect</source>
        <translation>Połącz lub rozłącz</translation>
    </message>
    <message>
        <source>Earlume settings</source>
        <translation>Ustawienia Earlume</translation>
    </message>
    <message>
        <source>AirPods</source>
        <translation>AirPods</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Lewa</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Prawa</translation>
    </message>
    <message>
        <source>Case</source>
        <translation>Etui</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Wył.</translation>
    </message>
    <message>
        <source>Noise control off</source>
        <translation>Kontrola hałasu wyłączona</translation>
    </message>
    <message>
        <source>Cancelling</source>
        <translation>Redukcja</translation>
    </message>
    <message>
        <source>Noise cancellation</source>
        <translation>Aktywna redukcja hałasu</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>Kontakt</translation>
    </message>
    <message>
        <source>Transparency</source>
        <translation>Tryb kontaktu</translation>
    </message>
    <message>
        <source>Adaptive</source>
        <translation>Adaptacyjny</translation>
    </message>
    <message>
        <source>Noise control</source>
        <translation>Kontrola hałasu</translation>
    </message>
    <message>
        <source>The AirPods did not answer. Try again</source>
        <translation>AirPods nie odpowiedziały. Spróbuj ponownie</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Rozłącz</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Połącz</translation>
    </message>
    <message>
        <source>AirPods %1 percent</source>
        <translation>AirPods %1 procent</translation>
    </message>
    <message>
        <source>Left AirPod %1 percent</source>
        <translation>Lewy AirPod %1 procent</translation>
    </message>
    <message>
        <source>Right AirPod %1 percent</source>
        <translation>Prawy AirPod %1 procent</translation>
    </message>
    <message>
        <source>Case %1 percent</source>
        <translation>Etui %1 procent</translation>
    </message>
    <message>
        <source>, charging</source>
        <translation>, ładuje się</translation>
    </message>
    <message>
        <source>Heard nearby and matched only by model and signal strength: these levels may be another pair&apos;s</source>
        <translation>Wykryte w pobliżu i dopasowane tylko po modelu i sile sygnału: te poziomy mogą należeć do innej pary</translation>
    </message>
    <message>
        <source>, estimated</source>
        <translation>, szacunkowo</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Settings…</source>
        <translation>Ustawienia…</translation>
    </message>
    <message>
        <source>Quit Earlume</source>
        <translation>Zakończ Earlume</translation>
    </message>
    <message>
        <source>AirPods connected</source>
        <translation>AirPods połączone</translation>
    </message>
    <message>
        <source>No AirPods connected</source>
        <translation>Brak połączonych AirPods</translation>
    </message>
</context>
<context>
    <name>LowBatteryNotifier</name>
    <message>
        <source>Left AirPod at %1 %</source>
        <translation>Lewy AirPod: %1 %</translation>
    </message>
    <message>
        <source>Right AirPod at %1 %</source>
        <translation>Prawy AirPod: %1 %</translation>
    </message>
    <message>
        <source>AirPods case at %1 %</source>
        <translation>Etui AirPods: %1 %</translation>
    </message>
    <message>
        <source>AirPods at %1 %</source>
        <translation>AirPods: %1 %</translation>
    </message>
</context>
<context>
    <name>NewVersionAlert</name>
    <message>
        <source>Version %1 of Earlume is available, and you have %2. Do you want to download it?</source>
        <translation>Dostępna jest wersja %1 Earlume, a masz wersję %2. Czy chcesz ją pobrać?</translation>
    </message>
    <message>
        <source>Earlume update</source>
        <translation>Aktualizacja Earlume</translation>
    </message>
    <message>
        <source>A new version is available</source>
        <translation>Dostępna jest nowa wersja</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Tak</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nie</translation>
    </message>
</context>
<context>
    <name>NoTrayNotice</name>
    <message>
        <source>Earlume Settings</source>
        <translation>Ustawienia Earlume</translation>
    </message>
    <message>
        <source>Earlume is running, but its icon cannot be shown</source>
        <translation>Earlume działa, ale nie może pokazać swojej ikony</translation>
    </message>
    <message>
        <source>This desktop shows no tray icons. On GNOME, install and turn on the AppIndicator extension (gnome-shell-extension-appindicator).</source>
        <translation>To środowisko nie pokazuje ikon w zasobniku systemowym. W GNOME zainstaluj i włącz rozszerzenie AppIndicator (gnome-shell-extension-appindicator).</translation>
    </message>
</context>
<context>
    <name>StatusNotifierItem</name>
    <message>
        <source>Show AirPods</source>
        <translation>Pokaż AirPods</translation>
    </message>
</context>
</TS>
