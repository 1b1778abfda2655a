// SPDX-License-Identifier: GPL-3.0-or-later
// The settings program with the real agent: the settings window in this process with the agent as a
// program of its own, and then the settings program itself, as the user starts it.
#include "AppDelegate.h"
#include "DBusNames.h"
#include "DetachedAgentLauncher.h"
#include "Notifications.h"
#include "TestSettingsSupport.h"
#include "UserDefaults.h"
#include "ViewController.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <csignal>
#include <memory>

namespace
{
const QString RunningText = QStringLiteral("Earlume is running.");
const QString NotRunningText = QStringLiteral("Earlume isn't running.");
constexpr int Patience = 20000;

bool agentOnBus()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(DBusNames::AgentService);
}

/// Runs a command and returns its standard output.
QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(20000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}
} // namespace

class TestSettingsEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    // The window in this process, the agent a program of its own.
    void windowShowsRunningAgent();
    void windowShowsAgentStartedLater();
    void startButtonStartsTheAgent();
    void stopButtonStopsTheAgent();
    void agentQuittingByItselfShowsNotRunning();
    void agentKilledShowsNotRunning();
    void checkBoxClickReachesTheAgent();

    // The settings program as the user starts it.
    void missingAgentEndsWithStatusOne();
    void secondCopyHandsOverToTheFirst();
    void keyboardToggleLogsAndReloadsTheAgent();
    void closingTheWindowEndsTheProgramAndLeavesTheAgent();

private:
    void showWindow();
    void startAgent();
    QLabel *statusLabel() const;
    QPushButton *startStopButton() const;
    QString settingsWindow();

    std::unique_ptr<ScopedConfigHome> m_home;
    std::unique_ptr<PostRecorder> m_recorder;
    std::unique_ptr<ProgramUnderTest> m_agent;
    std::unique_ptr<AppDelegate> m_delegate;
};

void TestSettingsEndToEnd::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run this test inside tests/harness/with-test-env");
    QVERIFY2(QFile::exists(TestEnvironment::executable(QStringLiteral("Earlume"))), "the agent has to be built");
    QVERIFY2(QFile::exists(TestEnvironment::executable(QStringLiteral("Earlume_Settings"))),
             "the settings program has to be built");
}

void TestSettingsEndToEnd::init()
{
    m_home = std::make_unique<ScopedConfigHome>();
    m_recorder = std::make_unique<PostRecorder>();
}

void TestSettingsEndToEnd::cleanup()
{
    m_delegate.reset();
    m_agent.reset();
    // An agent that a test started through the window is not a child of ours: ask it to go.
    if (agentOnBus()) {
        m_recorder->post(Notifications::MonitorQuit);
        QTRY_VERIFY_WITH_TIMEOUT(!agentOnBus(), Patience);
    }
    m_recorder.reset();
    m_home.reset();
}

void TestSettingsEndToEnd::showWindow()
{
    m_delegate = std::make_unique<AppDelegate>(TestEnvironment::executable(QStringLiteral("Earlume")),
                                               std::make_unique<DetachedAgentLauncher>());
    m_delegate->showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(m_delegate->window()));
}

void TestSettingsEndToEnd::startAgent()
{
    const int pings = m_recorder->count(Notifications::Ping);
    m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
    QVERIFY(m_agent->start());
    QVERIFY(m_recorder->waitFor(Notifications::Ping, pings + 1, Patience));
}

QLabel *TestSettingsEndToEnd::statusLabel() const
{
    return m_delegate->viewController()->findChild<QLabel *>(QStringLiteral("statusLabel"));
}

QPushButton *TestSettingsEndToEnd::startStopButton() const
{
    return m_delegate->viewController()->findChild<QPushButton *>(QStringLiteral("startStopButton"));
}

void TestSettingsEndToEnd::windowShowsRunningAgent()
{
    startAgent();
    showWindow();
    QTRY_COMPARE_WITH_TIMEOUT(statusLabel()->text(), RunningText, Patience);
    QCOMPARE(startStopButton()->text(), QStringLiteral("Stop"));
    QVERIFY(m_delegate->viewController()->isDaemonRunning());
}

