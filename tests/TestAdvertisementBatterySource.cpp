// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusHelper.h"
#include "battery/AdvertisementBatterySource.h"
#include "bluetooth/BluezBluetoothService.h"
#include "bluetooth/BluezDiscovery.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <memory>

using ManufacturerData = QMap<quint16, QByteArray>;
using ProximityPairing::AirPodsModel;
using std::chrono::milliseconds;

Q_DECLARE_METATYPE(ManufacturerData)

// Lets QCOMPARE show the readings it compares.
char *toString(const BatteryReadings &readings)
{
    return QTest::toString(QStringLiteral("left %1 right %2 case %3 charging %4/%5/%6")
                               .arg(readings.left)
                               .arg(readings.right)
                               .arg(readings.caseLevel)
                               .arg(readings.leftCharging)
                               .arg(readings.rightCharging)
                               .arg(readings.caseCharging));
}

namespace
{
const QString AdapterName = QStringLiteral("hci0");
const QString AdapterPath = QStringLiteral("/org/bluez/hci0");
const QString AirpodsAddress = QStringLiteral("AC:90:85:00:00:01");
const QString StrangerAddress = QStringLiteral("4C:11:22:33:44:01");
const QString OtherAddress = QStringLiteral("4C:11:22:33:44:02");
const QString ProTwoModalias = QStringLiteral("bluetooth:v004Cp2014d0001");
const QString OtherProgram = QStringLiteral("other-program");
constexpr quint32 HeadsetClass = 0x240404;
constexpr quint8 NoLevel = 0xF;

quint16 modelOf(AirPodsModel model)
{
    return static_cast<quint16>(model);
}

// A 27-byte paired proximity pairing message with the left bud as the primary one; levels in tens of percent.
QByteArray proximityFrame(quint16 model, quint8 left, quint8 right, quint8 caseLevel, bool caseCharging = false)
{
    QByteArray bytes;
    bytes.append(char(0x07));
    bytes.append(char(0x19));
    bytes.append(char(0x01));
    bytes.append(char(model >> 8));
    bytes.append(char(model & 0xFF));
    bytes.append(char(0x20)); // status: left bud primary, nothing in an ear
    bytes.append(char((right << 4) | left));
    bytes.append(char((caseCharging ? 0x40 : 0x00) | caseLevel));
    bytes.append(char(0x31)); // lid
    bytes.append(QByteArray(18, '\0'));
    return bytes;
}

ManufacturerData apple(const QByteArray &payload)
{
    return {{0x004C, payload}};
}

BatteryReadings levels(qint64 left, qint64 right, qint64 caseLevel, bool caseCharging = false)
{
    BatteryReadings readings;
    readings.left = left;
    readings.right = right;
    readings.caseLevel = caseLevel;
    readings.caseCharging = caseCharging;
    return readings;
}

QDBusMessage call(const QDBusConnection &bus, const QString &path, const QString &interface, const QString &method,
                  const QVariantList &args = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.bluez"), path, interface, method);
    message.setArguments(args);
    return QDBusConnection(bus).call(message);
}

QDBusMessage mock(const QString &method, const QVariantList &args = {})
{
    return call(DBusHelper::systemBus(), QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), method, args);
}

bool succeeded(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qWarning() << "D-Bus call failed:" << reply.errorName() << reply.errorMessage();
        return false;
    }
    return true;
}

bool harnessCtl(const QString &command)
{
    return QProcess::execute(qEnvironmentVariable("EARLUME_HARNESS_CTL"), {command}) == 0;
}

QStringList discoverySessions()
{
    const QDBusMessage reply = mock(QStringLiteral("GetDiscoverySessions"));
    return reply.arguments().value(0).toStringList();
}

QVariantMap discoveryFilter()
{
    const QDBusMessage reply = mock(QStringLiteral("GetDiscoveryFilter"));
    return qdbus_cast<QVariantMap>(reply.arguments().value(0).value<QDBusArgument>());
}

bool adapterDiscovering(const QString &adapter = AdapterPath)
{
    const QDBusMessage reply = call(DBusHelper::systemBus(),
                                    adapter,
                                    QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"),
                                    {QStringLiteral("org.bluez.Adapter1"), QStringLiteral("Discovering")});
    return reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
}

