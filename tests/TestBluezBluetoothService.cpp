// SPDX-License-Identifier: GPL-3.0-or-later
// The agent's BlueZ client against the simulated bluetoothd on a private system bus: its cache, its requests, and
// the battery levels its advertisement source overhears through the discovery session it runs.
#include "DBusHelper.h"
#include "aap/AapBatterySource.h"
#include "aap/AapKeyStore.h"
#include "aap/AapPacket.h"
#include "aap/ResolvablePrivateAddress.h"
#include "battery/AdvertisementBatterySource.h"
#include "battery/AdvertisementMonitor.h"
#include "bluetooth/BluezBluetoothService.h"
#include "bluetooth/BluezDiscovery.h"
#include "support/TestEnvironment.h"

#include <QDBusMetaType>
#include <QSignalSpy>

#include <memory>

using ManufacturerData = QMap<quint16, QByteArray>;

namespace
{
const QString Adapter = QStringLiteral("/org/bluez/hci0");
const QString Pods = QStringLiteral("/org/bluez/hci0/dev_AA_00_00_00_00_01");

void addDevice(int number, quint32 classOfDevice, bool paired, bool connected)
{
    BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:0%1").arg(number), QStringLiteral("Device %1").arg(number),
                         classOfDevice, paired, connected);
}

void addAirpods(bool connected) // AirPods Pro 2 with Battery1 at 50 %
{
    addDevice(1, BluezMock::AirpodsClass, true, connected);
    BluezMock::call(QStringLiteral("SetModalias"), {Pods, QStringLiteral("bluetooth:v004Cp2014d0001")});
    BluezMock::call(QStringLiteral("SetBattery"), {Pods, 50});
}

// A paired proximity pairing message of AirPods Pro 2 unless said otherwise, levels in tens of percent.
ManufacturerData frame(int left, int right, int caseLevel, quint16 model = 0x1420, quint16 company = 0x004C)
{
    return {{company, QByteArray::fromHex("071901") + char(model >> 8) + char(model & 0xFF) + char(0x20)
                          + char(right << 4 | left) + char(caseLevel) + char(0x31) + QByteArray(18, '\0')}};
}

// A message with the left bud primary, its status and lid byte, and the last 16 bytes sealed with @p key: @p sealed
// is the deciphered block's bytes 1-3 (left, right, case; bit 7 charging), and the clear levels fit them.
ManufacturerData sealedFrame(int status, int lid, const QByteArray &sealed, const QByteArray &key)
{
    const auto tens = [&sealed](int i, int otherwise) {
        return i < sealed.size() && (sealed[i] & 0x7F) <= 100 ? (sealed[i] & 0x7F) / 10 : otherwise;
    };
    QByteArray bytes = frame(tens(0, 6), tens(1, 5), tens(2, 4)).value(0x004C);
    bytes[5] = char(status);
    bytes[8] = char(lid);
    ResolvablePrivateAddress::Block plain{}, secret{};
    std::copy(sealed.cbegin(), sealed.cend(), plain.begin() + 1);
    std::copy(key.cbegin(), key.cend(), secret.begin());
    const auto cipher = ResolvablePrivateAddress::encryptBlock(secret, plain);
    bytes.replace(bytes.size() - 16, 16, QByteArray(reinterpret_cast<const char *>(cipher->data()), 16));
    return {{0x004C, bytes}};
}

// The accessory protocol's battery report: left 87 % discharging, right 91 % charging, case 42 % discharging.
const QByteArray AapLevels = QByteArray::fromHex("045702025B01082A02");
const QString AapText = QStringLiteral("Left 87 %, Right 91 % charging, Case 42 %");

QStringList sessions()
{
    return BluezMock::call(QStringLiteral("GetDiscoverySessions")).arguments().value(0).toStringList();
}
} // namespace

class TestBluezBluetoothService : public QObject
{
    Q_OBJECT

    std::unique_ptr<BluezBluetoothService> m_service;
    std::unique_ptr<AapBatterySource> m_aap;
    std::unique_ptr<AdvertisementBatterySource> m_source;
    AapKeyStore m_keys;
    std::chrono::milliseconds m_clockOffset{0};
    const QString m_us = DBusHelper::systemBus().baseService();

