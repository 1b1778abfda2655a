// SPDX-License-Identifier: GPL-3.0-or-later
// Battery levels from overheard advertisements, and the discovery session that hears them, against the simulated
// bluetoothd on a private system bus.
#include "DBusHelper.h"
#include "battery/AdvertisementBatterySource.h"
#include "bluetooth/BluezBluetoothService.h"
#include "bluetooth/BluezDiscovery.h"
#include "support/TestEnvironment.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QTest>

#include <memory>

using ManufacturerData = QMap<quint16, QByteArray>;

namespace
{
const QString Adapter = QStringLiteral("/org/bluez/hci0");
constexpr auto Pro2 = quint16(ProximityPairing::AirPodsModel::AirPodsPro2);

// A paired proximity pairing message, left bud primary, levels in tens of percent.
ManufacturerData frame(int left, int right, int caseLevel, quint16 model = Pro2, quint16 company = 0x004C)
{
    return {{company, QByteArray::fromHex("071901") + char(model >> 8) + char(model & 0xFF) + char(0x20)
                          + char(right << 4 | left) + char(caseLevel) + char(0x31) + QByteArray(18, '\0')}};
}

QStringList sessions()
{
    return BluezMock::call(QStringLiteral("GetDiscoverySessions")).arguments().value(0).toStringList();
}
} // namespace

class TestAdvertisementBatterySource : public QObject
{
    Q_OBJECT

    std::unique_ptr<BluezBluetoothService> m_bluetooth;
    std::unique_ptr<AdvertisementBatterySource> m_source;
    QString m_airpods;
    const QString m_us = DBusHelper::systemBus().baseService();

    void addAirpods(bool connected) // AirPods Pro 2 with Battery1 at 50 %
    {
        m_airpods = BluezMock::addDevice(QStringLiteral("AC:90:85:00:00:01"), QStringLiteral("AirPods Pro"),
                                         AirpodsClassOfDevice, true, connected);
        BluezMock::call(QStringLiteral("SetModalias"), {m_airpods, QStringLiteral("bluetooth:v004Cp2014d0001")});
        BluezMock::setBattery(m_airpods, 50);
    }

private Q_SLOTS:
    void initTestCase() { qDBusRegisterMetaType<ManufacturerData>(); }