bool setAdapterPowered(bool powered)
{
    QVariantMap properties;
    properties.insert(QStringLiteral("Powered"), powered);
    return succeeded(call(DBusHelper::systemBus(), AdapterPath, QStringLiteral("org.freedesktop.DBus.Mock"),
                          QStringLiteral("UpdateProperties"), {QStringLiteral("org.bluez.Adapter1"), properties}));
}

QString ourName()
{
    return DBusHelper::systemBus().baseService();
}
} // namespace

class TestAdvertisementBatterySource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void discoveryFollowsAirpodsConnection();
    void otherDevicesStartNoDiscovery();
    void discoveryRunsOnTheAirpodsAdapterOnly();
    void anotherProgramsDiscoveryIsLeftAlone();
    void strongMatchingAdvertisementGivesReadings();
    void ignoredAdvertisementLeavesBatteryOne_data();
    void ignoredAdvertisementLeavesBatteryOne();
    void strongestAdvertisementWins();
    void staleAdvertisementExpires_data();
    void staleAdvertisementExpires();
    void batteryOneAloneGivesReading();
    void refusedDiscoveryIsRetriedOnNextConnect();
    void refusedDiscoveryIsRetriedWhenAdapterChanges();
    void bluezRestartIsSurvived();
    void destroyingSourceEndsDiscovery();

private:
    void startServices();
    QString addAirpods(bool connected, const QString &modalias = QString(), int battery = -1);
    QString addAdvertiser(const QString &address, const ManufacturerData &data, qint16 rssi);
    bool setConnected(const QString &path, bool connected);
    bool advertise(const QString &path, const ManufacturerData &data, qint16 rssi);

    std::unique_ptr<BluezBluetoothService> m_bluetooth;
    std::unique_ptr<AdvertisementBatterySource> m_source;
    milliseconds m_clockOffset{0};
};

void TestAdvertisementBatterySource::initTestCase()
{
    QVERIFY2(!qEnvironmentVariable("EARLUME_HARNESS_CTL").isEmpty(),
             "run this test inside tests/harness/with-test-env");
    qDBusRegisterMetaType<ManufacturerData>();
}

void TestAdvertisementBatterySource::init()
{
    // A fresh BlueZ for every test: no devices, no discovery sessions, nothing refused.
    QVERIFY(harnessCtl(QStringLiteral("restart-bluez")));
    QVERIFY(succeeded(mock(QStringLiteral("AddAdapter"), {AdapterName, QStringLiteral("earlume-test")})));
    m_clockOffset = milliseconds(0);
    startServices();
    QTRY_VERIFY(m_bluetooth->isAvailable());
    QTRY_VERIFY(m_bluetooth->adapters().contains(AdapterPath));
}

void TestAdvertisementBatterySource::cleanup()
{
    m_source.reset();
    m_bluetooth.reset();
    QDBusConnection::disconnectFromBus(OtherProgram);
}

void TestAdvertisementBatterySource::startServices()
{
    m_bluetooth = std::make_unique<BluezBluetoothService>(DBusHelper::systemBus());
    m_source = std::make_unique<AdvertisementBatterySource>(m_bluetooth.get(), DBusHelper::systemBus());
    m_source->setClock([this] {
        return AdvertisementBatterySource::bootTime() + m_clockOffset;
    });
    m_bluetooth->addBatterySource(m_source.get());
}

QString TestAdvertisementBatterySource::addAirpods(bool connected, const QString &modalias, int battery)
{
    const QDBusMessage reply = mock(QStringLiteral("AddClassicDevice"),
                                    {AdapterName, AirpodsAddress, QStringLiteral("AirPods Pro"),
                                     AirpodsClassOfDevice, true, connected});
    if (!succeeded(reply)) {
        return {};
    }
    const QString path = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (!modalias.isEmpty()
        && !succeeded(mock(QStringLiteral("SetModalias"), {QVariant::fromValue(QDBusObjectPath(path)), modalias}))) {
        return {};
    }
    if (battery >= 0
        && !succeeded(mock(QStringLiteral("SetBattery"),
                           {QVariant::fromValue(QDBusObjectPath(path)), QVariant::fromValue(uchar(battery))}))) {
        return {};
    }
    return path;
}

QString TestAdvertisementBatterySource::addAdvertiser(const QString &address, const ManufacturerData &data, qint16 rssi)
{
    const QDBusMessage reply = mock(QStringLiteral("AddLEDevice"),
                                    {AdapterName, address, QVariant::fromValue(data), QVariant::fromValue(rssi)});
    if (!succeeded(reply)) {
        return {};
    }
    return reply.arguments().value(0).value<QDBusObjectPath>().path();
}

