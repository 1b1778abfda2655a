// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window with its real controller on the test bus; this process stands in for the agent.
#include "AgentLauncher.h"
#include "AppDelegate.h"
#include "DBusNames.h"
#include "DistributedNotificationCenter.h"
#include "LoginServiceKit.h"
#include "Notifications.h"
#include "Settings.h"
#include "ViewController.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace
{
const QString AgentPath = QStringLiteral("/opt/earlume/bin/Earlume");
const QString Running = QStringLiteral("Earlume is running.");
const QString NotRunning = QStringLiteral("Earlume isn't running.");
const QStringList Keys{QStringLiteral("Hide Menu"), QStringLiteral("Show Hud On Connection"),
                       QStringLiteral("Settings Button"), QStringLiteral("Connect Button")};
const QStringList Boxes{QStringLiteral("hideMenuCheckbox"), QStringLiteral("showHudOnConnectionCheckbox"),
                        QStringLiteral("showSettingsButtonCheckbox"), QStringLiteral("showConnectButtonCheckbox"),
                        QStringLiteral("startAtLogginginCheckbox")};

// The agent's answer to whether the desktop shows its tray icon.
class FakeTray : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.vostel.Earlume.Tray1")

public:
    bool host = false;

public Q_SLOTS:
    Q_SCRIPTABLE bool HasTrayHost() const { return host; }

Q_SIGNALS:
    Q_SCRIPTABLE void TrayHostChanged(bool present);
};

struct FakeAgentLauncher : AgentLauncher {
    bool launch(const QString &path) override { launched << path; return true; }
    QStringList launched;
};
} // namespace

class TestSettingsViewController : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    FakeAgentLauncher m_launcher;
    std::unique_ptr<PostRecorder> m_recorder;
    std::unique_ptr<SettingsController> m_controller;
    std::unique_ptr<ViewController> m_view;

    QCheckBox *box(int index) const { return m_view->findChild<QCheckBox *>(Boxes[index]); }
    QString status() const { return m_view->findChild<QLabel *>(QStringLiteral("statusLabel"))->text(); }
    QPushButton *button() const { return m_view->findChild<QPushButton *>(QStringLiteral("startStopButton")); }

