// SPDX-License-Identifier: GPL-3.0-or-later
#include "AirpodsPanelModel.h"
#include "fakes/FakeBluetoothService.h"

#include <QTest>

namespace
{
BluetoothDevice device(int n, bool connected, quint32 classOfDevice = AirpodsClassOfDevice)
{
    return FakeBluetoothService::pairedDevice(QStringLiteral("/dev_%1").arg(n), QStringLiteral("Pods %1").arg(n),
                                              classOfDevice, connected);
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
    parts << (s.buttonHidden ? QStringLiteral("no button") : s.buttonImage + u' ' + s.buttonTint.name());
    parts << model.airpodsDevice().value_or(QStringLiteral("no device"))
          << QLatin1String(model.areAirpodsConnected().value() ? "connected" : "not connected");
    return parts.join(QLatin1String(", "));
}
} // namespace

class TestAirpodsPanelModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void batteryIconThresholds_data()
    {
        QTest::addColumn<qint64>("level");
        QTest::addColumn<QString>("icon");
        const std::pair<int, const char *> rows[] = {{0, "empty"}, {9, "empty"}, {10, "bad"}, {39, "bad"},
            {40, "medium"}, {59, "medium"}, {60, "ok"}, {90, "ok"}, {91, "good"}, {100, "good"}};
        for (const auto &[level, icon] : rows) {
            QTest::addRow("%d", level) << qint64(level) << QString::fromLatin1(icon);
        }
    }
    void batteryIconThresholds()
    {
        QFETCH(qint64, level);
        QTEST(AirpodsPanelModel::batteryIconName(level), "icon");
    }

    void panelState_data()
    {
        QTest::addColumn<QList<BluetoothDevice>>("devices");
        QTest::addColumn<QList<BatteryReadings>>("readings"); // by device number
        QTest::addColumn<QString>("panel");
        const QString none = QStringLiteral("No Airpods, airpodsHudDisconnected, no button, no device, not connected");
        QTest::newRow("no devices") << QList<BluetoothDevice>() << QList<BatteryReadings>() << none;
        for (const quint32 other : {0x002540u, 0x240404u, 0x260418u, 0x240419u}) { // AirPods are 0x240418 exactly
            QTest::addRow("class %x", other) << QList{device(0, true, other)} << QList<BatteryReadings>() << none;
        }
        const auto row = [](const char *name, QList<BluetoothDevice> devices, QList<BatteryReadings> readings,
                            const char *panel) { QTest::newRow(name) << devices << readings << QString::fromUtf8(panel); };
        row("disconnected", {device(0, false)}, {},
            "Disconnected, airpodsHudDisconnected, view-refresh #9eb9ff, /dev_0, not connected");
        row("with case", {device(0, true)}, {{85, 90, 40}},
            "Pods 0, airpodsFullCover, global 87%/ok, case 40%/medium, process-stop #ff9e9e, /dev_0, connected");
        row("no case, left missing", {device(0, true)}, {{0, 55, 0}},
            "Pods 0, airpodsHudAirpods, left /noairpods, right 55%/medium, process-stop #ff9e9e, /dev_0, connected");
        row("no case, right negative", {device(0, true)}, {{100, -1, 0}},
            "Pods 0, airpodsHudAirpods, left 100%/good, right /noairpods, process-stop #ff9e9e, /dev_0, connected");
        // The button acts on the last AirPods; each connected pair is drawn in turn, so the last one stays.
        row("the last one disconnected", {device(0, true), device(1, false)}, {{10, 39, 0}},
            "Pods 0, airpodsHudAirpods, left 10%/bad, right 39%/bad, process-stop #ff9e9e, /dev_1, connected");
        row("two connected", {device(0, true), device(1, true, 0), device(2, true)}, {{90, 90, 90}, {}, {0, 9, 100}},
            "Pods 2, airpodsFullCover, global 4%/empty, case 100%/good, process-stop #ff9e9e, /dev_2, connected");
    }
    void panelState()
    {
        QFETCH(QList<BluetoothDevice>, devices);
        QFETCH(QList<BatteryReadings>, readings);
        AirpodsPanelModel model;
        // Each row starts from a full panel, so what it hides must really be hidden.
        model.getAirpodsInfos({device(9, true)}, [](const auto &) { return BatteryReadings{50, 50, 50}; });
        model.getAirpodsInfos(devices, [&](const auto &d) { return readings.value(d.path.back().digitValue()); });
        QTEST(describe(model), "panel");
    }
};

QTEST_GUILESS_MAIN(TestAirpodsPanelModel)
#include "TestAirpodsPanelModel.moc"