    void init()
    {
        m_source.reset();
        m_bluetooth.reset();
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("restart-bluez")));
        BluezMock::addAdapter();
        m_bluetooth = std::make_unique<BluezBluetoothService>(DBusHelper::systemBus());
        m_source = std::make_unique<AdvertisementBatterySource>(m_bluetooth.get(), DBusHelper::systemBus());
        m_bluetooth->addBatterySource(m_source.get());
        QTRY_VERIFY(m_bluetooth->adapters().contains(Adapter));
    }

    void discoveryRunsOnlyWhileAirpodsAreConnected()
    {
        // Another program's session, a second adapter and a connected headset that is no AirPods.
        QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SystemBus, QStringLiteral("other"));
        const auto otherDiscovery = [&other](const QString &method) {
            TestEnvironment::call(other, QStringLiteral("org.bluez"), Adapter, QStringLiteral("org.bluez.Adapter1"), method);
        };
        otherDiscovery(QStringLiteral("StartDiscovery"));
        const QString hci1 = BluezMock::addAdapter(QStringLiteral("hci1"));
        BluezMock::addDevice(QStringLiteral("00:11:22:33:44:55"), QStringLiteral("Headset"), 0x240404, true, true);
        addAirpods(false);
        QTRY_COMPARE(m_bluetooth->allDevices().size(), 2);
        QVERIFY(m_source->discovery()->wantedAdapters().isEmpty());
        BluezMock::setConnected(m_airpods, true);
        QTRY_COMPARE(sessions().size(), 2);
        QCOMPARE(m_source->discovery()->discoveringAdapters(), QStringList{Adapter});
        const auto filter = qdbus_cast<QVariantMap>(
            BluezMock::call(QStringLiteral("GetDiscoveryFilter")).arguments().value(0).value<QDBusArgument>());
        QCOMPARE(filter, (QVariantMap{{QStringLiteral("Transport"), QStringLiteral("le")},
                                      {QStringLiteral("DuplicateData"), true}}));
        QVERIFY(!BluezMock::properties(hci1, QStringLiteral("org.bluez.Adapter1")).value(QStringLiteral("Discovering")).toBool());
        BluezMock::setConnected(m_airpods, false);
        QTRY_COMPARE(sessions(), QStringList{other.baseService()});
        BluezMock::setConnected(m_airpods, true);
        QTRY_COMPARE(sessions().size(), 2);
        otherDiscovery(QStringLiteral("StopDiscovery"));
        QCOMPARE(sessions(), QStringList{m_us});
        // Destroyed while AirPods are connected, the source ends its own session.
        m_source.reset();
        QTRY_COMPARE(sessions(), QStringList());
        QDBusConnection::disconnectFromBus(QStringLiteral("other"));
    }

    void refusedDiscoveryIsTriedOnTheNextConnection()
    {
        BluezMock::call(QStringLiteral("SetDiscoveryRefused"), {true});
        addAirpods(true);
        QTRY_VERIFY(!m_source->discovery()->wantedAdapters().isEmpty());
        QTRY_COMPARE(m_bluetooth->batteryReadings(m_airpods), (BatteryReadings{50, 50, 0}));
        BluezMock::call(QStringLiteral("SetDiscoveryRefused"), {false});
        BluezMock::setConnected(m_airpods, false);
        BluezMock::setConnected(m_airpods, true);
        QTRY_COMPARE(sessions(), QStringList{m_us});
    }

    void advertisementGivesTheLevels_data()
    {
        QTest::addColumn<ManufacturerData>("data");
        QTest::addColumn<qint16>("rssi");
        QTest::addColumn<BatteryReadings>("expected");
        const auto max = quint16(ProximityPairing::AirPodsModel::AirPodsMax);
        QTest::newRow("matching") << frame(8, 9, 7) << qint16(-45) << BatteryReadings{80, 90, 70};
        QTest::newRow("weak signal") << frame(8, 9, 7) << qint16(-75) << BatteryReadings{50, 50, 0};
        QTest::newRow("other model than the Modalias") << frame(8, 9, 7, max) << qint16(-45) << BatteryReadings{50, 50, 0};
        QTest::newRow("other company") << frame(8, 9, 7, Pro2, 0x0006) << qint16(-45) << BatteryReadings{50, 50, 0};
    }
    void advertisementGivesTheLevels()
    {
        QFETCH(ManufacturerData, data);
        QFETCH(qint16, rssi);
        QFETCH(BatteryReadings, expected);
        addAirpods(true);
        QTRY_COMPARE(m_bluetooth->batteryReadings(m_airpods), (BatteryReadings{50, 50, 0}));
        const QString heard = BluezMock::call(QStringLiteral("AddLEDevice"), {QStringLiteral("hci0"), QStringLiteral("4C:11:22:33:44:01"), QVariant::fromValue(data), QVariant::fromValue(rssi)}).arguments().value(0).value<QDBusObjectPath>().path();
        QTRY_COMPARE(m_bluetooth->rssi(heard), std::optional<qint16>(rssi));
        QCOMPARE(m_bluetooth->batteryReadings(m_airpods), expected);
        // The next message from the same pair replaces it at once.
        BluezMock::call(QStringLiteral("UpdateAdvertisement"),
                        {heard, QVariant::fromValue(frame(6, 5, 4)), QVariant::fromValue(qint16(-44))});
        QTRY_COMPARE(m_bluetooth->batteryReadings(m_airpods), (BatteryReadings{60, 50, 40}));
    }
};

QTEST_GUILESS_MAIN(TestAdvertisementBatterySource)
#include "TestAdvertisementBatterySource.moc"