bool TestAdvertisementBatterySource::setConnected(const QString &path, bool connected)
{
    return succeeded(mock(QStringLiteral("SetConnected"), {QVariant::fromValue(QDBusObjectPath(path)), connected}));
}

bool TestAdvertisementBatterySource::advertise(const QString &path, const ManufacturerData &data, qint16 rssi)
{
    const QVariantList args{
        QVariant::fromValue(QDBusObjectPath(path)), QVariant::fromValue(data), QVariant::fromValue(rssi)};
    return succeeded(mock(QStringLiteral("UpdateAdvertisement"), args));
}

void TestAdvertisementBatterySource::discoveryFollowsAirpodsConnection()
{
    const QString airpods = addAirpods(false);
    QVERIFY(!airpods.isEmpty());
    QTRY_COMPARE(m_bluetooth->device(airpods).path, airpods);
    QVERIFY(m_source->discovery()->wantedAdapters().isEmpty());
    QVERIFY(!discoverySessions().contains(ourName()));

    QVERIFY(setConnected(airpods, true));
    QTRY_VERIFY(discoverySessions().contains(ourName()));
    const QVariantMap filter = discoveryFilter();
    QCOMPARE(filter.value(QStringLiteral("Transport")).toString(), QStringLiteral("le"));
    QCOMPARE(filter.value(QStringLiteral("DuplicateData")).toBool(), true);
    QVERIFY(adapterDiscovering());
    QTRY_VERIFY(m_source->discovery()->isDiscovering(AdapterPath));

    QVERIFY(setConnected(airpods, false));
    QTRY_VERIFY(!discoverySessions().contains(ourName()));
    QVERIFY(!adapterDiscovering());
    QTRY_VERIFY(!m_source->discovery()->isDiscovering(AdapterPath));

    // And again on the next connection.
    QVERIFY(setConnected(airpods, true));
    QTRY_VERIFY(discoverySessions().contains(ourName()));
    QTRY_VERIFY(m_source->discovery()->isDiscovering(AdapterPath));
}

void TestAdvertisementBatterySource::otherDevicesStartNoDiscovery()
{
    const QDBusMessage headset = mock(QStringLiteral("AddClassicDevice"),
                                      {AdapterName, QStringLiteral("00:11:22:33:44:55"), QStringLiteral("Headset"),
                                       HeadsetClass, true, true});
    QVERIFY(succeeded(headset));
    const QString airpods = addAirpods(false);
    QVERIFY(!airpods.isEmpty());
    const QString headsetPath = headset.arguments().value(0).value<QDBusObjectPath>().path();
    QTRY_VERIFY(m_bluetooth->device(headsetPath).connected);
    QTRY_COMPARE(m_bluetooth->device(airpods).path, airpods);

    QVERIFY(m_source->discovery()->wantedAdapters().isEmpty());
    QVERIFY(m_source->discovery()->discoveringAdapters().isEmpty());
    QVERIFY(!discoverySessions().contains(ourName()));
}

void TestAdvertisementBatterySource::discoveryRunsOnTheAirpodsAdapterOnly()
{
    const QString secondAdapter = QStringLiteral("/org/bluez/hci1");
    QVERIFY(succeeded(mock(QStringLiteral("AddAdapter"), {QStringLiteral("hci1"), QStringLiteral("earlume-test-2")})));
    QTRY_VERIFY(m_bluetooth->adapters().contains(secondAdapter));

    QVERIFY(!addAirpods(true).isEmpty());
    QTRY_VERIFY(m_source->discovery()->isDiscovering(AdapterPath));
    QCOMPARE(m_source->discovery()->discoveringAdapters(), QStringList{AdapterPath});
    QVERIFY(adapterDiscovering(AdapterPath));
    QVERIFY(!adapterDiscovering(secondAdapter));
}

