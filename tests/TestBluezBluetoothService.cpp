// SPDX-License-Identifier: GPL-3.0-or-later
// The BlueZ client's cache and requests against the simulated bluetoothd on a private system bus.
#include "bluetooth/BluezBluetoothService.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>

#include <memory>

class TestBluezBluetoothService : public QObject
{
    Q_OBJECT

    std::unique_ptr<BluezBluetoothService> m_service;
    const QString m_pods = QStringLiteral("/org/bluez/hci0/dev_AA_00_00_00_00_01");

    bool load()
    {
        m_service = std::make_unique<BluezBluetoothService>(QDBusConnection::systemBus());
        return QTest::qWaitFor([this] { return m_service->isAvailable(); });
    }
    static void addDevice(int number, quint32 classOfDevice, bool paired, bool connected)
    {
        BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:0%1").arg(number), QStringLiteral("Device %1").arg(number),
                             classOfDevice, paired, connected);
    }

private Q_SLOTS:
    void init()
    {
        m_service.reset();
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
        QCOMPARE(paired.at(0), (BluetoothDevice{m_pods, QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Device 1"),
                                                BluezMock::AirpodsClass, true, true, QString()}));
        QVERIFY(paired.at(0).isAirpods() && !paired.at(1).isAirpods());
        QCOMPARE(m_service->allDevices().size(), 3);
        QCOMPARE(BluezMock::getManagedObjectsCallCount(), 1u);
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
        TestEnvironment::call(QDBusConnection::systemBus(), QStringLiteral("org.bluez"), m_pods,
                              QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("UpdateProperties"),
                              {QStringLiteral("org.bluez.Device1"), QVariantMap{{QStringLiteral("Connected"), true}}});
        BluezMock::setConnected(m_pods, false);
        QTRY_COMPARE(connections.size(), 2);
        QVERIFY(!reported(1).connected);
        BluezMock::setConnected(m_pods, true);
        QTRY_COMPARE(connections.size(), 3);
        BluezMock::removeDevice(m_pods); // a connected device that goes away has disconnected
        QTRY_COMPARE(connections.size(), 4);
        QVERIFY(!reported(3).connected && reported(3).isAirpods());
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
        BluezMock::setConnectError(m_pods, status ? QStringLiteral("org.bluez.Error.Failed") : QString(), errorMessage);
        QVERIFY(load());
        QSignalSpy finished(m_service->connectDevice(m_pods), &PendingConnect::finished);
        QVERIFY(finished.wait());
        QCOMPARE(finished.at(0).at(0).toInt(), status);
        QTRY_COMPARE(m_service->device(m_pods).connected, status == 0);
        m_service->disconnectDevice(m_pods);
        QTRY_VERIFY(!m_service->device(m_pods).connected);
    }

    void survivesBluezGoingAndComingBack()
    {
        addDevice(1, BluezMock::AirpodsClass, true, true);
        QVERIFY(load());
        QSignalSpy available(m_service.get(), &BluetoothService::availableChanged);
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("stop-bluez")));
        QTRY_COMPARE(available.size(), 1);
        QVERIFY(!available.at(0).at(0).toBool() && m_service->pairedDevices().isEmpty());
        QSignalSpy refused(m_service->connectDevice(m_pods), &PendingConnect::finished);
        QVERIFY(refused.wait());
        QCOMPARE(refused.at(0).at(0).toInt(), 1);
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("start-bluez")));
        QTRY_COMPARE(available.size(), 2);
        BluezMock::addAdapter();
        addDevice(1, BluezMock::AirpodsClass, true, false);
        QTRY_COMPARE(m_service->pairedDevices().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestBluezBluetoothService)
#include "TestBluezBluetoothService.moc"
