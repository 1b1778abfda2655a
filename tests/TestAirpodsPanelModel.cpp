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
        // The battery icon's thresholds, on either side: empty, bad from 10, medium from 40, ok from 60, good from 91.
        for (const auto &[left, right, icons] : {std::tuple{9, 10, "empty bad"}, {39, 40, "bad medium"},
                                                 {59, 60, "medium ok"}, {90, 91, "ok good"}}) {
            const QStringList icon = QString::fromLatin1(icons).split(u' ');
            QTest::addRow("%d and %d", left, right) << QList{device(0, true)} << QList{BatteryReadings{left, right, 0}}
                << QStringLiteral("Pods 0, airpodsHudAirpods, left %1%/%2, right %3%/%4, process-stop #ff9e9e, /dev_0, "
                                  "connected").arg(QString::number(left), icon[0], QString::number(right), icon[1]);
        }
        row("no case, left missing", {device(0, true)}, {{0, 100, 0}},
            "Pods 0, airpodsHudAirpods, left /noairpods, right 100%/good, process-stop #ff9e9e, /dev_0, connected");
        // The button acts on the last AirPods; each connected pair is drawn in turn, so the last one stays.
        row("the last one disconnected", {device(0, true), device(1, false)}, {{-1, 55, 0}},
            "Pods 0, airpodsHudAirpods, left /noairpods, right 55%/medium, process-stop #ff9e9e, /dev_1, connected");
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
