// SPDX-License-Identifier: GPL-3.0-or-later
// Battery levels from overheard advertisements, against a simulated bluetoothd on a private system bus.
#include "DBusHelper.h"
#include "battery/AdvertisementBatterySource.h"
#include "bluetooth/BluezBluetoothService.h"
#include "bluetooth/BluezDiscovery.h"
#include "support/TestEnvironment.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <memory>

using ManufacturerData = QMap<quint16, QByteArray>;
using std::chrono::milliseconds;

Q_DECLARE_METATYPE(ManufacturerData)

// Lets QCOMPARE show the readings it compares.
char *toString(const BatteryReadings &r)
{
    return QTest::toString(QString::asprintf("left %lld right %lld case %lld charging %d/%d/%d", r.left, r.right,
                                             r.caseLevel, r.leftCharging, r.rightCharging, r.caseCharging));
}

namespace
{
const QString AdapterPath = QStringLiteral("/org/bluez/hci0");
const QString Adapter1 = QStringLiteral("org.bluez.Adapter1");
const QString StrangerAddress = QStringLiteral("4C:11:22:33:44:01");
const QString OtherAddress = QStringLiteral("4C:11:22:33:44:02");
const QString ProTwoModalias = QStringLiteral("bluetooth:v004Cp2014d0001");
const QString OtherProgram = QStringLiteral("other-program");
constexpr auto Pro2 = quint16(ProximityPairing::AirPodsModel::AirPodsPro2);
constexpr int NoLevel = 0xF;

// A 27-byte paired proximity pairing message as manufacturer data, left bud primary and nothing in an ear; levels
// in tens of percent.
ManufacturerData
frame(int left, int right, int caseLevel, bool caseCharging = false, quint16 model = Pro2, quint16 company = 0x004C)
{
    const QByteArray bytes = QByteArray::fromHex("071901") + char(model >> 8) + char(model & 0xFF) + char(0x20)
        + char(right << 4 | left) + char((caseCharging ? 0x40 : 0) | caseLevel) + char(0x31) + QByteArray(18, '\0');
    return {{company, bytes}};
}

BatteryReadings levels(qint64 left, qint64 right, qint64 caseLevel, bool caseCharging = false)
{
    return {left, right, caseLevel, false, false, caseCharging};
}

QDBusMessage call(const QString &path, const QString &interface, const QString &method, const QVariantList &args = {})
{
    const QDBusMessage reply
        = TestEnvironment::call(DBusHelper::systemBus(), QStringLiteral("org.bluez"), path, interface, method, args);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qWarning() << method << "failed:" << reply.errorName() << reply.errorMessage();
    }
    return reply;
}

QDBusMessage mock(const QString &method, const QVariantList &args = {})
{
    return call(QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), method, args);
}

// AirPods Pro 2 with Battery1 at 50 %.
QString addAirpods(bool connected = true)
{
    const QString path = BluezMock::addDevice(QStringLiteral("AC:90:85:00:00:01"), QStringLiteral("AirPods Pro"),
                                              AirpodsClassOfDevice, true, connected);
    mock(QStringLiteral("SetModalias"), {QVariant::fromValue(QDBusObjectPath(path)), ProTwoModalias});
    BluezMock::setBattery(path, 50);
    return path;
}

// A new LE device, as bluetoothd adds one when discovery first hears it.
QString addAdvertiser(const QString &address, const ManufacturerData &data, qint16 rssi)
{
    const QVariantList args{QStringLiteral("hci0"), address, QVariant::fromValue(data), QVariant::fromValue(rssi)};
    return qvariant_cast<QDBusObjectPath>(mock(QStringLiteral("AddLEDevice"), args).arguments().value(0)).path();
}

void advertise(const QString &path, const ManufacturerData &data, qint16 rssi)
{
    mock(QStringLiteral("UpdateAdvertisement"),
         {QVariant::fromValue(QDBusObjectPath(path)), QVariant::fromValue(data), QVariant::fromValue(rssi)});
}

QStringList discoverySessions()
{
    return mock(QStringLiteral("GetDiscoverySessions")).arguments().value(0).toStringList();
}

bool adapterDiscovering(const QString &adapter = AdapterPath)
{
    return BluezMock::properties(adapter, Adapter1).value(QStringLiteral("Discovering")).toBool();
}

QString ourName()
{
    return DBusHelper::systemBus().baseService();
}
} // namespace

class TestAdvertisementBatterySource : public QObject
{
    Q_OBJECT

