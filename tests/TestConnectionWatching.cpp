// SPDX-License-Identifier: GPL-3.0-or-later
// The real agent following AirPods on the simulated BlueZ: its tray icon and its heads-up windows.
#include "DBusNames.h"
#include "Notifications.h"
#include "support/TestEnvironment.h"

#include <QTest>

#include <memory>

class TestConnectionWatching : public QObject
{
    Q_OBJECT

    PostRecorder m_recorder;
    std::unique_ptr<ProgramUnderTest> m_agent;
    QString m_pods;

    bool startAgent(bool hideMenu, bool showHud)
    {
        TestEnvironment::writeSettings(hideMenu, showHud, false, false);
        const int pings = m_recorder.count(Notifications::Ping);
        m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        return m_agent->start() && m_recorder.waitFor(Notifications::Ping, pings + 1);
    }

    // The tray icon's pixels, as the tray host reads them.
    static QByteArray trayIcon()
    {
        QStringList arguments = QStringLiteral("call --session --object-path /StatusNotifierItem --method "
                                               "org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "
                                               "IconPixmap --dest")
                                    .split(u' ');
        QProcess gdbus;
        gdbus.start(QStringLiteral("gdbus"), arguments << TestEnvironment::trayItems().value(0).section(u'/', 0, 0));
        gdbus.waitForFinished();
        return gdbus.readAllStandardOutput();
    }

private Q_SLOTS:
    void initTestCase()
    {
        BluezMock::addAdapter();
        // Connected all along and never AirPods, one of them a single bit of its class away.
        BluezMock::addDevice(QStringLiteral("AA:00:00:00:02:01"), QStringLiteral("Keyboard"), 0x002540, true, true);
        BluezMock::addDevice(QStringLiteral("AA:00:00:00:02:02"), QStringLiteral("Headset"),
                             BluezMock::AirpodsClass ^ 0x4, true, true);
    }

    void init()
    {
        m_pods = BluezMock::addDevice(QStringLiteral("AA:00:00:00:01:01"), QStringLiteral("Pods"),
                                      BluezMock::AirpodsClass, true, false);
    }

    void cleanup()
    {
        m_agent.reset();
        BluezMock::removeDevice(m_pods);
    }

    void headsUpWindowPerConnectionChange_data()
    {
        QTest::addColumn<bool>("showHud");
        QTest::newRow("shown") << true;
        QTest::newRow("turned off") << false;
    }
    void headsUpWindowPerConnectionChange()
    {
        QFETCH(bool, showHud);
        const QString hudLine = QStringLiteral("Window ordered out!");
        const QString hudTitle = QStringLiteral("Earlume");
        QVERIFY(startAgent(false, showHud));
        QTRY_VERIFY(!trayIcon().isEmpty());
        const QByteArray disconnected = trayIcon();
        BluezMock::setConnected(m_pods, true);
        QTRY_VERIFY(trayIcon() != disconnected);
        const QByteArray connected = trayIcon();
        BluezMock::setConnected(m_pods, false);
        QTRY_COMPARE(trayIcon(), disconnected);
        // The same state reported again is no change.
        TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService, m_pods,
                              QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("UpdateProperties"),
                              {DBusNames::BluezDeviceInterface, QVariantMap{{QStringLiteral("Connected"), false}}});
        BluezMock::setConnected(m_pods, true);
        QTRY_COMPARE(trayIcon(), connected);
        QTRY_COMPARE(TestEnvironment::visibleWindowCount(hudTitle), showHud ? 3 : 0);
        if (showHud) {
            QVERIFY(m_agent->waitForLine(hudLine, 3));
            QTRY_COMPARE(TestEnvironment::windowCount(QStringLiteral("Earlume")), 0); // closed, not only hidden
            QTest::qWait(200);
        }
        QCOMPARE(m_agent->count(hudLine), showHud ? 3 : 0);
    }

    void hideMenuShowsTheIconOnlyWhileConnected()
    {
        QVERIFY(startAgent(true, false));
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 0);
        BluezMock::setConnected(m_pods, true);
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
        BluezMock::setConnected(m_pods, false);
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 0);
        TestEnvironment::writeSettings(false, false, false, false);
        m_recorder.post(Notifications::ReloadSettings);
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestConnectionWatching)
#include "TestConnectionWatching.moc"
