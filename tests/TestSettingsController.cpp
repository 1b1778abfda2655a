// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusHelper.h"
#include "DBusNames.h"
#include "DistributedNotificationCenter.h"
#include "LoginServiceKit.h"
#include "Notifications.h"
#include "SettingsController.h"
#include "TestSettingsSupport.h"
#include "UserDefaults.h"

#include <QDBusConnectionInterface>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace
{
const QString AgentPath = QStringLiteral("/opt/earlume/bin/Earlume");

/// An agent of our own on a second bus connection: owns the agent's name when asked and answers echoes.
class FakeAgent
{
public:
    FakeAgent()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fakeAgent")))
        , m_center(m_bus)
    {
    }
    ~FakeAgent()
    {
        m_bus.unregisterService(DBusNames::AgentService);
        QDBusConnection::disconnectFromBus(QStringLiteral("fakeAgent"));
    }

    bool takeName() { return m_bus.registerService(DBusNames::AgentService); }
    bool dropName() { return m_bus.unregisterService(DBusNames::AgentService); }
    void answerEchoes(QObject *context)
    {
        m_center.addObserver(Notifications::MonitorEcho, context, [this] {
            m_center.post(Notifications::Ping, BundleIdentifier::Agent);
        });
    }
    DistributedNotificationCenter *center() { return &m_center; }

private:
    QDBusConnection m_bus;
    DistributedNotificationCenter m_center;
};
} // namespace

class TestSettingsController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void emptySuiteReadsAllOff();
    void readOptions_data();
    void readOptions();
    void startEchoesOnceAfterObserving();
    void runningAgentAnswersEcho();
    void noAgentOnTheBusMeansNotRunning();
    void pingAndUnpingSwitchState();
    void repeatedPingRepeatsUpdate();
    void agentLeavingTheBusMeansNotRunning();
    void startWhenNotRunningLaunchesAgent();
    void secondStartLaunchesAgain();
    void stopWhenRunningPostsQuit();
    void changeSettingsWritesAllFourKeys_data();
    void changeSettingsWritesAllFourKeys();
    void readerOfReloadSeesTheNewOptions();
    void changeSettingsLogsInOrder_data();
    void changeSettingsLogsInOrder();
    void changeSettingsReappliesLoginItem();
    void loginItemsNotificationIsForwarded();
    void autostartChangeIsPosted();

private:
    std::unique_ptr<SettingsController> makeController();
    static void writeSuite(const QHash<QString, QVariant> &values);

    std::unique_ptr<ScopedConfigHome> m_home;
    FakeAgentLauncher m_launcher;
    DistributedNotificationCenter *m_center = nullptr;
    std::unique_ptr<NotificationRecorder> m_recorder;
};

void TestSettingsController::initTestCase()
{
    QVERIFY2(DBusHelper::sessionBus().isConnected(), "these tests need a session bus");
    m_center = DistributedNotificationCenter::defaultCenter();
    QVERIFY(m_center->isConnected());
}

void TestSettingsController::init()
{
    m_home = std::make_unique<ScopedConfigHome>();
    m_launcher.launched.clear();
    m_recorder = std::make_unique<NotificationRecorder>(m_center);
}

void TestSettingsController::cleanup()
{
    m_recorder.reset();
    m_home.reset();
}

std::unique_ptr<SettingsController> TestSettingsController::makeController()
{
    return std::make_unique<SettingsController>(AgentPath, &m_launcher, m_center, DBusHelper::sessionBus());
}

void TestSettingsController::writeSuite(const QHash<QString, QVariant> &values)
{
    QSettings suite(UserDefaults::filePath(), QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it) {
        suite.setValue(it.key(), it.value());
    }
}

void TestSettingsController::emptySuiteReadsAllOff()
{
    QVERIFY(!QFile::exists(UserDefaults::filePath()));
    QCOMPARE(SettingsController::readOptions(), SettingsController::Options());
}

