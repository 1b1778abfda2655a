// SPDX-License-Identifier: GPL-3.0-or-later
// The BlueZ adapter against a simulated bluetoothd on a private system bus.
#include "bluetooth/BluezBluetoothService.h"
#include "support/TestEnvironment.h"

#include <QDBusMetaType>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace
{
const QString Airpods = QStringLiteral("/org/bluez/hci0/dev_AA_00_00_00_00_01");
}

class TestBluezBluetoothService : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BluezBluetoothService> makeLoadedService()
    {
        auto service = std::make_unique<BluezBluetoothService>(QDBusConnection::systemBus());
        QSignalSpy available(service.get(), &BluetoothService::availableChanged);
        if (!service->isAvailable() && !available.wait(5000)) {
            qWarning() << "BlueZ did not load";
        }
        return service;
    }

private Q_SLOTS:
    void initTestCase()
    {
        qRegisterMetaType<BluetoothDevice>();
        qDBusRegisterMetaType<QMap<quint16, QByteArray>>();
        BluezMock::addAdapter();
    }

    void cleanup()
    {
        for (const QString &path : {Airpods, QStringLiteral("/org/bluez/hci0/dev_AA_00_00_00_00_02"),
                                    QStringLiteral("/org/bluez/hci0/dev_AA_00_00_00_00_03")}) {
            if (!BluezMock::properties(path, QStringLiteral("org.bluez.Device1")).isEmpty()) {
                BluezMock::removeDevice(path);
            }
        }
    }

    void pairedDevicesInPathOrderFromOneLoad()
    {
        BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:03"), QStringLiteral("Keyboard"), 0x002540, true, false);
        BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Pods"), BluezMock::AirpodsClass, true,
                             true);
        BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:02"), QStringLiteral("Not paired"), 0x240404, false, false);
        TestEnvironment::call(QDBusConnection::systemBus(), QStringLiteral("org.bluez"), QStringLiteral("/"),
                              QStringLiteral("org.bluez.Mock"), QStringLiteral("ResetGetManagedObjectsCallCount"));

        const auto service = makeLoadedService();
        QVERIFY(service->isAvailable());
        for (int i = 0; i < 5; ++i) {
            const QList<BluetoothDevice> paired = service->pairedDevices();
            QCOMPARE(paired.size(), 2);
            QCOMPARE(paired.at(0).path, Airpods);
            QCOMPARE(paired.at(0).name, QStringLiteral("Pods"));
            QCOMPARE(paired.at(0).classOfDevice, quint32(0x240418));
            QVERIFY(paired.at(0).connected);
            QVERIFY(paired.at(0).isAirpods());
            QCOMPARE(paired.at(1).name, QStringLiteral("Keyboard"));
            QVERIFY(!paired.at(1).isAirpods());
        }
        QCOMPARE(BluezMock::getManagedObjectsCallCount(), 1u);
    }

    void aliasIsTheNameAndAMissingClassReadsZero()
    {
        const auto service = makeLoadedService();
        TestEnvironment::call(QDBusConnection::systemBus(), QStringLiteral("org.bluez"), QStringLiteral("/"),
                              QStringLiteral("org.bluez.Mock"), QStringLiteral("AddLEDevice"),
                              {QStringLiteral("hci0"), QStringLiteral("AA:00:00:00:00:03"),
                               QVariant::fromValue(QMap<quint16, QByteArray>{}), QVariant::fromValue(qint16(-50))});
        QTRY_COMPARE(service->allDevices().size(), 1);
        QCOMPARE(service->allDevices().first().classOfDevice, 0u);
        QVERIFY(service->pairedDevices().isEmpty());
    }

    void batteryPercentageStandsForBothBuds()
    {
        const QString path = BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Pods"),
                                                  BluezMock::AirpodsClass, true, true);
        const auto service = makeLoadedService();
        QCOMPARE(service->batteryReadings(path), BatteryReadings{});
        QSignalSpy changed(service.get(), &BluetoothService::batteryReadingsChanged);
        BluezMock::setBattery(path, 70);
        QTRY_VERIFY(!changed.isEmpty());
        QCOMPARE(service->batteryReadings(path), (BatteryReadings{70, 70, 0}));
        BluezMock::setBattery(path, 65);
        QTRY_COMPARE(service->batteryReadings(path).left, 65);
        TestEnvironment::call(QDBusConnection::systemBus(), QStringLiteral("org.bluez"), QStringLiteral("/"),
                              QStringLiteral("org.bluez.Mock"), QStringLiteral("RemoveBattery"),
                              {QVariant::fromValue(QDBusObjectPath(path))});
        QTRY_COMPARE(service->batteryReadings(path), BatteryReadings{});
    }

    void connectionChangesAreReportedOnce()
    {
        const auto service = makeLoadedService();
        QSignalSpy changes(service.get(), &BluetoothService::deviceConnectionChanged);
        const QString path = BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Pods"),
                                                  BluezMock::AirpodsClass, true, false);
        QTRY_COMPARE(service->pairedDevices().size(), 1);
        BluezMock::setConnected(path, true);
        QTRY_COMPARE(changes.size(), 1);
        QVERIFY(changes.at(0).at(0).value<BluetoothDevice>().connected);
        // The same state again is not a connection.
        BluezMock::setConnected(path, true);
        BluezMock::setConnected(path, false);
        QTRY_COMPARE(changes.size(), 2);
        QVERIFY(!changes.at(1).at(0).value<BluetoothDevice>().connected);
        BluezMock::setConnected(path, true);
        QTRY_COMPARE(changes.size(), 3);
        // A connected device that goes away has disconnected.
        BluezMock::removeDevice(path);
        QTRY_COMPARE(changes.size(), 4);
        const auto last = changes.at(3).at(0).value<BluetoothDevice>();
        QVERIFY(!last.connected);
        QVERIFY(last.isAirpods());
        QCOMPARE(last.path, path);
    }

    void deviceThatAppearsConnectedIsAConnection()
    {
        const auto service = makeLoadedService();
        QSignalSpy changes(service.get(), &BluetoothService::deviceConnectionChanged);
        BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Pods"), BluezMock::AirpodsClass,
                             true, true);
        QTRY_COMPARE(changes.size(), 1);
        QVERIFY(changes.first().first().value<BluetoothDevice>().connected);
    }

    void connectAttemptStatus_data()
    {
        QTest::addColumn<QString>("errorName");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("status");
        QTest::newRow("success") << QString() << QString() << 0;
        QTest::newRow("page timeout") << QStringLiteral("org.bluez.Error.Failed") << QStringLiteral("Page Timeout") << 4;
        QTest::newRow("page timeout, newer wording")
            << QStringLiteral("org.bluez.Error.Failed") << QStringLiteral("br-connection-page-timeout") << 4;
        QTest::newRow("other failure") << QStringLiteral("org.bluez.Error.Failed") << QStringLiteral("Host is down") << 1;
        QTest::newRow("not ready") << QStringLiteral("org.bluez.Error.NotReady") << QStringLiteral("Resource Not Ready")
                                   << 1;
    }
    void connectAttemptStatus()
    {
        QFETCH(QString, errorName);
        QFETCH(QString, message);
        QFETCH(int, status);
        const QString path = BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Pods"),
                                                  BluezMock::AirpodsClass, true, false);
        if (!errorName.isEmpty()) {
            BluezMock::setConnectError(path, errorName, message);
        }
        const auto service = makeLoadedService();
        if (status != 0) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Connect .* failed")));
        }
        PendingConnect *attempt = service->connectDevice(path);
        QSignalSpy finished(attempt, &PendingConnect::finished);
        QVERIFY(finished.wait());
        QCOMPARE(finished.first().first().toInt(), status);
        QTRY_COMPARE(service->device(path).connected, status == 0);
    }

    void disconnectReachesTheDevice()
    {
        const QString path = BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Pods"),
                                                  BluezMock::AirpodsClass, true, true);
        const auto service = makeLoadedService();
        service->disconnectDevice(path);
        QTRY_VERIFY(!service->device(path).connected);
    }

    void survivesBluezGoingAndComingBack()
    {
        BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Pods"), BluezMock::AirpodsClass, true,
                             true);
        const auto service = makeLoadedService();
        QCOMPARE(service->pairedDevices().size(), 1);
        QSignalSpy available(service.get(), &BluetoothService::availableChanged);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("BlueZ left the system bus")));
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("stop-bluez")));
        QTRY_COMPARE(available.size(), 1);
        QVERIFY(!available.first().first().toBool());
        QVERIFY(service->pairedDevices().isEmpty());
        QVERIFY(!service->isAvailable());
        PendingConnect *attempt = service->connectDevice(Airpods);
        QSignalSpy refused(attempt, &PendingConnect::finished);
        QVERIFY(refused.wait());
        QCOMPARE(refused.first().first().toInt(), 1);

        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("start-bluez")));
        QTRY_COMPARE(available.size(), 2);
        QVERIFY(available.last().first().toBool());
        BluezMock::addAdapter();
        BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Pods again"), BluezMock::AirpodsClass,
                             true, false);
        QTRY_COMPARE(service->pairedDevices().size(), 1);
        QCOMPARE(service->pairedDevices().first().name, QStringLiteral("Pods again"));
    }

    void withoutBluezTheListIsEmptyAndSaidOnce()
    {
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("stop-bluez")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not running on the system bus")));
        BluezBluetoothService service(QDBusConnection::systemBus());
        QTest::qWait(500);
        QVERIFY(service.pairedDevices().isEmpty());
        QVERIFY(!service.isAvailable());
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("start-bluez")));
        BluezMock::addAdapter();
    }

    void withoutASystemBusTheListIsEmpty()
    {
        const QDBusConnection nowhere = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                                      QStringLiteral("nowhere"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no system bus")));
        BluezBluetoothService service(nowhere);
        QVERIFY(service.pairedDevices().isEmpty());
        PendingConnect *attempt = service.connectDevice(Airpods);
        QSignalSpy finished(attempt, &PendingConnect::finished);
        QVERIFY(finished.wait());
        QCOMPARE(finished.first().first().toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(TestBluezBluetoothService)
#include "TestBluezBluetoothService.moc"
