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

#include <memory>

using ManufacturerData = QMap<quint16, QByteArray>;

namespace
{
const QString Adapter = QStringLiteral("/org/bluez/hci0");

// A paired proximity pairing message of AirPods Pro 2 unless said otherwise, levels in tens of percent.
ManufacturerData frame(int left, int right, int caseLevel, quint16 model = 0x1420, quint16 company = 0x004C)
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
    std::chrono::milliseconds m_clockOffset{0};
    const QString m_us = DBusHelper::systemBus().baseService();

    void addAirpods(bool connected) // AirPods Pro 2 with Battery1 at 50 %
    {
        m_airpods = BluezMock::addDevice(QStringLiteral("AC:90:85:00:00:01"), QStringLiteral("AirPods Pro"),
                                         AirpodsClassOfDevice, true, connected);
        BluezMock::call(QStringLiteral("SetModalias"), {m_airpods, QStringLiteral("bluetooth:v004Cp2014d0001")});
        BluezMock::setBattery(m_airpods, 50);
    }
    BatteryReadings readings() const { return m_bluetooth->batteryReadings(m_airpods); }

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
        m_clockOffset = {};
        m_source->setClock([this] { return AdvertisementBatterySource::bootTime() + m_clockOffset; });
        m_bluetooth->addBatterySource(m_source.get());
        QTRY_VERIFY(m_bluetooth->adapters().contains(Adapter));
    }

    void discoveryRunsOnlyWhileAirpodsAreConnected()
    {
        // Another program's session, a second adapter and a connected headset that is no AirPods.
        QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SystemBus, QStringLiteral("other"));
        const auto otherDiscovery = [&other](const QString &method) {
            TestEnvironment::call(other, QStringLiteral("org.bluez"), Adapter, QStringLiteral("org.bluez.Adapter1"),
                                  method);
        };
        otherDiscovery(QStringLiteral("StartDiscovery"));
        BluezMock::addAdapter(QStringLiteral("hci1"));
        BluezMock::addDevice(QStringLiteral("00:11:22:33:44:55"), QStringLiteral("Headset"), 0x240404, true, true);
        addAirpods(false);
        QTRY_COMPARE(m_bluetooth->allDevices().size(), 2);
        QVERIFY(m_source->discovery()->wantedAdapters().isEmpty());
        BluezMock::setConnected(m_airpods, true);
        QTRY_COMPARE(sessions().size(), 2);
        QCOMPARE(m_source->discovery()->discoveringAdapters(), QStringList{Adapter});
        const QDBusMessage filter = BluezMock::call(QStringLiteral("GetDiscoveryFilter"));
        QCOMPARE(qdbus_cast<QVariantMap>(filter.arguments().value(0)),
                 (QVariantMap{{QStringLiteral("Transport"), QStringLiteral("le")},
                              {QStringLiteral("DuplicateData"), true}}));
        BluezMock::setConnected(m_airpods, false);
        QTRY_COMPARE(sessions(), QStringList{other.baseService()});
        BluezMock::setConnected(m_airpods, true);
        QTRY_COMPARE(sessions().size(), 2);
        otherDiscovery(QStringLiteral("StopDiscovery"));
        QCOMPARE(sessions(), QStringList{m_us});
        m_source.reset(); // ends its own session
        QTRY_COMPARE(sessions(), QStringList());
        QDBusConnection::disconnectFromBus(QStringLiteral("other"));
    }

    void refusedDiscoveryIsTriedOnTheNextConnection()
    {
        BluezMock::call(QStringLiteral("SetDiscoveryRefused"), {true});
        addAirpods(true);
        QTRY_COMPARE(m_source->discovery()->wantedAdapters(), QStringList{Adapter});
        QTRY_COMPARE(readings(), (BatteryReadings{50, 50, 0}));
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
        const BatteryReadings battery1{50, 50, 0};
        QTest::newRow("matching") << frame(8, 9, 7) << qint16(-45) << BatteryReadings{80, 90, 70};
        QTest::newRow("weak signal") << frame(8, 9, 7) << qint16(-75) << battery1;
        QTest::newRow("AirPods Max, not the Modalias' Pro 2") << frame(8, 9, 7, 0x0A20) << qint16(-45) << battery1;
        QTest::newRow("other company") << frame(8, 9, 7, 0x1420, 0x0006) << qint16(-45) << battery1;
    }
    void advertisementGivesTheLevels()
    {
        QFETCH(ManufacturerData, data);
        QFETCH(qint16, rssi);
        QFETCH(BatteryReadings, expected);
        addAirpods(true);
        QTRY_COMPARE(readings(), (BatteryReadings{50, 50, 0}));
        const QDBusMessage added = BluezMock::call(QStringLiteral("AddLEDevice"),
                                                   {QStringLiteral("hci0"), QStringLiteral("4C:11:22:33:44:01"),
                                                    QVariant::fromValue(data), QVariant::fromValue(rssi)});
        const QString heard = added.arguments().value(0).value<QDBusObjectPath>().path();
        QTRY_COMPARE(m_bluetooth->rssi(heard), std::optional<qint16>(rssi));
        QCOMPARE(readings(), expected);
        // The next message from the same pair replaces it at once, and counts until it is too old.
        BluezMock::call(QStringLiteral("UpdateAdvertisement"),
                        {heard, QVariant::fromValue(frame(6, 5, 4)), QVariant::fromValue(qint16(-44))});
        QTRY_COMPARE(readings(), (BatteryReadings{60, 50, 40}));
        m_clockOffset = AdvertisementMatch::MaximumAge - std::chrono::milliseconds(300);
        m_source->refreshAges();
        QCOMPARE(readings(), (BatteryReadings{60, 50, 40}));
        QTRY_COMPARE(readings(), (BatteryReadings{50, 50, 0}));
    }
};

QTEST_GUILESS_MAIN(TestAdvertisementBatterySource)
#include "TestAdvertisementBatterySource.moc"