void TestSettingsController::readOptions_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("expectedOn");
    // expectedOn: 0 none, 1 hideMenu, 2 showHudOnConnection, 3 settingsButton, 4 connectButton
    QTest::newRow("Hide Menu") << SettingsKeys::HideMenu << QVariant(true) << 1;
    QTest::newRow("Show Hud On Connection") << SettingsKeys::ShowHudOnConnection << QVariant(true) << 2;
    QTest::newRow("Settings Button") << SettingsKeys::SettingsButton << QVariant(true) << 3;
    QTest::newRow("Connect Button") << SettingsKeys::ConnectButton << QVariant(true) << 4;
    QTest::newRow("stored false") << SettingsKeys::HideMenu << QVariant(false) << 0;
    QTest::newRow("near miss of a key") << QStringLiteral("Hide menu") << QVariant(true) << 0;
}

void TestSettingsController::readOptions()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(int, expectedOn);
    writeSuite({{key, value}});
    SettingsController::Options expected;
    expected.hideMenu = expectedOn == 1;
    expected.showHudOnConnection = expectedOn == 2;
    expected.settingsButton = expectedOn == 3;
    expected.connectButton = expectedOn == 4;
    QCOMPARE(SettingsController::readOptions(), expected);
}

void TestSettingsController::startEchoesOnceAfterObserving()
{
    auto controller = makeController();
    QCOMPARE(controller->agentState(), SettingsController::AgentState::Unknown);
    QVERIFY(!controller->isDaemonRunning());
    controller->start();
    QVERIFY(m_recorder->flush());
    QCOMPARE(m_recorder->objectsOf(Notifications::MonitorEcho), QStringList{BundleIdentifier::Settings});
}

void TestSettingsController::runningAgentAnswersEcho()
{
    FakeAgent agent;
    QVERIFY(agent.takeName());
    agent.answerEchoes(this);
    auto controller = makeController();
    QSignalSpy states(controller.get(), &SettingsController::agentStateChanged);
    controller->start();
    QTRY_COMPARE(controller->agentState(), SettingsController::AgentState::Running);
    QVERIFY(controller->isDaemonRunning());
    QCOMPARE(states.first().first().value<SettingsController::AgentState>(), SettingsController::AgentState::Running);
}

void TestSettingsController::noAgentOnTheBusMeansNotRunning()
{
    QVERIFY(!DBusHelper::sessionBus().interface()->isServiceRegistered(DBusNames::AgentService));
    auto controller = makeController();
    controller->start();
    QTRY_COMPARE(controller->agentState(), SettingsController::AgentState::NotRunning);
    QVERIFY(!controller->isDaemonRunning());
}

void TestSettingsController::pingAndUnpingSwitchState()
{
    FakeAgent agent;
    QVERIFY(agent.takeName());
    auto controller = makeController();
    controller->start();
    agent.center()->post(Notifications::Ping, BundleIdentifier::Agent);
    QTRY_VERIFY(controller->isDaemonRunning());
    QCOMPARE(controller->agentState(), SettingsController::AgentState::Running);
    agent.center()->post(Notifications::Unping, BundleIdentifier::Agent);
    QTRY_VERIFY(!controller->isDaemonRunning());
    QCOMPARE(controller->agentState(), SettingsController::AgentState::NotRunning);
    // The name does not matter, only the notification: any sender's Ping counts.
    m_center->post(Notifications::Ping, QStringLiteral("someone else"));
    QTRY_VERIFY(controller->isDaemonRunning());
}

void TestSettingsController::repeatedPingRepeatsUpdate()
{
    FakeAgent agent;
    QVERIFY(agent.takeName());
    auto controller = makeController();
    controller->start();
    QSignalSpy states(controller.get(), &SettingsController::agentStateChanged);
    agent.center()->post(Notifications::Ping, BundleIdentifier::Agent);
    agent.center()->post(Notifications::Ping, BundleIdentifier::Agent);
    QTRY_COMPARE(states.count(), 2);
    QCOMPARE(states.at(1).first().value<SettingsController::AgentState>(), SettingsController::AgentState::Running);
}

