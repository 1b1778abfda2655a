// SPDX-License-Identifier: GPL-3.0-or-later
// The settings program as a whole: its window made by the AppDelegate in this process, with the real agent as a
// program of its own, and the settings program itself as the user starts it.
#include "AppDelegate.h"
#include "DBusNames.h"
#include "DetachedAgentLauncher.h"
#include "DistributedNotificationCenter.h"
#include "Notifications.h"
#include "TestSettingsSupport.h"
#include "UserDefaults.h"
#include "ViewController.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnectionInterface>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <memory>

namespace
{
const QString RunningText = QStringLiteral("Earlume is running.");
const QString NotRunningText = QStringLiteral("Earlume isn't running.");
constexpr int Patience = 20000;

int visibleMessageBoxes()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        count += qobject_cast<QMessageBox *>(widget) && widget->isVisible() ? 1 : 0;
    }
    return count;
}
} // namespace

class TestSettingsEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void statusFollowsTheAgentsEnd_data();
    void statusFollowsTheAgentsEnd();
    void keyboardToggleLogsAndReloadsTheAgent();
    void secondCopyRaisesTheFirstAndExits();
    void aboutPanelShowsNameAndVersionOnce();
    void closingTheWindowQuitsAndPostsNothing();
    void missingAgentEndsWithStatusOne();

private:
    void showWindow();
    void startAgent();
    QLabel *statusLabel() const;
    QPushButton *startStopButton() const;

    std::unique_ptr<ScopedConfigHome> m_home;
    std::unique_ptr<PostRecorder> m_recorder;
    std::unique_ptr<ProgramUnderTest> m_agent;
    std::unique_ptr<AppDelegate> m_delegate;
};

void TestSettingsEndToEnd::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run this test inside tests/harness/with-test-env");
}

void TestSettingsEndToEnd::init()
{
    m_home = std::make_unique<ScopedConfigHome>();
    m_recorder = std::make_unique<PostRecorder>();
    m_delegate = std::make_unique<AppDelegate>(TestEnvironment::executable(QStringLiteral("Earlume")),
                                               std::make_unique<DetachedAgentLauncher>());
}

void TestSettingsEndToEnd::cleanup()
{
    m_delegate.reset();
    m_agent.reset();
    m_recorder.reset();
    m_home.reset();
}

void TestSettingsEndToEnd::showWindow()
{
    m_delegate->showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(m_delegate->window()));
}

void TestSettingsEndToEnd::startAgent()
{
    m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
    QVERIFY(m_agent->start());
    QVERIFY(m_recorder->waitFor(Notifications::Ping, 1, Patience));
}

QLabel *TestSettingsEndToEnd::statusLabel() const
{
    return m_delegate->viewController()->findChild<QLabel *>(QStringLiteral("statusLabel"));
}

QPushButton *TestSettingsEndToEnd::startStopButton() const
{
    return m_delegate->viewController()->findChild<QPushButton *>(QStringLiteral("startStopButton"));
}

void TestSettingsEndToEnd::statusFollowsTheAgentsEnd_data()
{
    QTest::addColumn<bool>("killed");
    QTest::newRow("Stop button: the agent quits and says so") << false;
    QTest::newRow("killed: the agent says nothing, its bus name goes") << true;
}

void TestSettingsEndToEnd::statusFollowsTheAgentsEnd()
{
    QFETCH(bool, killed);
    startAgent();
    showWindow();
    // The running agent answers the window's echo.
    QTRY_COMPARE_WITH_TIMEOUT(statusLabel()->text(), RunningText, Patience);
    if (killed) {
        QCOMPARE(::kill(static_cast<pid_t>(m_agent->pid()), SIGKILL), 0);
    } else {
        QTest::mouseClick(startStopButton(), Qt::LeftButton);
        QVERIFY(m_recorder->waitFor(Notifications::Unping, 1, Patience));
    }
    QVERIFY(m_agent->waitForExit(Patience));
    QTRY_COMPARE_WITH_TIMEOUT(statusLabel()->text(), NotRunningText, Patience);
    QCOMPARE(startStopButton()->text(), QStringLiteral("Start"));
    if (!killed) {
        QCOMPARE(m_agent->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_agent->exitCode(), 0);
    }
}