void TestAdvertisementBatterySource::anotherProgramsDiscoveryIsLeftAlone()
{
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SystemBus, OtherProgram);
    QVERIFY(other.isConnected());
    const QString adapterInterface = QStringLiteral("org.bluez.Adapter1");
    QVERIFY(succeeded(call(other, AdapterPath, adapterInterface, QStringLiteral("StartDiscovery"))));
    const QString otherName = other.baseService();
    QVERIFY(discoverySessions().contains(otherName));

    const QString airpods = addAirpods(true);
    QVERIFY(!airpods.isEmpty());
    QTRY_VERIFY(discoverySessions().contains(ourName()));
    QVERIFY(discoverySessions().contains(otherName));

    // Our stop ends our session only.
    QVERIFY(setConnected(airpods, false));
    QTRY_VERIFY(!discoverySessions().contains(ourName()));
    QVERIFY(discoverySessions().contains(otherName));
    QVERIFY(adapterDiscovering());

    // The other program's stop leaves ours running.
    QVERIFY(setConnected(airpods, true));
    QTRY_VERIFY(discoverySessions().contains(ourName()));
    QVERIFY(succeeded(call(other, AdapterPath, adapterInterface, QStringLiteral("StopDiscovery"))));
    QCOMPARE(discoverySessions(), QStringList{ourName()});
    QVERIFY(adapterDiscovering());
    QVERIFY(m_source->discovery()->isDiscovering(AdapterPath));
}

void TestAdvertisementBatterySource::strongMatchingAdvertisementGivesReadings()
{
    const QString airpods = addAirpods(true, ProTwoModalias, 50);
    QVERIFY(!airpods.isEmpty());
    QTRY_COMPARE(m_bluetooth->batteryReadings(airpods), levels(50, 50, 0));
    QTRY_VERIFY(m_source->discovery()->isDiscovering(AdapterPath));

    QSignalSpy readingsChanged(m_source.get(), &BatterySource::readingsChanged);
    QSignalSpy devicesChanged(m_bluetooth.get(), &BluetoothService::devicesChanged);
    const QString advertiser
        = addAdvertiser(StrangerAddress, apple(proximityFrame(modelOf(AirPodsModel::AirPodsPro2), 8, 9, 7, true)), -45);
    QVERIFY(!advertiser.isEmpty());
    QTRY_COMPARE(m_bluetooth->batteryReadings(airpods), levels(80, 90, 70, true));
    QCOMPARE(readingsChanged.count(), 1);
    QVERIFY(!devicesChanged.isEmpty());

    // The next message from the same pair replaces the levels at once.
    QVERIFY(advertise(advertiser, apple(proximityFrame(modelOf(AirPodsModel::AirPodsPro2), 7, 9, 6)), -44));
    QTRY_COMPARE(m_bluetooth->batteryReadings(airpods), levels(70, 90, 60));
    QCOMPARE(readingsChanged.count(), 2);

    // The advertiser itself is no connected AirPods and gets nothing from the source.
    QVERIFY(!m_source->readings(m_bluetooth->device(advertiser)).has_value());
}

void TestAdvertisementBatterySource::ignoredAdvertisementLeavesBatteryOne_data()
{
    QTest::addColumn<ManufacturerData>("data");
    QTest::addColumn<qint16>("rssi");

    const quint16 pro2 = modelOf(AirPodsModel::AirPodsPro2);
    QTest::newRow("weak signal") << apple(proximityFrame(pro2, 9, 9, 9)) << qint16(-75);
    QTest::newRow("not an AirPods model") << apple(proximityFrame(0x0320, 9, 9, 9)) << qint16(-40);
    QTest::newRow("other model than the Modalias")
        << apple(proximityFrame(modelOf(AirPodsModel::AirPodsMax), 9, 9, 9)) << qint16(-40);
    QTest::newRow("other company") << ManufacturerData{{0x0006, proximityFrame(pro2, 9, 9, 9)}} << qint16(-40);
    QTest::newRow("no levels") << apple(proximityFrame(pro2, NoLevel, NoLevel, NoLevel)) << qint16(-40);
    QTest::newRow("other Apple message") << apple(QByteArray::fromHex("10051c1c2a3b4c")) << qint16(-40);
}

void TestAdvertisementBatterySource::ignoredAdvertisementLeavesBatteryOne()
{
    QFETCH(ManufacturerData, data);
    QFETCH(qint16, rssi);

    const QString airpods = addAirpods(true, ProTwoModalias, 50);
    QVERIFY(!airpods.isEmpty());
    QTRY_COMPARE(m_bluetooth->batteryReadings(airpods), levels(50, 50, 0));
    QSignalSpy readingsChanged(m_source.get(), &BatterySource::readingsChanged);

    const QString ignored = addAdvertiser(StrangerAddress, data, rssi);
    QVERIFY(!ignored.isEmpty());
    QTRY_COMPARE(m_bluetooth->rssi(ignored), std::optional<qint16>(rssi));
    QCOMPARE(m_bluetooth->batteryReadings(airpods), levels(50, 50, 0));

    // A matching message sent after it is taken, and is the only change: the first one was seen and passed over.
    const QString matching
        = addAdvertiser(OtherAddress, apple(proximityFrame(modelOf(AirPodsModel::AirPodsPro2), 6, 6, 6)), -58);
    QVERIFY(!matching.isEmpty());
    QTRY_COMPARE(m_bluetooth->batteryReadings(airpods), levels(60, 60, 60));
    QCOMPARE(readingsChanged.count(), 1);
}