void TestSettingsEndToEnd::windowShowsAgentStartedLater()
{
    showWindow();
    QTRY_COMPARE_WITH_TIMEOUT(statusLabel()->text(), NotRunningText, Patience);
    startAgent();
    QTRY_COMPARE_WITH_TIMEOUT(statusLabel()->text(), RunningText, Patience);
}

void TestSettingsEndToEnd::startButtonStartsTheAgent()
{
    showWindow();
    QTRY_COMPARE_WITH_TIMEOUT(statusLabel()->text(), NotRunningText, Patience);
    QTest::mouseClick(startStopButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(statusLabel()->text(), RunningText, Patience);
    QCOMPARE(startStopButton()->text(), QStringLiteral("Stop"));
    QVERIFY(agentOnBus());

    // The agent is nobody's child: it keeps running when the settings window goes.
    m_delegate.reset();
    const int pings = m_recorder->count(Notifications::Ping);
    m_recorder->post(Notifications::MonitorEcho);
    QVERIFY(m_recorder->waitFor(Notifications::Ping, pings + 1, Patience));
}

void TestSettingsEndToEnd::stopButtonStopsTheAgent()
{
    startAgent();
    showWindow();
    QTRY_COMPARE_WITH_TIMEOUT(statusLabel()->text(), RunningText, Patience);
    QTest::mouseClick(startStopButton(), Qt::LeftButton);
    QVERIFY(m_recorder->waitFor(Notifications::MonitorQuit, 1, Patience));
    QTRY_COMPARE_WITH_TIMEOUT(statusLabel()->text(), NotRunningText, Patience);
    QCOMPARE(startStopButton()->text(), QStringLiteral("Start"));
    QVERIFY(m_agent->waitForExit(Patience));
    QCOMPARE(m_agent->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_agent->exitCode(), 0);
    QCOMPARE(m_recorder->count(Notifications::Unping), 1);
}

void TestSettingsEndToEnd::agentQuittingByItselfShowsNotRunning()
{
    startAgent();
    showWindow();
    QTRY_COMPARE_WITH_TIMEOUT(statusLabel()->text(), RunningText, Patience);
    m_agent->terminate();
    QVERIFY(m_recorder->waitFor(Notifications::Unping, 1, Patience));
    QTRY_COMPARE_WITH_TIMEOUT(statusLabel()->text(), NotRunningText, Patience);
}

void TestSettingsEndToEnd::agentKilledShowsNotRunning()
{
    startAgent();
    showWindow();
    QTRY_COMPARE_WITH_TIMEOUT(statusLabel()->text(), RunningText, Patience);
    // Killed, the agent says nothing; its bus name still goes away.
    QCOMPARE(::kill(static_cast<pid_t>(m_agent->pid()), SIGKILL), 0);
    QVERIFY(m_agent->waitForExit(Patience));
    QTRY_COMPARE_WITH_TIMEOUT(statusLabel()->text(), NotRunningText, Patience);
    QCOMPARE(m_recorder->count(Notifications::Unping), 0);
    QCOMPARE(startStopButton()->text(), QStringLiteral("Start"));
}

void TestSettingsEndToEnd::checkBoxClickReachesTheAgent()
{
    startAgent();
    showWindow();
    auto *hideMenu = m_delegate->viewController()->findChild<QCheckBox *>(QStringLiteral("hideMenuCheckbox"));
    {
        StdoutCapture capture;
        QTest::mouseClick(hideMenu, Qt::LeftButton);
    }
    QVERIFY(m_agent->waitForLine(QStringLiteral("Settings reloaded"), 1, Patience));
    QVERIFY(UserDefaults().boolForKey(SettingsKeys::HideMenu));
    QCOMPARE(m_recorder->count(Notifications::ReloadSettings), 1);
}

void TestSettingsEndToEnd::missingAgentEndsWithStatusOne()
{
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("Earlume_Settings"));
    QVERIFY(QFile::copy(TestEnvironment::executable(QStringLiteral("Earlume_Settings")), copy));
    QProcess settings;
    settings.start(copy, {});
    QVERIFY(settings.waitForFinished(Patience));
    QCOMPARE(settings.exitStatus(), QProcess::NormalExit);
    QCOMPARE(settings.exitCode(), 1);
    const QStringList errors =
        QString::fromLocal8Bit(settings.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains(dir.filePath(QStringLiteral("Earlume"))), qPrintable(errors.first()));
    QVERIFY(settings.readAllStandardOutput().isEmpty());
    QCOMPARE(m_recorder->count(Notifications::MonitorEcho), 0);
}