    std::unique_ptr<BluezBluetoothService> m_bluetooth;
    std::unique_ptr<AdvertisementBatterySource> m_source;
    milliseconds m_clockOffset{0};

    BluezDiscovery *discovery() const { return m_source->discovery(); }
    BatteryReadings readings(const QString &device) const { return m_bluetooth->batteryReadings(device); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariable("EARLUME_HARNESS_CTL").isEmpty(),
                 "run this test inside tests/harness/with-test-env");
        qDBusRegisterMetaType<ManufacturerData>();
    }

    void init()
    {
        // A fresh BlueZ for every test: no devices, no discovery sessions, nothing refused.
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("restart-bluez")));
        QCOMPARE(BluezMock::addAdapter(), AdapterPath);
        m_clockOffset = milliseconds(0);
        m_bluetooth = std::make_unique<BluezBluetoothService>(DBusHelper::systemBus());
        m_source = std::make_unique<AdvertisementBatterySource>(m_bluetooth.get(), DBusHelper::systemBus());
        m_source->setClock([this] { return AdvertisementBatterySource::bootTime() + m_clockOffset; });
        m_bluetooth->addBatterySource(m_source.get());
        QTRY_VERIFY(m_bluetooth->adapters().contains(AdapterPath));
    }

    void cleanup()
    {
        m_source.reset();
        m_bluetooth.reset();
        QDBusConnection::disconnectFromBus(OtherProgram);
    }

    void discoveryRunsOnTheirAdapterWhileAirpodsAreConnected()
    {
        // Neither a second adapter nor a connected headset that is no AirPods starts anything.
        const QString secondAdapter = BluezMock::addAdapter(QStringLiteral("hci1"));
        const QString headset = BluezMock::addDevice(QStringLiteral("00:11:22:33:44:55"), QStringLiteral("Headset"),
                                                     0x240404, true, true);
        const QString airpods = addAirpods(false);
        QTRY_VERIFY(m_bluetooth->adapters().contains(secondAdapter));
        QTRY_VERIFY(m_bluetooth->device(headset).connected);
        QTRY_COMPARE(m_bluetooth->device(airpods).path, airpods);
        QVERIFY(discovery()->wantedAdapters().isEmpty());
        QVERIFY(!discoverySessions().contains(ourName()));

        BluezMock::setConnected(airpods, true);
        QTRY_VERIFY(discovery()->isDiscovering(AdapterPath));
        QVERIFY(discoverySessions().contains(ourName()));
        const QVariantMap filter = qdbus_cast<QVariantMap>(
            mock(QStringLiteral("GetDiscoveryFilter")).arguments().value(0).value<QDBusArgument>());
        QCOMPARE(filter.value(QStringLiteral("Transport")).toString(), QStringLiteral("le"));
        QCOMPARE(filter.value(QStringLiteral("DuplicateData")).toBool(), true);
        QCOMPARE(discovery()->discoveringAdapters(), QStringList{AdapterPath});
        QVERIFY(adapterDiscovering());
        QVERIFY(!adapterDiscovering(secondAdapter));

        BluezMock::setConnected(airpods, false);
        QTRY_VERIFY(!discoverySessions().contains(ourName()));
        QVERIFY(!adapterDiscovering());
        QTRY_VERIFY(!discovery()->isDiscovering(AdapterPath));

        // Destroyed while on the bus, the source itself must end the session it started on the next connection.
        BluezMock::setConnected(airpods, true);
        QTRY_VERIFY(discoverySessions().contains(ourName()));
        m_source.reset();
        QTRY_VERIFY(!discoverySessions().contains(ourName()));
        QVERIFY(!adapterDiscovering());
    }

    void anotherProgramsDiscoveryIsLeftAlone()
    {
        QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SystemBus, OtherProgram);
        const auto otherDiscovery = [&other](const char *method) {
            const QDBusMessage reply = TestEnvironment::call(other, QStringLiteral("org.bluez"), AdapterPath, Adapter1,
                                                             QString::fromLatin1(method));
            return reply.type() == QDBusMessage::ReplyMessage;
        };
        QVERIFY(otherDiscovery("StartDiscovery"));
        const QString otherName = other.baseService();

        const QString airpods = addAirpods();
        QTRY_VERIFY(discoverySessions().contains(ourName()));
        QVERIFY(discoverySessions().contains(otherName));

        // Our stop ends our session only.
        BluezMock::setConnected(airpods, false);
        QTRY_VERIFY(!discoverySessions().contains(ourName()));
        QCOMPARE(discoverySessions(), QStringList{otherName});
        QVERIFY(adapterDiscovering());

        // The other program's stop leaves ours running.
        BluezMock::setConnected(airpods, true);
        QTRY_VERIFY(discoverySessions().contains(ourName()));
        QVERIFY(otherDiscovery("StopDiscovery"));
        QCOMPARE(discoverySessions(), QStringList{ourName()});
        QVERIFY(adapterDiscovering());
        QVERIFY(discovery()->isDiscovering(AdapterPath));
    }

    void strongMatchingAdvertisementFillsLeftRightAndCase()
    {
        const QString airpods = addAirpods();
        QTRY_COMPARE(readings(airpods), levels(50, 50, 0));
        QTRY_VERIFY(discovery()->isDiscovering(AdapterPath));

        QSignalSpy readingsChanged(m_source.get(), &BatterySource::readingsChanged);
        QSignalSpy devicesChanged(m_bluetooth.get(), &BluetoothService::devicesChanged);
        const QString nearer = addAdvertiser(StrangerAddress, frame(8, 9, 7, true), -45);
        QTRY_COMPARE(readings(airpods), levels(80, 90, 70, true));
        QCOMPARE(readingsChanged.count(), 1);
        QVERIFY(!devicesChanged.isEmpty()); // the open panel hears of it through the service
        // The advertiser itself is no connected AirPods and gets nothing from the source.
        QVERIFY(!m_source->readings(m_bluetooth->device(nearer)).has_value());

        // The next message from the same pair replaces the levels at once.
        advertise(nearer, frame(7, 9, 6), -44);
        QTRY_COMPARE(readings(airpods), levels(70, 90, 60));
        QCOMPARE(readingsChanged.count(), 2);

        // A weaker pair is kept, and takes over only when the nearer one walks away: one change, not two.
        const QString farther = addAdvertiser(OtherAddress, frame(5, 5, 5), -55);
        QTRY_COMPARE(m_bluetooth->rssi(farther), std::optional<qint16>(-55));
        advertise(nearer, frame(7, 9, 6), -70);
        QTRY_COMPARE(readings(airpods), levels(50, 50, 50));
        QCOMPARE(readingsChanged.count(), 3);
    }

    void batteryOneReadsWhenNoAdvertisementFits_data()
    {
        QTest::addColumn<ManufacturerData>("data"); // empty: nothing heard at all
        QTest::addColumn<qint16>("rssi");

        const auto max = quint16(ProximityPairing::AirPodsModel::AirPodsMax);
        QTest::newRow("nothing heard, Battery1 alone") << ManufacturerData() << qint16(0);
        QTest::newRow("weak signal") << frame(9, 9, 9) << qint16(-75);
        QTest::newRow("not an AirPods model") << frame(9, 9, 9, false, 0x0320) << qint16(-40);
        QTest::newRow("other model than the Modalias") << frame(9, 9, 9, false, max) << qint16(-40);
        QTest::newRow("other company") << frame(9, 9, 9, false, Pro2, 0x0006) << qint16(-40);
        QTest::newRow("no levels") << frame(NoLevel, NoLevel, NoLevel) << qint16(-40);
        QTest::newRow("other Apple message") << ManufacturerData{{0x004C, QByteArray::fromHex("10051c1c2a3b4c")}}
                                             << qint16(-40);
    }

    void batteryOneReadsWhenNoAdvertisementFits()
    {
        QFETCH(ManufacturerData, data);
        QFETCH(qint16, rssi);

        const QString airpods = addAirpods();
        QTRY_COMPARE(readings(airpods), levels(50, 50, 0));
        QSignalSpy readingsChanged(m_source.get(), &BatterySource::readingsChanged);
        if (!data.isEmpty()) {
            const QString ignored = addAdvertiser(StrangerAddress, data, rssi);
            QTRY_COMPARE(m_bluetooth->rssi(ignored), std::optional<qint16>(rssi));
        }
        // The source has no answer, so the service shows Battery1's level for both buds.
        QVERIFY(!m_source->readings(m_bluetooth->device(airpods)).has_value());
        QCOMPARE(readings(airpods), levels(50, 50, 0));

        // A matching message sent after it is taken, and is the only change: the first one was seen and passed over.
        addAdvertiser(OtherAddress, frame(6, 6, 6), -58);
        QTRY_COMPARE(readings(airpods), levels(60, 60, 60));
        QCOMPARE(readingsChanged.count(), 1);
    }

    void staleAdvertisementExpires_data()
    {
        QTest::addColumn<bool>("byTimer");
        QTest::newRow("asked after expiry") << false;
        QTest::newRow("timer at expiry") << true;
    }

    void staleAdvertisementExpires()
    {
        QFETCH(bool, byTimer);

        const QString airpods = addAirpods();
        addAdvertiser(StrangerAddress, frame(8, 9, 7), -45);
        QTRY_COMPARE(readings(airpods), levels(80, 90, 70));

        QSignalSpy readingsChanged(m_source.get(), &BatterySource::readingsChanged);
        if (byTimer) {
            // Just short of the limit: nothing changes yet, and the single timer is armed for the moment it passes.
            m_clockOffset = AdvertisementMatch::MaximumAge - milliseconds(300);
            m_source->refreshAges();
            QCOMPARE(readingsChanged.count(), 0);
            QCOMPARE(readings(airpods), levels(80, 90, 70));
            QTRY_COMPARE(readingsChanged.count(), 1);
        } else {
            // Asked before anything ran: the age is checked on the spot.
            m_clockOffset = AdvertisementMatch::MaximumAge + milliseconds(1000);
            QCOMPARE(readings(airpods), levels(50, 50, 0));
            m_source->refreshAges();
            QCOMPARE(readingsChanged.count(), 1);
        }
        QCOMPARE(readings(airpods), levels(50, 50, 0));
        QVERIFY(m_source->advertisements().isEmpty());
    }

    void refusedDiscoveryIsRetried_data()
    {
        QTest::addColumn<bool>("adapterOff");
        QTest::newRow("refused, retried on the next connection") << false;
        QTest::newRow("adapter off, retried when it comes on") << true;
    }

    void refusedDiscoveryIsRetried()
    {
        QFETCH(bool, adapterOff);

        const auto refuse = [adapterOff](bool refusing) {
            if (adapterOff) {
                call(AdapterPath, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("UpdateProperties"),
                     {Adapter1, QVariantMap{{QStringLiteral("Powered"), !refusing}}});
            } else {
                mock(QStringLiteral("SetDiscoveryRefused"), {refusing});
            }
        };
        refuse(true);
        QSignalSpy refused(discovery(), &BluezDiscovery::refused);
        const QString airpods = addAirpods();
        QTRY_COMPARE(refused.count(), 1);
        QCOMPARE(refused.at(0).at(0).toString(), AdapterPath);
        QCOMPARE(refused.at(0).at(1).toString(), QStringLiteral("org.bluez.Error.NotReady"));
        QVERIFY(!discovery()->isDiscovering(AdapterPath));
        QTRY_COMPARE(readings(airpods), levels(50, 50, 0));

        // The adapter coming on is a change that retries at once; a lifted refusal waits for the next connection.
        refuse(false);
        if (!adapterOff) {
            BluezMock::setConnected(airpods, false);
            BluezMock::setConnected(airpods, true);
        }
        QTRY_VERIFY(discovery()->isDiscovering(AdapterPath));
        QVERIFY(discoverySessions().contains(ourName()));
        QCOMPARE(refused.count(), 1);
    }

    void bluezLeavingIsSurvived()
    {
        QString airpods = addAirpods();
        addAdvertiser(StrangerAddress, frame(8, 9, 7), -45);
        QTRY_COMPARE(readings(airpods), levels(80, 90, 70));
        QTRY_VERIFY(discovery()->isDiscovering(AdapterPath));

        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("stop-bluez")));
        QTRY_VERIFY(!m_bluetooth->isAvailable());
        QVERIFY(!discovery()->isDiscovering(AdapterPath));
        QVERIFY(discovery()->wantedAdapters().isEmpty());
        QVERIFY(m_source->advertisements().isEmpty());
        QCOMPARE(readings(airpods), BatteryReadings());

        // A new daemon knows nothing of our old session: discovery starts afresh on it.
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("start-bluez")));
        QTRY_VERIFY(m_bluetooth->isAvailable());
        QCOMPARE(BluezMock::addAdapter(), AdapterPath);
        airpods = addAirpods();
        QTRY_VERIFY(discoverySessions().contains(ourName()));
        QTRY_COMPARE(readings(airpods), levels(50, 50, 0));
        addAdvertiser(StrangerAddress, frame(6, 5, 4), -45);
        QTRY_COMPARE(readings(airpods), levels(60, 50, 40));
    }
};

QTEST_GUILESS_MAIN(TestAdvertisementBatterySource)

#include "TestAdvertisementBatterySource.moc"