void TestAdvertisementBatterySource::strongestAdvertisementWins()
{
    const QString airpods = addAirpods(true, QString(), 50);
    QVERIFY(!airpods.isEmpty());
    const quint16 pro2 = modelOf(AirPodsModel::AirPodsPro2);
    const QString nearer = addAdvertiser(StrangerAddress, apple(proximityFrame(pro2, 9, 9, 9)), -45);
    const QString farther = addAdvertiser(OtherAddress, apple(proximityFrame(pro2, 5, 5, 5)), -55);
    QVERIFY(!nearer.isEmpty());
    QVERIFY(!farther.isEmpty());
    QTRY_COMPARE(m_bluetooth->rssi(farther), std::optional<qint16>(-55));
    QTRY_COMPARE(m_bluetooth->batteryReadings(airpods), levels(90, 90, 90));

    // The nearer one walks away.
    QVERIFY(advertise(nearer, apple(proximityFrame(pro2, 9, 9, 9)), -70));
    QTRY_COMPARE(m_bluetooth->batteryReadings(airpods), levels(50, 50, 50));
}

void TestAdvertisementBatterySource::staleAdvertisementExpires_data()
{
    QTest::addColumn<bool>("byTimer");
    QTest::newRow("asked after expiry") << false;
    QTest::newRow("timer at expiry") << true;
}

void TestAdvertisementBatterySource::staleAdvertisementExpires()
{
    QFETCH(bool, byTimer);

    const QString airpods = addAirpods(true, ProTwoModalias, 50);
    QVERIFY(!airpods.isEmpty());
    QVERIFY(!addAdvertiser(StrangerAddress, apple(proximityFrame(modelOf(AirPodsModel::AirPodsPro2), 8, 9, 7)), -45)
                 .isEmpty());
    QTRY_COMPARE(m_bluetooth->batteryReadings(airpods), levels(80, 90, 70));

    QSignalSpy readingsChanged(m_source.get(), &BatterySource::readingsChanged);
    QSignalSpy devicesChanged(m_bluetooth.get(), &BluetoothService::devicesChanged);
    if (byTimer) {
        // Just short of the limit: nothing changes yet, and the single timer is armed for the moment it passes.
        m_clockOffset = AdvertisementMatch::MaximumAge - milliseconds(300);
        m_source->refreshAges();
        QCOMPARE(readingsChanged.count(), 0);
        QCOMPARE(m_bluetooth->batteryReadings(airpods), levels(80, 90, 70));
        QTRY_COMPARE(readingsChanged.count(), 1);
    } else {
        m_clockOffset = AdvertisementMatch::MaximumAge + milliseconds(1000);
        // Asked before anything ran: the age is checked on the spot.
        QCOMPARE(m_bluetooth->batteryReadings(airpods), levels(50, 50, 0));
        m_source->refreshAges();
        QCOMPARE(readingsChanged.count(), 1);
    }
    // The open panel hears of it through the service.
    QVERIFY(!devicesChanged.isEmpty());
    QCOMPARE(m_bluetooth->batteryReadings(airpods), levels(50, 50, 0));
    QVERIFY(m_source->advertisements().isEmpty());
}

void TestAdvertisementBatterySource::batteryOneAloneGivesReading()
{
    const QString airpods = addAirpods(true, ProTwoModalias, 64);
    QVERIFY(!airpods.isEmpty());
    QTRY_COMPARE(m_bluetooth->batteryReadings(airpods), levels(64, 64, 0));
    QVERIFY(!m_source->readings(m_bluetooth->device(airpods)).has_value());
}