private Q_SLOTS:
    void init()
    {
        static int run = 0;
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QString::number(++run)).toLocal8Bit());
        m_recorder = std::make_unique<PostRecorder>();
        m_controller = std::make_unique<SettingsController>(
            AgentPath, &m_launcher, DistributedNotificationCenter::defaultCenter(), QDBusConnection::sessionBus());
        m_view = std::make_unique<ViewController>(m_controller.get());
        m_view->viewDidLoad();
    }

    // One option is stored on when the boxes are loaded; a click writes all four and the login item.
    void eachBoxWritesItsKeyAndTellsTheAgent_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("clicked");
        QTest::newRow("hide menu") << 3 << 0;
        QTest::newRow("hud") << 0 << 1;
        QTest::newRow("settings button") << 1 << 2;
        QTest::newRow("connect button") << 2 << 3;
        QTest::newRow("connect button off") << 3 << 3;
        QTest::newRow("start at login") << 0 << 4;
    }
    void eachBoxWritesItsKeyAndTellsTheAgent()
    {
        QFETCH(int, stored);
        QFETCH(int, clicked);
        QSettings(Settings::filePath(), QSettings::IniFormat).setValue(Keys[stored], true);
        m_view->reloadDefaults();
        for (int i = 0; i < Boxes.size(); ++i) {
            QCOMPARE(box(i)->isChecked(), i == stored);
        }
        // Only what the program flushes itself is caught: its lines must reach a pipe at once.
        QTemporaryFile output;
        QVERIFY(output.open());
        std::fflush(stdout);
        const int saved = dup(STDOUT_FILENO);
        dup2(output.handle(), STDOUT_FILENO);
        QTest::mouseClick(box(clicked), Qt::LeftButton);
        dup2(saved, STDOUT_FILENO);
        close(saved);
        QVERIFY(output.seek(0));
        const bool on = clicked == 4;
        QCOMPARE(output.readAll(), on ? QByteArray("true\nTurn On\nSettings Changed\n")
                                      : QByteArray("false\nTurn Off\nSettings Changed\n"));
        for (int i = 0; i < Keys.size(); ++i) {
            const bool value = QSettings(Settings::filePath(), QSettings::IniFormat).value(Keys[i]).toBool();
            QVERIFY2(value == ((i == stored) != (i == clicked)), qPrintable(Keys[i]));
        }
        QCOMPARE(LoginServiceKit::isExistLoginItems(AgentPath), on);
        QVERIFY(m_recorder->waitFor(Notifications::ReloadSettings));
    }

    void pauseMediaBoxIsOnUntilSwitchedOff() // unlike the other options
    {
        auto *pause = m_view->findChild<QCheckBox *>(QStringLiteral("pauseMediaCheckbox"));
        QVERIFY(pause->isChecked());
        QTest::mouseClick(pause, Qt::LeftButton);
        QVERIFY(!Settings().pauseMediaWhenTakenOut() && m_recorder->waitFor(Notifications::ReloadSettings));
    }

    // On until switched off; a step of the threshold is saved and told to the agent like a click.
    void lowBatteryWarningAndThreshold()
    {
        auto *warn = m_view->findChild<QCheckBox *>(QStringLiteral("lowBatteryWarningCheckbox"));
        auto *threshold = m_view->findChild<QSpinBox *>(QStringLiteral("lowBatteryThresholdSpinBox"));
        QVERIFY(warn->isChecked() && threshold->isEnabled());
        QCOMPARE(threshold->value(), 20);
        threshold->stepUp();
        QVERIFY(m_recorder->waitFor(Notifications::ReloadSettings));
        QCOMPARE(Settings().lowBatteryThreshold(), 21);
        QTest::mouseClick(warn, Qt::LeftButton);
        QVERIFY(m_recorder->waitFor(Notifications::ReloadSettings, 2));
        QVERIFY(!Settings().lowBatteryWarning() && !threshold->isEnabled());
        QCOMPARE(Settings().lowBatteryThreshold(), 21);
    }

    // A click that cannot be saved is undone and told in the window; the agent hears only of the next.
    void failedSaveKeepsTheStoredBoxes_data()
    {
        QTest::addColumn<int>("clicked");
        QTest::newRow("hide menu") << 0;
        QTest::newRow("start at login") << 4;
    }
    void failedSaveKeepsTheStoredBoxes()
    {
        QFETCH(int, clicked);
        auto *error = m_view->findChild<QLabel *>(QStringLiteral("saveErrorLabel"));
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        const rlimit none{0, previous.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &none);
        QTest::mouseClick(box(clicked), Qt::LeftButton);
        setrlimit(RLIMIT_FSIZE, &previous);
        QVERIFY(!box(clicked)->isChecked() && !QFile::exists(LoginServiceKit::entryFilePath()));
        QVERIFY(!error->isHidden() && error->text().contains(QStringLiteral("File too large")));
        QTest::mouseClick(box(1), Qt::LeftButton);
        QVERIFY(error->isHidden() && m_recorder->waitFor(Notifications::ReloadSettings));
        QCOMPARE(m_recorder->count(Notifications::ReloadSettings), 1);
    }

    // Only the login box writes the autostart entry, and turning it on keeps what else the entry holds.
    void loginEntryKeepsHandEdits_data()
    {
        QTest::addColumn<int>("clicked");
        QTest::addColumn<QByteArray>("switchedOff");
        QTest::addColumn<QByteArray>("after");
        const QByteArray hidden("Hidden=true\n"), disabled("X-GNOME-Autostart-enabled=false\n");
        QTest::newRow("hide menu, hidden") << 0 << hidden << hidden;
        QTest::newRow("connect button, disabled") << 3 << disabled << disabled;
        QTest::newRow("login, hidden") << 4 << hidden << QByteArray();
        QTest::newRow("login, disabled") << 4 << disabled << QByteArray("X-GNOME-Autostart-enabled=true\n");
    }
    void loginEntryKeepsHandEdits()
    {
        QFETCH(int, clicked);
        QFETCH(QByteArray, switchedOff);
        QFETCH(QByteArray, after);
        const QByteArray kept = "[Desktop Entry]\nType=Application\nName=Earlume\nExec=\"" + AgentPath.toUtf8()
            + "\"\n# mine\nX-GNOME-Autostart-Delay=5\n";
        QFile entry(LoginServiceKit::entryFilePath());
        QVERIFY(LoginServiceKit::addLoginItems(AgentPath) && entry.open(QIODevice::WriteOnly));
        QVERIFY(entry.write(kept + switchedOff) > 0);
        entry.close();
        QTest::mouseClick(box(clicked), Qt::LeftButton);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QCOMPARE(entry.readAll(), kept + after);
    }

    void statusFollowsTheAgent()
    {
        // Nobody owns the agent's name, so the bus alone answers the one echo.
        QTRY_COMPARE(status(), NotRunning);
        QVERIFY(m_recorder->waitFor(Notifications::MonitorEcho));
        // Start and Stop only ask: the status changes when the agent says so.
        QTest::mouseClick(button(), Qt::LeftButton);
        QCOMPARE(m_launcher.launched, QStringList{AgentPath});
        m_recorder->post(Notifications::Ping, BundleIdentifier::Agent);
        QTRY_COMPARE(status(), Running);
        QCOMPARE(button()->text(), QStringLiteral("Stop"));
        QTest::mouseClick(button(), Qt::LeftButton);
        QVERIFY(m_recorder->waitFor(Notifications::MonitorQuit));
        QCOMPARE(status(), Running);
        m_recorder->post(Notifications::Unping, BundleIdentifier::Agent);
        QTRY_COMPARE(status(), NotRunning);
        QCOMPARE(button()->text(), QStringLiteral("Start"));
        // An agent without a tray host says so when asked, and again when one comes.
        FakeTray tray;
        {
            QDBusConnection agent = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("agent"));
            QVERIFY(agent.registerObject(DBusNames::TrayPath, &tray, QDBusConnection::ExportScriptableContents)
                    && agent.registerService(DBusNames::AgentService));
        }
        m_recorder->post(Notifications::Ping, BundleIdentifier::Agent);
        QTRY_COMPARE(status(), QStringLiteral("Earlume is running, but this desktop shows no tray icons."));
        tray.host = true;
        Q_EMIT tray.TrayHostChanged(true);
        QTRY_COMPARE(status(), Running);
        // An agent that is killed says nothing, but its name leaves the bus.
        QDBusConnection::disconnectFromBus(QStringLiteral("agent"));
        QTRY_COMPARE(status(), NotRunning);
    }

    // Each change of the autostart folder is posted, and every settings window looks again: the folder appears,
    // then the entry is edited in place, replaced, edited again, replaced and deleted.
    void loginBoxFollowsTheAutostartFolder()
    {
        QFile entry(LoginServiceKit::entryFilePath());
        for (int step = 0; step < 6; ++step) {
            if (step % 2 == 0) {
                QVERIFY(LoginServiceKit::addLoginItems(AgentPath));
            } else if (step < 5) {
                QVERIFY(entry.open(QIODevice::Append) && entry.write("Hidden=true\n") > 0);
                entry.close();
            } else {
                QVERIFY(entry.remove());
            }
            QTRY_COMPARE(box(4)->isChecked(), step % 2 == 0);
        }
        QVERIFY(m_recorder->count(Notifications::LoginItemsListChanged) >= 6);
    }

    void secondCopyRaisesTheFirst()
    {
        AppDelegate first(AgentPath, std::make_unique<FakeAgentLauncher>());
        first.run();
        QTRY_VERIFY(first.window() && first.window()->isVisible());
        first.window()->hide();
        ProgramUnderTest second(QStringLiteral("Earlume_Settings"));
        QVERIFY(second.start() && second.waitForExit(20000) && second.exitCode() == 0);
        QTRY_VERIFY(first.window()->isVisible());
        // The second copy opened no window of its own.
        QCOMPARE(TestEnvironment::visibleWindowCount(QStringLiteral("Earlume Settings")), 1);
    }
};

QTEST_MAIN(TestSettingsViewController)
#include "TestSettingsViewController.moc"
