// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/AirpodsPanelModel.h"
#include "fakes/Levels.h"

#include <QTest>

namespace
{
BluetoothDevice device(int n, bool connected, quint32 classOfDevice = AirpodsClassOfDevice)
{
    return {QStringLiteral("/dev_%1").arg(n), {}, QStringLiteral("Pods %1").arg(n), classOfDevice, true, connected, {}, {}, nullptr};
}

// The pairs as the pair list gives them (connected first), readings by device number.
QList<Pair> pairsOf(const QList<BluetoothDevice> &devices, const QList<BatteryState> &readings = {},
                    std::optional<NoiseMode> mode = std::nullopt)
{
    QList<Pair> pairs;
    for (const BluetoothDevice &device : devices) {
        pairs.append({device, readings.value(device.path.back().digitValue()), mode});
    }
    PairList::order(pairs, {});
    return pairs;
}

// The panel in one line: name, cover, each shown reading as "text/icon", button, the device it acts on, connected.
QString describe(const AirpodsPanelModel &model)
{
    const PanelState &s = model.state();
    QStringList parts{s.name, s.cover};
    for (const auto &[slot, text, icon] : {std::tuple{"global", &s.globalText, &s.globalIcon},
                                           {"left", &s.leftText, &s.leftIcon}, {"right", &s.rightText, &s.rightIcon},
                                           {"case", &s.caseText, &s.caseIcon}}) {
        if (!text->hidden || !icon->hidden) {
            parts << QLatin1String(slot) + u' ' + (text->hidden ? QStringLiteral("-") : text->content) + u'/'
                    + (icon->hidden ? QStringLiteral("-") : icon->content);
        }
    }
    parts << (s.buttonHidden ? QStringLiteral("no button") : s.buttonImage + u' ' + s.buttonTint.name())
          << model.airpodsDevice().value_or(QStringLiteral("no device"))
          << QLatin1String(model.areAirpodsConnected().value() ? "connected" : "not connected");
    return parts.join(QLatin1String(", "));
}
} // namespace

class TestAirpodsPanelModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void panelState_data()
    {
        QTest::addColumn<QList<BluetoothDevice>>("devices");
        QTest::addColumn<QList<BatteryState>>("readings"); // by device number
        QTest::addColumn<QString>("panel");
        const QString none = QStringLiteral("No Airpods, airpodsHudDisconnected, no button, no device, not connected");
        QTest::newRow("no devices") << QList<BluetoothDevice>() << QList<BatteryState>() << none;
        for (const quint32 other : {0x002540u, 0x240404u, 0x260418u, 0x240419u}) { // only 0x240418 is AirPods
            QTest::addRow("class %x", other) << QList{device(0, true, other)} << QList<BatteryState>() << none;
        }
        const auto row = [](const char *name, QList<BluetoothDevice> devices, QList<BatteryState> readings,
                            const char *panel) {
            QTest::newRow(name) << devices << readings << QString::fromUtf8(panel);
        };
        row("disconnected", {device(0, false)}, {},
            "Disconnected, airpodsHudDisconnected, view-refresh #9eb9ff, /dev_0, not connected");
        row("with case", {device(0, true)}, {levels(85, 90, 40)},
            "Pods 0, airpodsFullCover, global 87%/ok, case 40%/medium, process-stop #ff9e9e, /dev_0, connected");
        // The battery icon's thresholds, on either side: empty, bad from 10, medium from 40, ok from 60, good from 91.
        row("9 and 10", {device(0, true)}, {levels(9, 10, -1)},
            "Pods 0, airpodsHudAirpods, left 9%/empty, right 10%/bad, process-stop #ff9e9e, /dev_0, connected");
        row("39 and 40", {device(0, true)}, {levels(39, 40, -1)},
            "Pods 0, airpodsHudAirpods, left 39%/bad, right 40%/medium, process-stop #ff9e9e, /dev_0, connected");
        row("59 and 60", {device(0, true)}, {levels(59, 60, -1)},
            "Pods 0, airpodsHudAirpods, left 59%/medium, right 60%/ok, process-stop #ff9e9e, /dev_0, connected");
        row("90 and 91", {device(0, true)}, {levels(90, 91, -1)},
            "Pods 0, airpodsHudAirpods, left 90%/ok, right 91%/good, process-stop #ff9e9e, /dev_0, connected");
        // The button acts on the pair shown: the first connected one.
        row("the last one disconnected; no left bud", {device(1, false), device(0, true)}, {levels(-1, 100, -1)},
            "Pods 0, airpodsHudAirpods, left /noairpods, right 100%/good, process-stop #ff9e9e, /dev_0, connected");
        // 0 % is a reading; a missing level is none. A single battery (Battery1) stands for both buds.
        row("a bud at 0 %", {device(0, true)}, {levels(0, -1, -1)},
            "Pods 0, airpodsHudAirpods, left 0%/empty, right /noairpods, process-stop #ff9e9e, /dev_0, connected");
        row("a case alone", {device(0, true)}, {levels(-1, -1, 40)},
            "Pods 0, airpodsFullCover, global /noairpods, case 40%/medium, process-stop #ff9e9e, /dev_0, connected");
        BatteryState charging = levels(87, 91, 42);
        charging.right->charging = charging.caseBattery->charging = true;
        row("charging", {device(0, true)}, {charging},
            "Pods 0, airpodsFullCover, global 89% ⚡/ok, case 42% ⚡/medium, process-stop #ff9e9e, /dev_0, connected");
        charging.caseBattery.reset();
        row("a bud charging", {device(0, true)}, {charging},
            "Pods 0, airpodsHudAirpods, left 87%/ok, right 91% ⚡/good, process-stop #ff9e9e, /dev_0, connected");
        BatteryState single;
        single.single = BatteryLevel{50, false};
        row("single battery, model unknown", {device(0, true)}, {single},
            "Pods 0, airpodsHudAirpods, global 50%/medium, process-stop #ff9e9e, /dev_0, connected");
        // Over-ear headphones: one row and their own picture, whatever a source put in a bud's or the case's place.
        BluetoothDevice max = device(0, true);
        max.model = AirpodsModels::byProductId(0x201F);
        row("AirPods Max", {max}, {levels(90, 0, 0).shapedFor(max.model)},
            "Pods 0, airpodsOverEar, global 90%/ok, process-stop #ff9e9e, /dev_0, connected");
        // The first connected pair is the panel's own (the others are stacked below it). A bud without a reading
        // does not halve the pair's level.
        row("two connected", {device(1, true, 0), device(0, true), device(2, true)}, {levels(-1, 9, 100), {}, levels(90, 90, 90)},
            "Pods 0, airpodsFullCover, global 9%/empty, case 100%/good, process-stop #ff9e9e, /dev_0, connected");
        // Levels matched to the pair only by model and strength are marked: they may be a stranger's.
        BatteryState matched = levels(80, 70, -1);
        matched.origin = BatteryOrigin::Advertisement;
        row("matched advertisement", {device(0, true)}, {matched},
            "Pods 0, airpodsHudAirpods, left ≈80%/ok, right ≈70%/ok, process-stop #ff9e9e, /dev_0, connected");
    }
    // The modes offered (0 off ... 3 adaptive, the current one starred) by model, and when a mode was reported.
    void noiseControlRow_data()
    {
        QTest::addColumn<quint16>("product");
        QTest::addColumn<std::optional<NoiseMode>>("reported");
        QTest::addColumn<QString>("row");
        const auto row = [](const char *name, quint16 product, std::optional<NoiseMode> reported, const char *r) {
            QTest::newRow(name) << product << reported << QString::fromLatin1(r);
        };
        row("AirPods Pro 2", 0x2014, NoiseMode::Transparency, "0 1 2* 3");
        row("nothing reported", 0x2014, std::nullopt, "");
        row("AirPods Max USB-C", 0x201F, NoiseMode::Off, "0* 1 2");
        row("AirPods 4", 0x2019, NoiseMode::Off, "");
        row("AirPods 4 noise cancelling", 0x201B, NoiseMode::Off, "0* 1 2 3");
        row("unknown model", 0, NoiseMode::Transparency, "0 1 2*");
        row("unknown model, adaptive", 0x20FF, NoiseMode::Adaptive, "0 1 2 3*");
    }
    void noiseControlRow()
    {
        QFETCH(quint16, product);
        QFETCH(std::optional<NoiseMode>, reported);
        BluetoothDevice pods = device(0, true);
        pods.model = AirpodsModels::byProductId(product);
        AirpodsPanelModel model;
        model.getAirpodsInfos(pairsOf({pods}, {levels(50, 50, 50)}, reported));
        QStringList modes;
        for (const NoiseMode mode : model.state().noiseModes) {
            modes << QString::number(int(mode)) + (model.state().noiseMode == mode ? "*" : "");
        }
        QTEST(modes.join(u' '), "row");
    }

    void panelState()
    {
        QFETCH(QList<BluetoothDevice>, devices);
        QFETCH(QList<BatteryState>, readings);
        AirpodsPanelModel model;
        // Each row starts from a full panel, so what it hides must really be hidden.
        model.getAirpodsInfos({{device(9, true), levels(50, 50, 50), std::nullopt}});
        model.getAirpodsInfos(pairsOf(devices, readings));
        QTEST(describe(model), "panel");
    }

    // A heads-up window or a card shows its one pair, connected or not; the pair list keeps connection order.
    void onePairShownAndTheListsOrder()
    {
        AirpodsPanelModel model;
        const QList<Pair> pairs = pairsOf({device(0, true), device(1, false), device(2, true)}, {levels(10, 10, 10)});
        model.getAirpodsInfos(pairs, QStringLiteral("/dev_2"));
        QCOMPARE(describe(model), "Pods 2, airpodsHudAirpods, left /noairpods, right /noairpods, process-stop #ff9e9e, "
                                  "/dev_2, connected");
        model.getAirpodsInfos(pairs, QStringLiteral("/dev_1"));
        QCOMPARE(describe(model), "Disconnected, airpodsHudDisconnected, view-refresh #9eb9ff, /dev_1, not connected");

        QList<Pair> ordered = pairsOf({device(0, false), device(1, true), device(2, true), device(3, true)});
        PairList::order(ordered, {QStringLiteral("/dev_3"), QStringLiteral("/dev_1")});
        QStringList paths;
        for (const Pair &pair : ordered) {
            paths << pair.path();
        }
        // Connected before the agent started (2), then as they connected (3, 1), then the rest.
        QCOMPARE(paths, QStringList({"/dev_2", "/dev_3", "/dev_1", "/dev_0"}));
    }

    void toolTipNamesThePairShownAndItsLevels()
    {
        BatteryState caseCharging;
        caseCharging.caseBattery = BatteryLevel{60, true};
        const QList<BatteryState> readings{{}, levels(87, 91, 42), {}, caseCharging};
        const auto tip = [&](const QList<BluetoothDevice> &devices) {
            const auto [title, text] = AirpodsPanelModel::toolTip(pairsOf(devices, readings));
            return QString(title + u'|' + text);
        };
        QCOMPARE(tip({device(0, true, 0x240404)}), QStringLiteral("Earlume|No Airpods"));
        QCOMPARE(tip({device(0, false)}), QStringLiteral("Earlume|Disconnected"));
        QCOMPARE(tip({device(1, true), device(2, false)}), QStringLiteral("Pods 1|Left 87 %, Right 91 %, Case 42 %"));
        QCOMPARE(tip({device(1, true), device(2, true), device(0, false)}),
                 QStringLiteral("Earlume|Pods 1: Left 87 %, Right 91 %, Case 42 %\nPods 2: No battery reading"));
        QCOMPARE(tip({device(3, true)}), QStringLiteral("Pods 3|Case 60 % charging"));
    }
};

QTEST_GUILESS_MAIN(TestAirpodsPanelModel)
#include "TestAirpodsPanelModel.moc"