QString TestSettingsEndToEnd::settingsWindow()
{
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("search"),
                QStringLiteral("--sync"),
                QStringLiteral("--onlyvisible"),
                QStringLiteral("--name"),
                QStringLiteral("^Earlume Settings$")})
        .section(QLatin1Char('\n'), 0, 0);
}

void TestSettingsEndToEnd::secondCopyHandsOverToTheFirst()
{
    ProgramUnderTest first(QStringLiteral("Earlume_Settings"));
    QVERIFY(first.start());
    QVERIFY(m_recorder->waitFor(Notifications::MonitorEcho, 1, Patience));
    QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(DBusNames::SettingsService),
                             Patience);

    ProgramUnderTest second(QStringLiteral("Earlume_Settings"));
    QVERIFY(second.start());
    QVERIFY(second.waitForExit(Patience));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY2(second.standardError().isEmpty(), qPrintable(second.standardError()));
    QVERIFY(first.isRunning());

    // The second copy opened no window and asked nothing of the agent.
    const QString sentinel = QUuid::createUuid().toString();
    m_recorder->post(sentinel);
    QVERIFY(m_recorder->waitFor(sentinel));
    QCOMPARE(m_recorder->count(Notifications::MonitorEcho), 1);
    QCOMPARE(TestEnvironment::visibleWindowCount(QStringLiteral("Earlume Settings")), 1);
}

void TestSettingsEndToEnd::keyboardToggleLogsAndReloadsTheAgent()
{
    startAgent();
    ProgramUnderTest settings(QStringLiteral("Earlume_Settings"));
    QVERIFY(settings.start());
    QVERIFY(m_recorder->waitFor(Notifications::MonitorEcho, 1, Patience));
    const QString window = settingsWindow();
    QVERIFY(!window.isEmpty());
    // The first box has the focus when the window gets it; space toggles it on.
    run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("space")});
    QVERIFY(settings.waitForLine(QStringLiteral("Settings Changed"), 1, Patience));
    QCOMPARE(settings.lines(),
             (QStringList{QStringLiteral("false"), QStringLiteral("Turn Off"), QStringLiteral("Settings Changed")}));
    QVERIFY(m_agent->waitForLine(QStringLiteral("Settings reloaded"), 1, Patience));
    QVERIFY(UserDefaults().boolForKey(SettingsKeys::HideMenu));
    QVERIFY(!UserDefaults().boolForKey(SettingsKeys::ConnectButton));
}

void TestSettingsEndToEnd::closingTheWindowEndsTheProgramAndLeavesTheAgent()
{
    startAgent();
    ProgramUnderTest settings(QStringLiteral("Earlume_Settings"));
    QVERIFY(settings.start());
    QVERIFY(m_recorder->waitFor(Notifications::MonitorEcho, 1, Patience));
    const QString window = settingsWindow();
    QVERIFY(!window.isEmpty());
    run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+w")});
    QVERIFY(settings.waitForExit(Patience));
    QCOMPARE(settings.exitStatus(), QProcess::NormalExit);
    QCOMPARE(settings.exitCode(), 0);
    QVERIFY(settings.lines().isEmpty());

    const QString sentinel = QUuid::createUuid().toString();
    m_recorder->post(sentinel);
    QVERIFY(m_recorder->waitFor(sentinel));
    QCOMPARE(m_recorder->count(Notifications::MonitorQuit), 0);
    QVERIFY(m_agent->isRunning());
    QVERIFY(agentOnBus());
}

QTEST_MAIN(TestSettingsEndToEnd)
#include "TestSettingsEndToEnd.moc"