    bool load() // as the agent builds it
    {
        m_source.reset();
        m_aap.reset();
        m_service = std::make_unique<BluezBluetoothService>(DBusHelper::systemBus());
        m_aap = std::make_unique<AapBatterySource>(m_service.get(), DBusHelper::systemBus(), &m_keys);
        m_aap->setRetryTiming(std::chrono::milliseconds(100), std::chrono::milliseconds(400));
        m_source = std::make_unique<AdvertisementBatterySource>(m_service.get());
        m_source->setClock([this] { return BatteryState::now() + m_clockOffset; });
        m_source->setPairKeys([this](const QString &path) {
            const Aap::KeysReport keys = m_aap->pairKeys(path);
            return AdvertisementBatterySource::PairKeys{keys.irk, keys.encryptionKey};
        });
        m_service->addBatterySource(m_aap.get());
        m_service->addBatterySource(m_source.get());
        return QTest::qWaitFor([this] { return m_service->isAvailable(); });
    }
    QString readings() const { return m_service->battery(Pods).levelsText(); }

private Q_SLOTS:
    void initTestCase() { qDBusRegisterMetaType<ManufacturerData>(); }

    void init()
    {
        m_source.reset();
        m_aap.reset();
        m_service.reset();
        m_clockOffset = {};
        QFile::remove(m_keys.filePath());
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("restart-bluez")));
        BluezMock::addAdapter();
    }

    void loadsOnceAndAnswersFromTheCache()
    {
        addDevice(3, 0x240404, true, false); // a headset, one bit of class away
        addDevice(1, BluezMock::AirpodsClass, true, true);
        addDevice(2, BluezMock::AirpodsClass, false, false);
        QVERIFY(load());
        const QList<BluetoothDevice> paired = m_service->pairedDevices();
        QCOMPARE(paired.size(), 2);
        QCOMPARE(paired.at(0), (BluetoothDevice{Pods, QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Device 1"),
                                                BluezMock::AirpodsClass, true, true, QString(), QStringLiteral("00:01:02:03:04:05"), nullptr}));
        QVERIFY(paired.at(0).isAirpods() && !paired.at(1).isAirpods());
        QCOMPARE(BluezMock::call(QStringLiteral("GetManagedObjectsCallCount")).arguments().value(0).toUInt(), 1u);
    }

    void followsChangesOnTheBus()
    {
        QVERIFY(load());
        QSignalSpy connections(m_service.get(), &BluetoothService::deviceConnectionChanged);
        const auto reported = [&](int i) { return connections.at(i).at(0).value<BluetoothDevice>(); };
        addDevice(1, BluezMock::AirpodsClass, true, true); // appearing connected is a connection
        QTRY_COMPARE(connections.size(), 1);
        QVERIFY(reported(0).connected);
        // The same state reported again is no change.
        TestEnvironment::call(QDBusConnection::systemBus(), QStringLiteral("org.bluez"), Pods,
                              QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("UpdateProperties"),
                              {QStringLiteral("org.bluez.Device1"), QVariantMap{{QStringLiteral("Connected"), true}}});
        BluezMock::setConnected(Pods, false);
        QTRY_COMPARE(connections.size(), 2);
        QVERIFY(!reported(1).connected);
        BluezMock::setConnected(Pods, true);
        QTRY_COMPARE(connections.size(), 3);
        for (const int level : {40, 30}) { // Battery1 added, then changed
            BluezMock::call(QStringLiteral("SetBattery"), {Pods, level});
            QTRY_COMPARE(readings(), QStringLiteral("Battery %1 %").arg(level));
        }
        // A connected device that goes away has disconnected.
        TestEnvironment::call(QDBusConnection::systemBus(), QStringLiteral("org.bluez"), Adapter,
                              QStringLiteral("org.bluez.Adapter1"), QStringLiteral("RemoveDevice"),
                              {QVariant::fromValue(QDBusObjectPath(Pods))});
        QTRY_COMPARE(connections.size(), 4);
        QVERIFY(!reported(3).connected && reported(3).isAirpods());
        QCOMPARE(readings(), QStringLiteral("No battery reading"));
    }

    void connectAttemptStatus_data()
    {
        QTest::addColumn<QString>("errorMessage");
        QTest::addColumn<int>("status");
        QTest::newRow("success") << QString() << 0;
        QTest::newRow("page timeout") << QStringLiteral("Page Timeout") << 4;
        QTest::newRow("page timeout, newer wording") << QStringLiteral("br-connection-page-timeout") << 4;
        QTest::newRow("other failure") << QStringLiteral("Host is down") << 1;
    }
    void connectAttemptStatus()
    {
        QFETCH(QString, errorMessage);
        QFETCH(int, status);
        addDevice(1, BluezMock::AirpodsClass, true, false);
        const QString error = status ? QStringLiteral("org.bluez.Error.Failed") : QString();
        BluezMock::call(QStringLiteral("SetConnectError"), {Pods, error, errorMessage});
        QVERIFY(load());
        QSignalSpy finished(m_service->connectDevice(Pods), &PendingConnect::finished);
        QVERIFY(finished.wait());
        QCOMPARE(finished.at(0).at(0).toInt(), status);
        QTRY_COMPARE(m_service->device(Pods).connected, status == 0);
        m_service->disconnectDevice(Pods);
        QTRY_VERIFY(!m_service->device(Pods).connected);
    }

    void survivesBluezGoingAndComingBack()
    {
        addAirpods(true);
        QVERIFY(load());
        QSignalSpy available(m_service.get(), &BluetoothService::availableChanged);
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("stop-bluez")));
        QTRY_COMPARE(available.size(), 1);
        QVERIFY(!available.at(0).at(0).toBool() && m_service->pairedDevices().isEmpty());
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("start-bluez")));
        QTRY_COMPARE(available.size(), 2);
        BluezMock::addAdapter();
        addAirpods(true); // a new daemon knows nothing of our old discovery session
        QTRY_COMPARE(sessions(), QStringList{m_us});
    }

    void discoveryRunsOnlyWhileAirpodsAreConnected()
    {
        // Another program discovering on the adapter already, a second adapter, a connected headset (no AirPods).
        QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SystemBus, QStringLiteral("other"));
        TestEnvironment::call(other, QStringLiteral("org.bluez"), Adapter, QStringLiteral("org.bluez.Adapter1"),
                              QStringLiteral("StartDiscovery"));
        BluezMock::addAdapter(QStringLiteral("hci1"));
        addDevice(2, 0x240404, true, true);
        addAirpods(false);
        QVERIFY(load());
        QCOMPARE(m_service->discovery()->wantedAdapters(), QStringList());
        // Refused at first: tried again on the next connection.
        BluezMock::call(QStringLiteral("SetDiscoveryRefused"), {true});
        QSignalSpy refused(m_service->discovery(), &BluezDiscovery::refused);
        BluezMock::setConnected(Pods, true);
        QTRY_COMPARE(refused.size(), 1);
        BluezMock::call(QStringLiteral("SetDiscoveryRefused"), {false});
        BluezMock::setConnected(Pods, false);
        BluezMock::setConnected(Pods, true);
        QTRY_COMPARE(sessions().size(), 2); // ours too
        QCOMPARE(m_service->discovery()->discoveringAdapters(), QStringList{Adapter});
        const QDBusMessage filter = BluezMock::call(QStringLiteral("GetDiscoveryFilter"));
        QCOMPARE(qdbus_cast<QVariantMap>(filter.arguments().value(0)),
                 (QVariantMap{{QStringLiteral("Transport"), QStringLiteral("le")},
                              {QStringLiteral("DuplicateData"), true}}));
        BluezMock::setConnected(Pods, false);
        QTRY_COMPARE(sessions(), QStringList{other.baseService()});
        BluezMock::setConnected(Pods, true);
        QTRY_COMPARE(sessions().size(), 2);
        // In bursts: one on connection, then one per interval, and one whenever someone looks.
        m_source->setBurstTiming(std::chrono::milliseconds(300), std::chrono::seconds(2));
        BluezMock::setConnected(Pods, false);
        BluezMock::setConnected(Pods, true);
        QTRY_COMPARE(sessions().size(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(sessions(), QStringList{other.baseService()}, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(sessions().size(), 2, 5000);
        QTRY_COMPARE(sessions(), QStringList{other.baseService()});
        m_service->refreshReadings();
        QTRY_COMPARE(sessions().size(), 2);
        m_source.reset(); // ends its own session
        QTRY_COMPARE(sessions(), QStringList{other.baseService()});
        QDBusConnection::disconnectFromBus(QStringLiteral("other"));
    }

    void advertisementGivesTheLevels_data()
    {
        QTest::addColumn<ManufacturerData>("data");
        QTest::addColumn<qint16>("rssi");
        QTest::addColumn<QString>("expected");
        const QString battery1 = QStringLiteral("Battery 50 %");
        QTest::newRow("matching") << frame(8, 9, 7) << qint16(-45) << QStringLiteral("Left 80 %, Right 90 %, Case 70 %");
        QTest::newRow("weak signal") << frame(8, 9, 7) << qint16(-75) << battery1;
        QTest::newRow("AirPods Max, not the Modalias' Pro 2") << frame(8, 9, 7, 0x0A20) << qint16(-45) << battery1;
        QTest::newRow("other company") << frame(8, 9, 7, 0x1420, 0x0006) << qint16(-45) << battery1;
    }
    void advertisementGivesTheLevels()
    {
        QFETCH(ManufacturerData, data);
        QFETCH(qint16, rssi);
        QFETCH(QString, expected);
        addAirpods(true);
        QVERIFY(load());
        QTRY_COMPARE(readings(), QStringLiteral("Battery 50 %"));
        QSignalSpy changes(m_service.get(), &BluetoothService::batteryChanged);
        const QDBusMessage added = BluezMock::call(QStringLiteral("AddLEDevice"),
                                                   {QStringLiteral("hci0"), QStringLiteral("4C:11:22:33:44:01"),
                                                    QVariant::fromValue(data), QVariant::fromValue(rssi)});
        const QString heard = added.arguments().value(0).value<QDBusObjectPath>().path();
        QTRY_COMPARE(m_service->rssi(heard), std::optional<qint16>(rssi));
        QCOMPARE(readings(), expected);
        QCOMPARE(changes.size(), expected == QStringLiteral("Battery 50 %") ? 0 : 1);
        // The next message from the same pair replaces it at once, and counts until it is too old; one with the
        // same levels changes nothing anyone could see.
        const qsizetype beforeUpdates = changes.size();
        for (const qint16 strength : {-44, -43}) {
            BluezMock::call(QStringLiteral("UpdateAdvertisement"),
                            {heard, QVariant::fromValue(frame(6, 5, 4)), QVariant::fromValue(strength)});
        }
        QTRY_COMPARE(m_source->advertisements().value(0).rssi, std::optional<qint16>(-43)); // both heard
        QCOMPARE(readings(), QStringLiteral("Left 60 %, Right 50 %, Case 40 %"));
        QCOMPARE(changes.size(), beforeUpdates + 1);
        const qsizetype afterUpdate = changes.size();
        m_clockOffset = AdvertisementMatch::MaximumAge - std::chrono::milliseconds(300);
        m_source->refreshAges();
        QCOMPARE(readings(), QStringLiteral("Left 60 %, Right 50 %, Case 40 %"));
        QTRY_COMPARE(readings(), QStringLiteral("Battery 50 %"));
        QCOMPARE(changes.size(), afterUpdate + 1);
    }

    // A headset of another maker with the AirPods' class of device takes no AirPods' advertisement; two callers'
    // discovery requests are kept apart, so one's stop does not end the other's.
    void strangersAdvertisementsAndDiscoveryRequests()
    {
        addDevice(1, BluezMock::AirpodsClass, true, true);
        BluezMock::call(QStringLiteral("SetModalias"), {Pods, QStringLiteral("bluetooth:v0057p1001d0001")});
        BluezMock::call(QStringLiteral("SetBattery"), {Pods, 50});
        QVERIFY(load());
        const QDBusMessage added = BluezMock::call(QStringLiteral("AddLEDevice"),
                                                   {QStringLiteral("hci0"), QStringLiteral("4C:11:22:33:44:01"),
                                                    QVariant::fromValue(frame(8, 9, 7)), QVariant::fromValue(qint16(-40))});
        const QString heard = added.arguments().value(0).value<QDBusObjectPath>().path();
        QTRY_VERIFY(m_service->rssi(heard).has_value());
        QCOMPARE(readings(), QStringLiteral("Battery 50 %"));
        QObject first, second;
        m_service->discoverNear(&first, {Pods});
        m_service->discoverNear(&second, {Pods});
        QTRY_VERIFY(sessions().contains(m_us));
        m_service->discoverNear(&first, {});
        QTest::qWait(300);
        QVERIFY(sessions().contains(m_us));
        m_service->discoverNear(&second, {});
        QTRY_VERIFY_WITH_TIMEOUT(!sessions().contains(m_us), 15000);
    }

    void accessoryProtocolGivesExactLevels()
    {
        addAirpods(false);
        BluezMock::call(QStringLiteral("SetAapBattery"), {Pods, AapLevels});
        QVERIFY(load());
        BluezMock::setConnected(Pods, true);
        QTRY_COMPARE(readings(), AapText);
        QCOMPARE(m_service->battery(Pods).origin, BatteryOrigin::Accessory);
        QTRY_COMPARE(sessions(), QStringList()); // the connection's burst of discovery ends: nothing to overhear
        QVERIFY(m_service->battery(Pods).right->charging && !m_service->battery(Pods).left->charging);
        const QStringList sent = BluezMock::call(QStringLiteral("GetAapReceived"), {Pods}).arguments().value(0).toStringList();
        QCOMPARE(sent.mid(0, 3), (QStringList{QStringLiteral("00000400010002000000000000000000"),
                                              QStringLiteral("040004004d00ff00000000000000"),
                                              QStringLiteral("040004000f00ffffffff")}));
        // In-ear, named by the primary bud (the first in the battery report: left here).
        BluezMock::call(QStringLiteral("SetAapInEar"), {Pods, QVariant::fromValue(uchar(0)), QVariant::fromValue(uchar(2))});
        QTRY_COMPARE(m_service->battery(Pods).leftInEar, std::optional(true));
        QCOMPARE(m_service->battery(Pods).rightInEar, std::optional(false));
        // Noise control: a mode the AirPods report, and one set from here, which shows before any answer.
        QSignalSpy noise(m_service.get(), &BluetoothService::noiseModeChanged);
        BluezMock::call(QStringLiteral("SetAapNoiseMode"), {Pods, QVariant::fromValue(uchar(3))});
        QTRY_COMPARE(m_service->noiseMode(Pods), std::optional(NoiseMode::Transparency));
        m_service->setNoiseMode(Pods, NoiseMode::NoiseCancellation);
        QCOMPARE(m_service->noiseMode(Pods), std::optional(NoiseMode::NoiseCancellation));
        QCOMPARE(noise.count(), 2);
        const auto received = [] { return BluezMock::call(QStringLiteral("GetAapReceived"), {Pods}).arguments(); };
        QTRY_VERIFY(received().value(0).toStringList().contains(QStringLiteral("0400040009000d02000000")));
        // A change shows at once; a dropped channel is opened again and brings what changed meanwhile.
        BluezMock::call(QStringLiteral("SetAapBattery"), {Pods, QByteArray::fromHex("045602025B01082A02")});
        QTRY_COMPARE(readings(), QStringLiteral("Left 86 %, Right 91 % charging, Case 42 %"));
        BluezMock::call(QStringLiteral("RefuseAap"), {Pods, 4});
        BluezMock::call(QStringLiteral("DropAap"), {Pods});
        QTRY_COMPARE(readings(), QStringLiteral("Battery 50 %")); // the next best source while the channel is down
        BluezMock::call(QStringLiteral("SetAapBattery"), {Pods, QByteArray::fromHex("045502025B01082A02")});
        QTRY_COMPARE(readings(), QStringLiteral("Left 85 %, Right 91 % charging, Case 42 %"));
        // Refused three times after connecting, then let in; gone with the connection.
        BluezMock::setConnected(Pods, false);
        QTRY_COMPARE(readings(), QStringLiteral("Battery 50 %"));
        // A Battery1 that BlueZ made of our own battery provider is no reading of the device's.
        BluezMock::call(QStringLiteral("SetBatterySource"), {Pods, QStringLiteral("Earlume")});
        QTRY_COMPARE(readings(), QStringLiteral("No battery reading"));
        BluezMock::call(QStringLiteral("RefuseAap"), {Pods, 3});
        BluezMock::setConnected(Pods, true);
        QTRY_COMPARE(readings(), QStringLiteral("Left 85 %, Right 91 % charging, Case 42 %"));
    }

    // The link as BlueZ 5.66 treats an external profile: bluetoothd keeps a copy of the channel's socket, so only a
    // shutdown ends it; a ConnectProfile for a channel it still holds succeeds without a socket; Disconnect asks the
    // profile first; a socket the profile refuses ends the channel.
    void accessoryLinkFollowsBluez()
    {
        const auto serviceConnected = [] {
            return BluezMock::call(QStringLiteral("IsAapServiceConnected"), {Pods}).arguments().value(0).toBool();
        };
        addAirpods(false);
        BluezMock::call(QStringLiteral("SetAapBattery"), {Pods, AapLevels});
        BluezMock::call(QStringLiteral("SetAapSilentHandshakes"), {Pods, 1}); // busy right after connecting
        BluezMock::call(QStringLiteral("LeaveStaleAapChannel"), {Pods});      // held from an earlier agent
        QVERIFY(load());
        BluezMock::setConnected(Pods, true);
        QTRY_COMPARE_WITH_TIMEOUT(readings(), AapText, 20000);
        // Another program ends the channel while the pair stays: the readings go at once, the link waits.
        TestEnvironment::call(QDBusConnection::systemBus(), QStringLiteral("org.bluez"), Pods,
                              QStringLiteral("org.bluez.Device1"), QStringLiteral("DisconnectProfile"),
                              {QString::fromLatin1(Aap::ServiceUuid)});
        QCOMPARE(readings(), QStringLiteral("Battery 50 %"));
        QVERIFY(!serviceConnected());
        QTest::qWait(500);
        QVERIFY(!serviceConnected());
        // A socket nobody asked for is refused, and BlueZ ends that channel.
        addDevice(2, 0x240404, true, true);
        const QString other = QStringLiteral("/org/bluez/hci0/dev_AA_00_00_00_00_02");
        const QDBusMessage refused = TestEnvironment::call(
            QDBusConnection::systemBus(), QStringLiteral("org.bluez"), other, QStringLiteral("org.bluez.Device1"),
            QStringLiteral("ConnectProfile"), {QString::fromLatin1(Aap::ServiceUuid)});
        QCOMPARE(refused.errorMessage(), QStringLiteral("br-connection-refused"));
        QVERIFY(!BluezMock::call(QStringLiteral("IsAapServiceConnected"), {other}).arguments().value(0).toBool());
        // The next connection opens it again; Disconnect asks us to let go before the link goes.
        BluezMock::setConnected(Pods, false);
        BluezMock::setConnected(Pods, true);
        QTRY_COMPARE(readings(), AapText);
        TestEnvironment::call(QDBusConnection::systemBus(), QStringLiteral("org.bluez"), Pods,
                              QStringLiteral("org.bluez.Device1"), QStringLiteral("Disconnect"));
        QTRY_VERIFY(!m_service->device(Pods).connected);
        QVERIFY(!serviceConnected());
        QCOMPARE(readings(), QStringLiteral("Battery 50 %"));
    }

    void accessoryLinkKnowsModelsAndHolders()
    {
        // AirPods Max without a Modalias: the metadata names the model, which has one battery.
        addDevice(1, BluezMock::AirpodsClass, true, false);
        BluezMock::call(QStringLiteral("SetAapBattery"), {Pods, QByteArray::fromHex("015a02")});
        BluezMock::call(QStringLiteral("SetAapExtra"), {Pods, QByteArray::fromHex(
                            "040004001d0002d5000400416972506f6473204d61780041323039360041")});
        QVERIFY(load());
        BluezMock::setConnected(Pods, true);
        QTRY_COMPARE(readings(), QStringLiteral("Battery 90 %"));
        QTRY_COMPARE(m_service->device(Pods).model, AirpodsModels::byProductId(0x200A));
        // Another program holds the profile's UUID: no channel of ours, and no complaint.
        QDBusConnection holder = QDBusConnection::connectToBus(QDBusConnection::SystemBus, QStringLiteral("holder"));
        init();
        addAirpods(true);
        QVariantMap options{{QStringLiteral("Role"), QStringLiteral("client")}};
        QVERIFY(TestEnvironment::call(holder, QStringLiteral("org.bluez"), QStringLiteral("/org/bluez"),
                                      QStringLiteral("org.bluez.ProfileManager1"), QStringLiteral("RegisterProfile"),
                                      {QVariant::fromValue(QDBusObjectPath("/other")), QString::fromLatin1(Aap::ServiceUuid),
                                       options}).type() != QDBusMessage::ErrorMessage);
        QVERIFY(load());
        QTest::qWait(500);
        QCOMPARE(BluezMock::call(QStringLiteral("GetAapReceived"), {Pods}).arguments().value(0).toStringList(),
                 QStringList());
        QCOMPARE(readings(), QStringLiteral("Battery 50 %"));
        QDBusConnection::disconnectFromBus(QStringLiteral("holder"));
    }

    // Where BlueZ offers the advertisement monitor manager, a pair of ours that is not connected is listened for by
    // the controller, and by no discovery; elsewhere only in bursts, while someone looks.
    void listensForNearbyPairsByMonitorOrBursts_data()
    {
        QTest::addColumn<bool>("offered");
        QTest::newRow("monitor manager offered") << true;
        QTest::newRow("not offered") << false;
    }
    void listensForNearbyPairsByMonitorOrBursts()
    {
        QFETCH(bool, offered);
        if (offered) {
            BluezMock::call(QStringLiteral("OfferAdvertisementMonitor"), {QStringLiteral("hci0")});
        }
        addAirpods(false);
        BluezMock::call(QStringLiteral("SetAapKeys"), {Pods, QByteArray(16, '\x22'), QByteArray(16, '\x11')});
        QVERIFY(load());
        AdvertisementMonitor monitor(m_service.get(), m_source.get(), DBusHelper::systemBus());
        m_source->setBurstTiming(std::chrono::milliseconds(300), std::chrono::seconds(60));
        const auto monitors = [] {
            return BluezMock::call(QStringLiteral("GetAdvertisementMonitors")).arguments().value(0).toStringList();
        };
        BluezMock::setConnected(Pods, true);
        QTRY_VERIFY(m_aap->pairKeys(Pods).encryptionKey.has_value());
        QCOMPARE(monitors(), QStringList());
        BluezMock::setConnected(Pods, false);
        const QStringList expected{m_us + QStringLiteral(" /com/vostel/Earlume/AdvertisementMonitor/hci0/proximity "
                                                         "or_patterns 0/ff/4c0007")};
        QTRY_COMPARE(monitors(), offered ? expected : QStringList());
        QTRY_COMPARE(monitor.isActive(), offered);
        m_source->refresh(); // the panel opened
        QTest::qWait(100);
        QCOMPARE(sessions(), offered ? QStringList() : QStringList{m_us});
        QTRY_COMPARE(sessions(), QStringList());
        // Connected again: the monitor goes.
        BluezMock::setConnected(Pods, true);
        QTRY_COMPARE(monitors(), QStringList());
    }

    void identityKeyProvesAdvertisements()
    {
        const QByteArray irk = QByteArray::fromHex("ec0234a357c8ad05341010a60a397d9b");
        std::array<std::uint8_t, 16> key{};
        std::copy(irk.cbegin(), irk.cend(), key.begin());
        const std::array<std::uint8_t, 3> hash = ResolvablePrivateAddress::ah(key, {0x70, 0x81, 0x94});
        const QString resolving = QStringLiteral("70:81:94:%1:%2:%3").arg(hash[0], 2, 16, QLatin1Char('0'))
                                      .arg(hash[1], 2, 16, QLatin1Char('0')).arg(hash[2], 2, 16, QLatin1Char('0'));
        addAirpods(false);
        BluezMock::call(QStringLiteral("SetAapKeys"), {Pods, irk, QByteArray(16, '\x11')});
        QVERIFY(load());
        BluezMock::setConnected(Pods, true); // a channel without battery reports, but with the keys
        QTRY_VERIFY(m_keys.irk(QStringLiteral("AA:00:00:00:00:01")).has_value());
        QCOMPARE(*m_keys.irk(QStringLiteral("AA:00:00:00:00:01")), key);
        // A weak message from the pair's address wins over a strong one from elsewhere.
        for (const auto &[address, levels, rssi] : {std::tuple{resolving, frame(6, 5, 4), -80},
                                                    std::tuple{QStringLiteral("4C:11:22:33:44:01"), frame(8, 9, 7), -40}}) {
            BluezMock::call(QStringLiteral("AddLEDevice"), {QStringLiteral("hci0"), address, QVariant::fromValue(levels),
                                                            QVariant::fromValue(qint16(rssi))});
        }
        QTRY_COMPARE(m_source->advertisements().size(), 2);
        QTRY_COMPARE(readings(), QStringLiteral("Left 60 %, Right 50 %, Case 40 %"));
        QCOMPARE(m_service->battery(Pods).origin, BatteryOrigin::ProvenAdvertisement);
        // The sealed part opens with the encryption key: levels to 1 %, the left bud primary by status bit 5; a
        // case above 100 is no reading there, so the clear part's 10 % level stands.
        const QByteArray sealing(16, '\x11');
        const QString ours = QStringLiteral("/org/bluez/hci0/dev_") + QString(resolving).replace(u':', u'_').toUpper();
        const auto advertise = [](const QString &path, const ManufacturerData &data) {
            BluezMock::call(QStringLiteral("UpdateAdvertisement"), {path, QVariant::fromValue(data),
                                                                    QVariant::fromValue(qint16(-80))});
        };
        advertise(ours, sealedFrame(0x75, 0x0A, QByteArray::fromHex("57bbff"), sealing));
        QTRY_COMPARE(readings(), QStringLiteral("Left 87 %, Right 59 % charging, Case 40 %"));
        QCOMPARE(m_service->battery(Pods).right, (BatteryLevel{59, true}));
        // Disconnected here and still heard: a pair nearby keeps its levels. Its lid, from a bud in the case (status
        // bit 6), opening with its counter moved is one opening, told once; a stranger's opening is nothing.
        QSignalSpy openings(m_service.get(), &BluetoothService::caseOpened);
        BluezMock::setConnected(Pods, false);
        QTRY_VERIFY(!m_service->device(Pods).connected);
        QCOMPARE(readings(), QStringLiteral("Left 87 %, Right 59 % charging, Case 40 %"));
        advertise(QStringLiteral("/org/bluez/hci0/dev_4C_11_22_33_44_01"), sealedFrame(0x75, 0x0A, {}, sealing));
        advertise(QStringLiteral("/org/bluez/hci0/dev_4C_11_22_33_44_01"), sealedFrame(0x75, 0x03, {}, sealing));
        for (const int lid : {0x03, 0x03, 0x0B, 0x04}) {
            advertise(ours, sealedFrame(0x75, lid, QByteArray::fromHex("5a3b2a"), sealing));
        }
        QTRY_COMPARE(openings.size(), 2);
        QTest::qWait(100);
        QCOMPARE(openings.size(), 2);
        QCOMPARE(openings.at(0).at(0).toString(), Pods);
        QCOMPARE(readings(), QStringLiteral("Left 90 %, Right 59 %, Case 42 %"));
        // The key survives a restart of the agent, and goes with the device.
        QVERIFY(load());
        QVERIFY(m_aap->identityKey(Pods).has_value());
        TestEnvironment::call(QDBusConnection::systemBus(), QStringLiteral("org.bluez"), Adapter,
                              QStringLiteral("org.bluez.Adapter1"), QStringLiteral("RemoveDevice"),
                              {QVariant::fromValue(QDBusObjectPath(Pods))});
        QTRY_VERIFY(!m_keys.irk(QStringLiteral("AA:00:00:00:00:01")).has_value());
        // An adapter that goes away takes the pair along, open channel and all, but not its keys.
        addAirpods(false);
        BluezMock::call(QStringLiteral("SetAapKeys"), {Pods, irk, QByteArray(16, '\x11')});
        BluezMock::setConnected(Pods, true);
        QTRY_VERIFY(m_keys.irk(QStringLiteral("AA:00:00:00:00:01")).has_value());
        BluezMock::call(QStringLiteral("UnplugAdapter"), {QStringLiteral("hci0")});
        QTRY_VERIFY(m_service->pairedDevices().isEmpty());
        QTest::qWait(int(AapBatterySource::AdapterGrace.count()) + 500);
        QVERIFY(m_keys.irk(QStringLiteral("AA:00:00:00:00:01")).has_value());
    }
};

QTEST_GUILESS_MAIN(TestBluezBluetoothService)
#include "TestBluezBluetoothService.moc"