void TestSettingsController::agentLeavingTheBusMeansNotRunning()
{
    auto agent = std::make_unique<FakeAgent>();
    QVERIFY(agent->takeName());
    agent->answerEchoes(this);
    auto controller = makeController();
    controller->start();
    QTRY_VERIFY(controller->isDaemonRunning());
    // Gone without a word, as after a crash.
    agent.reset();
    QTRY_COMPARE(controller->agentState(), SettingsController::AgentState::NotRunning);
    QVERIFY(!controller->isDaemonRunning());
}

void TestSettingsController::startWhenNotRunningLaunchesAgent()
{
    auto controller = makeController();
    controller->start();
    QTRY_COMPARE(controller->agentState(), SettingsController::AgentState::NotRunning);
    QSignalSpy states(controller.get(), &SettingsController::agentStateChanged);
    controller->startOrStopAgent();
    QCOMPARE(m_launcher.launched, QStringList{AgentPath});
    QVERIFY(m_recorder->flush());
    QCOMPARE(m_recorder->count(Notifications::MonitorQuit), 0);
    // Only the agent's own Ping changes the state.
    QCOMPARE(states.count(), 0);
    QVERIFY(!controller->isDaemonRunning());
}

void TestSettingsController::secondStartLaunchesAgain()
{
    auto controller = makeController();
    controller->startOrStopAgent();
    controller->startOrStopAgent();
    QCOMPARE(m_launcher.launched, (QStringList{AgentPath, AgentPath}));
}

void TestSettingsController::stopWhenRunningPostsQuit()
{
    auto controller = makeController();
    controller->start();
    controller->echoPing();
    controller->startOrStopAgent();
    QVERIFY(m_recorder->flush());
    QCOMPARE(m_recorder->objectsOf(Notifications::MonitorQuit), QStringList{BundleIdentifier::Settings});
    QVERIFY(m_launcher.launched.isEmpty());
    // Nobody answered: the state stays until an Unping arrives.
    QVERIFY(controller->isDaemonRunning());
    QCOMPARE(controller->agentState(), SettingsController::AgentState::Running);
}

void TestSettingsController::changeSettingsWritesAllFourKeys_data()
{
    QTest::addColumn<bool>("hideMenu");
    QTest::addColumn<bool>("showHud");
    QTest::addColumn<bool>("settingsButton");
    QTest::addColumn<bool>("connectButton");
    QTest::newRow("all off") << false << false << false << false;
    QTest::newRow("all on") << true << true << true << true;
    QTest::newRow("hide menu") << true << false << false << false;
    QTest::newRow("hud") << false << true << false << false;
    QTest::newRow("settings button") << false << false << true << false;
    QTest::newRow("connect button") << false << false << false << true;
}

void TestSettingsController::changeSettingsWritesAllFourKeys()
{
    QFETCH(bool, hideMenu);
    QFETCH(bool, showHud);
    QFETCH(bool, settingsButton);
    QFETCH(bool, connectButton);
    auto controller = makeController();
    const SettingsController::Options options{hideMenu, showHud, settingsButton, connectButton};
    {
        StdoutCapture capture;
        controller->changeSettings(options, false);
    }
    // Every key is written, also those that are off.
    const QSettings suite(UserDefaults::filePath(), QSettings::IniFormat);
    for (const QString &key : {SettingsKeys::HideMenu,
                               SettingsKeys::ShowHudOnConnection,
                               SettingsKeys::SettingsButton,
                               SettingsKeys::ConnectButton}) {
        QVERIFY2(suite.contains(key), qPrintable(key));
    }
    QCOMPARE(suite.value(SettingsKeys::HideMenu).toString(),
             hideMenu ? QStringLiteral("true") : QStringLiteral("false"));
    QCOMPARE(SettingsController::readOptions(), options);
    QVERIFY(m_recorder->flush());
    QCOMPARE(m_recorder->objectsOf(Notifications::ReloadSettings), QStringList{BundleIdentifier::Settings});
}