void TestAdvertisementBatterySource::refusedDiscoveryIsRetriedOnNextConnect()
{
    QVERIFY(succeeded(mock(QStringLiteral("SetDiscoveryRefused"), {true})));
    QSignalSpy refused(m_source->discovery(), &BluezDiscovery::refused);

    const QString airpods = addAirpods(true, QString(), 50);
    QVERIFY(!airpods.isEmpty());
    QTRY_COMPARE(refused.count(), 1);
    QCOMPARE(refused.at(0).at(0).toString(), AdapterPath);
    QCOMPARE(refused.at(0).at(1).toString(), QStringLiteral("org.bluez.Error.NotReady"));
    QVERIFY(!m_source->discovery()->isDiscovering(AdapterPath));
    QVERIFY(!discoverySessions().contains(ourName()));
    QCOMPARE(m_bluetooth->batteryReadings(airpods), levels(50, 50, 0));

    // The next connection tries again, still refused.
    QVERIFY(setConnected(airpods, false));
    QVERIFY(setConnected(airpods, true));
    QTRY_COMPARE(refused.count(), 2);

    QVERIFY(succeeded(mock(QStringLiteral("SetDiscoveryRefused"), {false})));
    QVERIFY(setConnected(airpods, false));
    QVERIFY(setConnected(airpods, true));
    QTRY_VERIFY(discoverySessions().contains(ourName()));
    QTRY_VERIFY(m_source->discovery()->isDiscovering(AdapterPath));
    QCOMPARE(refused.count(), 2);
}

void TestAdvertisementBatterySource::refusedDiscoveryIsRetriedWhenAdapterChanges()
{
    QVERIFY(setAdapterPowered(false));
    QSignalSpy refused(m_source->discovery(), &BluezDiscovery::refused);
    const QString airpods = addAirpods(true);
    QVERIFY(!airpods.isEmpty());
    QTRY_COMPARE(refused.count(), 1);
    QVERIFY(!discoverySessions().contains(ourName()));

    QVERIFY(setAdapterPowered(true));
    QTRY_VERIFY(discoverySessions().contains(ourName()));
    QTRY_VERIFY(m_source->discovery()->isDiscovering(AdapterPath));
}

void TestAdvertisementBatterySource::bluezRestartIsSurvived()
{
    const quint16 pro2 = modelOf(AirPodsModel::AirPodsPro2);
    QString airpods = addAirpods(true, ProTwoModalias, 50);
    QVERIFY(!airpods.isEmpty());
    QVERIFY(!addAdvertiser(StrangerAddress, apple(proximityFrame(pro2, 8, 9, 7)), -45).isEmpty());
    QTRY_COMPARE(m_bluetooth->batteryReadings(airpods), levels(80, 90, 70));
    QTRY_VERIFY(m_source->discovery()->isDiscovering(AdapterPath));

    QVERIFY(harnessCtl(QStringLiteral("stop-bluez")));
    QTRY_VERIFY(!m_bluetooth->isAvailable());
    QVERIFY(!m_source->discovery()->isDiscovering(AdapterPath));
    QVERIFY(m_source->discovery()->wantedAdapters().isEmpty());
    QVERIFY(m_source->advertisements().isEmpty());
    QCOMPARE(m_bluetooth->batteryReadings(airpods), BatteryReadings());

    // A new daemon knows nothing of our old session: discovery starts afresh on it.
    QVERIFY(harnessCtl(QStringLiteral("start-bluez")));
    QTRY_VERIFY(m_bluetooth->isAvailable());
    QVERIFY(succeeded(mock(QStringLiteral("AddAdapter"), {AdapterName, QStringLiteral("earlume-test")})));
    airpods = addAirpods(true, ProTwoModalias, 40);
    QVERIFY(!airpods.isEmpty());
    QTRY_VERIFY(discoverySessions().contains(ourName()));
    QTRY_COMPARE(m_bluetooth->batteryReadings(airpods), levels(40, 40, 0));
    QVERIFY(!addAdvertiser(StrangerAddress, apple(proximityFrame(pro2, 6, 5, 4)), -45).isEmpty());
    QTRY_COMPARE(m_bluetooth->batteryReadings(airpods), levels(60, 50, 40));
}

void TestAdvertisementBatterySource::destroyingSourceEndsDiscovery()
{
    const QString airpods = addAirpods(true);
    QVERIFY(!airpods.isEmpty());
    QTRY_VERIFY(discoverySessions().contains(ourName()));

    // The connection stays on the bus, so only our own StopDiscovery can end the session.
    m_source.reset();
    QTRY_VERIFY(!discoverySessions().contains(ourName()));
    QVERIFY(!adapterDiscovering());
}

QTEST_GUILESS_MAIN(TestAdvertisementBatterySource)

#include "TestAdvertisementBatterySource.moc"