void TestSettingsEndToEnd::keyboardToggleLogsAndReloadsTheAgent()
{
    startAgent();
    ProgramUnderTest settings(QStringLiteral("Earlume_Settings"));
    QVERIFY(settings.start());
    QVERIFY(m_recorder->waitFor(Notifications::MonitorEcho, 1, Patience));
    // The first box, Hide Menu, has the focus when the window gets it; space toggles it on.
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("search"),
                   QStringLiteral("--sync"),
                   QStringLiteral("--onlyvisible"),
                   QStringLiteral("--name"),
                   QStringLiteral("^Earlume Settings$"),
                   QStringLiteral("windowfocus"),
                   QStringLiteral("--sync"),
                   QStringLiteral("key"),
                   QStringLiteral("space")});
    QVERIFY(xdotool.waitForFinished(Patience));
    QVERIFY(settings.waitForLine(QStringLiteral("Settings Changed"), 1, Patience));
    QCOMPARE(settings.lines(),
             (QStringList{QStringLiteral("false"), QStringLiteral("Turn Off"), QStringLiteral("Settings Changed")}));
    QVERIFY(m_agent->waitForLine(QStringLiteral("Settings reloaded"), 1, Patience));
    QVERIFY(UserDefaults().boolForKey(SettingsKeys::HideMenu));
    QVERIFY(!UserDefaults().boolForKey(SettingsKeys::ConnectButton));
}

void TestSettingsEndToEnd::secondCopyRaisesTheFirstAndExits()
{
    m_delegate->run();
    QTRY_VERIFY(m_delegate->window() && m_delegate->window()->isVisible());
    QMainWindow *window = m_delegate->window();
    QCOMPARE(window->windowTitle(), QStringLiteral("Earlume Settings"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    QCOMPARE(bus.interface()->serviceOwner(DBusNames::SettingsService).value(), bus.baseService());
    window->hide();

    ProgramUnderTest second(QStringLiteral("Earlume_Settings"));
    QVERIFY(second.start());
    QVERIFY(second.waitForExit(Patience));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY2(second.standardError().isEmpty(), qPrintable(second.standardError()));
    // The same window again, and the only one: the second copy opened none and asked nothing of the agent.
    QTRY_VERIFY(window->isVisible());
    QCOMPARE(m_delegate->window(), window);
    QVERIFY(flushed(*m_recorder));
    QCOMPARE(m_recorder->count(Notifications::MonitorEcho), 1);
    QCOMPARE(TestEnvironment::visibleWindowCount(QStringLiteral("Earlume Settings")), 1);

    // Later tests start without the name.
    m_delegate.reset();
    QVERIFY(bus.unregisterService(DBusNames::SettingsService));
}

void TestSettingsEndToEnd::aboutPanelShowsNameAndVersionOnce()
{
    showWindow();
    auto *action = m_delegate->window()->findChild<QAction *>(QStringLiteral("aboutAction"));
    QVERIFY(action);
    // Asked twice, one panel; closed and asked again, a new one with the same content.
    for (int round = 0; round < 2; ++round) {
        action->trigger();
        action->trigger();
        QMessageBox *panel = m_delegate->aboutPanel();
        QVERIFY(panel && panel->isVisible());
        QCOMPARE(visibleMessageBoxes(), 1);
        QCOMPARE(panel->windowTitle(), QStringLiteral("About Earlume"));
        QVERIFY2(panel->text().contains(QLatin1String("<h3>Earlume</h3>")), qPrintable(panel->text()));
        QVERIFY2(panel->text().contains(QLatin1String("Version 1.0<")), qPrintable(panel->text()));
        panel->close();
        QTRY_VERIFY(!m_delegate->aboutPanel());
    }
}

void TestSettingsEndToEnd::closingTheWindowQuitsAndPostsNothing()
{
    showWindow();
    // An open About panel does not keep the program alive.
    m_delegate->aboutMenu();
    QVERIFY(flushed(*m_recorder));
    const qsizetype postsBefore = m_recorder->posts().size();
    // The program quits from its running event loop; one that did not would end here with 1.
    QTimer::singleShot(0, m_delegate->window(), &QWidget::close);
    QTimer stuck;
    stuck.setSingleShot(true);
    connect(&stuck, &QTimer::timeout, this, [] {
        QCoreApplication::exit(1);
    });
    stuck.start(30000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!m_delegate->window()->isVisible());
    // Only the sentinel came after the close.
    QVERIFY(flushed(*m_recorder));
    QCOMPARE(m_recorder->posts().size(), postsBefore + 1);
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

QTEST_MAIN(TestSettingsEndToEnd)
#include "TestSettingsEndToEnd.moc"
