// SPDX-License-Identifier: GPL-3.0-or-later
// The real agent in a private desktop, seen from outside: what it posts and writes, its tray icon and its heads-up
// windows as AirPods come and go on the simulated BlueZ, and a desktop with neither tray nor BlueZ (the last test).
#include "DBusNames.h"
#include "Notifications.h"
#include "support/TestEnvironment.h"

#include <QDBusConnectionInterface>

#include <csignal>
#include <memory>

class TestAgentEndToEnd : public QObject
{
    Q_OBJECT

    std::unique_ptr<PostRecorder> m_recorder;
    std::unique_ptr<ProgramUnderTest> m_agent;
    QString m_pods;

    // The tray icon's pixels, as the tray host reads them.
    static QByteArray trayIcon()
    {
        QProcess gdbus;
        gdbus.start(QStringLiteral("gdbus"),
                    QStringLiteral("call --session --object-path /StatusNotifierItem --method "
                                   "org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem IconPixmap --dest")
                            .split(u' ')
                        << TestEnvironment::trayItems().value(0).section(u'/', 0, 0));
        gdbus.waitForFinished();
        return gdbus.readAllStandardOutput();
    }

private Q_SLOTS:
    void initTestCase()
    {
        BluezMock::addAdapter();
        m_pods = BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Pods"),
                                      BluezMock::AirpodsClass, true, false);
    }

    void init()
    {
        BluezMock::setConnected(m_pods, false);
        TestEnvironment::writeSettings(false, false, false, false);
        m_recorder = std::make_unique<PostRecorder>();
        m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        QVERIFY(m_agent->start());
        QVERIFY(m_recorder->waitFor(Notifications::Ping));
        QCOMPARE(m_recorder->posts().first().object, BundleIdentifier::Agent);
    }

    void cleanup() { m_agent.reset(); }

    void followsTheDesktopAppearanceAndReloads()
    {
        const QString line = QStringLiteral("Settings reloaded");
        QTest::qWait(500); // for the portal's first answer: dark, read through the older portal's Read
        const QByteArray dark = trayIcon();
        TestEnvironment::setColorScheme(0); // no preference: light
        QTRY_VERIFY(trayIcon() != dark);
        TestEnvironment::setColorScheme(1);
        QTRY_COMPARE(trayIcon(), dark);
        m_recorder->post(Notifications::ReloadSettings);
        m_recorder->post(Notifications::ChangeDarkMode, QStringLiteral("anyone"));
        QVERIFY(m_agent->waitForLine(line, 4));
        m_recorder->post(Notifications::ReloadSettings.chopped(1)); // nobody's business
        m_recorder->post(Notifications::MonitorEcho);
        QVERIFY(m_recorder->waitFor(Notifications::Ping, 2));
        QTest::qWait(200);
        QCOMPARE(m_agent->lines(), QStringList(4, line));
    }

    void quitPostsOneUnpingAndExits_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("MonitorQuit") << 0;
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void quitPostsOneUnpingAndExits()
    {
        QFETCH(int, signalNumber);
        if (signalNumber) {
            ::kill(pid_t(m_agent->pid()), signalNumber);
        } else {
            m_recorder->post(Notifications::MonitorQuit);
        }
        m_recorder->post(Notifications::MonitorEcho); // a question after the goodbye gets no answer
        QVERIFY(m_agent->waitForExit());
        QCOMPARE(m_agent->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_agent->exitCode(), 0);
        QVERIFY(m_recorder->waitFor(Notifications::Unping));
        QTest::qWait(200);
        QCOMPARE(m_recorder->count(Notifications::Unping), 1);
        const auto posts = m_recorder->posts();
        const auto named = [](const QString &name) { return [name](const auto &post) { return post.name == name; }; };
        QVERIFY(std::none_of(std::find_if(posts.cbegin(), posts.cend(), named(Notifications::Unping)), posts.cend(),
                             named(Notifications::Ping)));
    }

    void secondInstanceLeavesAtOnce()
    {
        QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(DBusNames::AgentService));
        ProgramUnderTest second(QStringLiteral("Earlume"));
        QVERIFY(second.start());
        QVERIFY(second.waitForExit());
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(m_recorder->count(Notifications::Ping), 1);
        QVERIFY(m_agent->isRunning());
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
        TestEnvironment::writeSettings(false, showHud, false, false);
        m_recorder->post(Notifications::ReloadSettings);
        QVERIFY(m_agent->waitForLine(QStringLiteral("Settings reloaded")));
        QTRY_VERIFY(!trayIcon().isEmpty());
        const QByteArray disconnected = trayIcon();
        BluezMock::setConnected(m_pods, true);
        QTRY_VERIFY(trayIcon() != disconnected);
        BluezMock::setConnected(m_pods, false);
        QTRY_COMPARE(trayIcon(), disconnected);
        QVERIFY(showHud || TestEnvironment::visibleWindowCount(QStringLiteral("Earlume")) == 0); // none shows up
        QVERIFY(m_agent->waitForLine(hudLine, showHud ? 2 : 0));
        QTest::qWait(200);
        QCOMPARE(m_agent->count(hudLine), showHud ? 2 : 0);
    }

    void hideMenuShowsTheIconOnlyWhileConnected()
    {
        TestEnvironment::writeSettings(true, false, false, false);
        m_recorder->post(Notifications::ReloadSettings);
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 0);
        BluezMock::setConnected(m_pods, true);
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
        QTRY_VERIFY(!trayIcon().isEmpty());
        const QByteArray shown = trayIcon();
        BluezMock::setConnected(m_pods, false);
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 0);
        // The icon that appears under "Hide Menu" shows the connected picture, as without the option.
        BluezMock::setConnected(m_pods, true);
        TestEnvironment::writeSettings(false, false, false, false);
        m_recorder->post(Notifications::ReloadSettings);
        QVERIFY(m_agent->waitForLine(QStringLiteral("Settings reloaded")));
        QTRY_COMPARE(trayIcon(), shown);
    }

    void iconFollowsAFirstPairing()
    {
        QTRY_VERIFY(!trayIcon().isEmpty());
        const QByteArray disconnected = trayIcon();
        // BlueZ reports AirPods paired for the first time as connected before they are paired.
        const QString fresh = BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:02"), QStringLiteral("New"),
                                                   BluezMock::AirpodsClass, false, true);
        TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService, fresh,
                              QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("UpdateProperties"),
                              {DBusNames::BluezDeviceInterface, QVariantMap{{QStringLiteral("Paired"), true}}});
        QTRY_VERIFY(trayIcon() != disconnected);
        TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService, QStringLiteral("/org/bluez/hci0"),
                              QStringLiteral("org.bluez.Adapter1"), QStringLiteral("RemoveDevice"),
                              {QVariant::fromValue(QDBusObjectPath(fresh))});
        QTRY_COMPARE(trayIcon(), disconnected);
    }

    void saysOnceWhatIsMissingAndKeepsAnswering()
    {
        m_agent.reset();
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("stop-watcher")));
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("stop-bluez")));
        m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        QVERIFY(m_agent->start());
        QTRY_VERIFY(m_agent->standardError().contains(QLatin1String("not running on the system bus")));
        m_recorder->post(Notifications::MonitorEcho);
        QVERIFY(m_recorder->waitFor(Notifications::Ping, 3));
        QCOMPARE(m_agent->standardError().count(QLatin1String("shows no tray icons")), 1);
        QCOMPARE(m_agent->standardError().count(QLatin1String("not running on the system bus")), 1);
    }
};

QTEST_GUILESS_MAIN(TestAgentEndToEnd)
#include "TestAgentEndToEnd.moc"