void TestSettingsController::readerOfReloadSeesTheNewOptions()
{
    // Another process's view: a second connection that reads the suite as the agent does, on receipt.
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("reader"));
    {
        DistributedNotificationCenter reader(other);
        QList<SettingsController::Options> seen;
        reader.addObserver(Notifications::ReloadSettings, this, [&seen] {
            seen.append(SettingsController::readOptions());
        });
        auto controller = makeController();
        const SettingsController::Options options{true, false, true, false};
        {
            StdoutCapture capture;
            controller->changeSettings(options, false);
        }
        QTRY_COMPARE(seen.size(), 1);
        QCOMPARE(seen.first(), options);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("reader"));
}

void TestSettingsController::changeSettingsLogsInOrder_data()
{
    QTest::addColumn<bool>("startAtLogin");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("on") << true
                        << QStringList{
                               QStringLiteral("true"), QStringLiteral("Turn On"), QStringLiteral("Settings Changed")};
    QTest::newRow("off") << false
                         << QStringList{QStringLiteral("false"),
                                        QStringLiteral("Turn Off"),
                                        QStringLiteral("Settings Changed")};
}

void TestSettingsController::changeSettingsLogsInOrder()
{
    QFETCH(bool, startAtLogin);
    QFETCH(QStringList, lines);
    auto controller = makeController();
    StdoutCapture capture;
    controller->changeSettings({}, startAtLogin);
    QCOMPARE(capture.lines(), lines);
    QCOMPARE(LoginServiceKit::isExistLoginItems(AgentPath), startAtLogin);
    QCOMPARE(controller->isStartAtLogin(), startAtLogin);
}

void TestSettingsController::changeSettingsReappliesLoginItem()
{
    // The item was switched off by other means; any change puts it back while start at login is on.
    QVERIFY(QDir().mkpath(LoginServiceKit::autostartDirectory()));
    QFile entry(LoginServiceKit::entryFilePath());
    QVERIFY(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Earlume\nExec=/opt/earlume/bin/Earlume\nHidden=true\n");
    entry.close();
    QVERIFY(!LoginServiceKit::isExistLoginItems(AgentPath));
    auto controller = makeController();
    {
        StdoutCapture capture;
        controller->changeSettings({true, false, false, false}, true);
    }
    QVERIFY(LoginServiceKit::isExistLoginItems(AgentPath));
    {
        StdoutCapture capture;
        controller->changeSettings({false, false, false, false}, false);
    }
    QVERIFY(!QFile::exists(LoginServiceKit::entryFilePath()));
}

void TestSettingsController::loginItemsNotificationIsForwarded()
{
    auto controller = makeController();
    controller->start();
    QSignalSpy changed(controller.get(), &SettingsController::loginItemsChanged);
    m_center->post(Notifications::LoginItemsListChanged, QStringLiteral("any sender"));
    QTRY_COMPARE(changed.count(), 1);
}

void TestSettingsController::autostartChangeIsPosted()
{
    auto controller = makeController();
    controller->start();
    QSignalSpy changed(controller.get(), &SettingsController::loginItemsChanged);
    QVERIFY(LoginServiceKit::addLoginItems(AgentPath));
    QTRY_VERIFY(m_recorder->count(Notifications::LoginItemsListChanged) >= 1);
    QVERIFY(m_recorder->objectsOf(Notifications::LoginItemsListChanged).contains(BundleIdentifier::Settings));
    QTRY_VERIFY(changed.count() >= 1);
}

QTEST_GUILESS_MAIN(TestSettingsController)
#include "TestSettingsController.moc"
