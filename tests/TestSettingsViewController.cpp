// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window's content with its real controller on the test session bus; the agent is either absent or
// stood in for by posts from this process, and the launcher starts nothing.
#include "DBusHelper.h"
#include "DistributedNotificationCenter.h"
#include "LoginServiceKit.h"
#include "Notifications.h"
#include "SettingsController.h"
#include "TestSettingsSupport.h"
#include "UserDefaults.h"
#include "ViewController.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <memory>

namespace
{
const QString AgentPath = QStringLiteral("/opt/earlume/bin/Earlume");
const QString RunningText = QStringLiteral("Earlume is running.");
const QString NotRunningText = QStringLiteral("Earlume isn't running.");
const QString LoginBox = QStringLiteral("startAtLogginginCheckbox");
const QString ConnectBox = QStringLiteral("showConnectButtonCheckbox");
const QStringList OnLines{QStringLiteral("true"), QStringLiteral("Turn On"), QStringLiteral("Settings Changed")};
const QStringList OffLines{QStringLiteral("false"), QStringLiteral("Turn Off"), QStringLiteral("Settings Changed")};

/// The four option boxes with the keys they stand for.
QList<QPair<QString, QString>> optionBoxes()
{
    return {{QStringLiteral("hideMenuCheckbox"), SettingsKeys::HideMenu},
            {QStringLiteral("showHudOnConnectionCheckbox"), SettingsKeys::ShowHudOnConnection},
            {QStringLiteral("showSettingsButtonCheckbox"), SettingsKeys::SettingsButton},
            {ConnectBox, SettingsKeys::ConnectButton}};
}

enum LoginItem { NoItem, Item, BoxOnButItemGone };
} // namespace

class TestSettingsViewController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void firstRunShowsAllBoxesOffAndAsksTheAgentOnce();
    void boxesShowTheSuiteAndTheLoginItem_data();
    void boxesShowTheSuiteAndTheLoginItem();
    void clickWritesAllKeysTheLoginItemAndThreeLines_data();
    void clickWritesAllKeysTheLoginItemAndThreeLines();
    void statusFollowsPingAndUnping();
    void startStopButtonAsksAndLeavesTheStatusToTheAgent_data();
    void startStopButtonAsksAndLeavesTheStatusToTheAgent();
    void loginBoxFollowsTheAutostartEntry();

private:
    void load();
    QCheckBox *box(const QString &name) const { return m_view->findChild<QCheckBox *>(name); }
    QLabel *statusLabel() const { return m_view->findChild<QLabel *>(QStringLiteral("statusLabel")); }
    QPushButton *startStopButton() const { return m_view->findChild<QPushButton *>(QStringLiteral("startStopButton")); }

    std::unique_ptr<ScopedConfigHome> m_home;
    FakeAgentLauncher m_launcher;
    DistributedNotificationCenter *m_center = nullptr;
    std::unique_ptr<PostRecorder> m_recorder;
    std::unique_ptr<SettingsController> m_controller;
    std::unique_ptr<ViewController> m_view;
};

void TestSettingsViewController::initTestCase()
{
    QVERIFY2(DBusHelper::sessionBus().isConnected(), "these tests need a session bus");
    m_center = DistributedNotificationCenter::defaultCenter();
}

void TestSettingsViewController::init()
{
    m_home = std::make_unique<ScopedConfigHome>();
    m_launcher.launched.clear();
    m_recorder = std::make_unique<PostRecorder>();
    m_controller = std::make_unique<SettingsController>(AgentPath, &m_launcher, m_center, DBusHelper::sessionBus());
    m_view = std::make_unique<ViewController>(m_controller.get());
}

void TestSettingsViewController::cleanup()
{
    m_view.reset();
    m_controller.reset();
    m_recorder.reset();
    m_home.reset();
}

void TestSettingsViewController::load()
{
    m_view->viewDidLoad();
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void TestSettingsViewController::firstRunShowsAllBoxesOffAndAsksTheAgentOnce()
{
    // Boxes that were on must be turned off by the empty suite.
    for (QCheckBox *checkBox : m_view->findChildren<QCheckBox *>()) {
        checkBox->setChecked(true);
    }
    QCOMPARE(statusLabel()->text(), QStringLiteral("Checking whether Earlume is running…"));
    QCOMPARE(startStopButton()->text(), QStringLiteral("Start"));
    load();
    QVERIFY(!QFile::exists(UserDefaults::filePath()));
    QCOMPARE(m_view->findChildren<QCheckBox *>().size(), 5);
    QStringList names{LoginBox};
    for (const auto &option : optionBoxes()) {
        names.append(option.first);
    }
    for (const QString &name : std::as_const(names)) {
        QVERIFY2(box(name), qPrintable(name));
        QVERIFY2(!box(name)->isChecked(), qPrintable(name));
        QVERIFY2(box(name)->text().size() > 10, qPrintable(name));
    }
    // Nobody owns the agent's name, so the bus alone answers the one echo.
    QTRY_COMPARE(statusLabel()->text(), NotRunningText);
    QVERIFY(flushed(*m_recorder));
    QCOMPARE(objectsOf(*m_recorder, Notifications::MonitorEcho), QStringList{BundleIdentifier::Settings});
}

void TestSettingsViewController::boxesShowTheSuiteAndTheLoginItem_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("checked");
    for (const auto &[name, key] : optionBoxes()) {
        QTest::newRow(qPrintable(key)) << key << name;
    }
    // The start-at-login box shows the autostart entry, not the suite.
    QTest::newRow("login item") << QString() << LoginBox;
}

void TestSettingsViewController::boxesShowTheSuiteAndTheLoginItem()
{
    QFETCH(QString, key);
    QFETCH(QString, checked);
    if (key.isEmpty()) {
        QVERIFY(LoginServiceKit::addLoginItems(AgentPath));
    } else {
        UserDefaults defaults;
        defaults.setBool(true, key);
        QVERIFY(defaults.synchronize());
    }
    load();
    for (const QCheckBox *checkBox : m_view->findChildren<QCheckBox *>()) {
        QCOMPARE(checkBox->isChecked(), checkBox->objectName() == checked);
    }
}

void TestSettingsViewController::clickWritesAllKeysTheLoginItemAndThreeLines_data()
{
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<int>("loginItem");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("hide menu") << QStringLiteral("hideMenuCheckbox") << int(NoItem) << OffLines;
    QTest::newRow("hud, start at login on") << QStringLiteral("showHudOnConnectionCheckbox") << int(Item) << OnLines;
    // The box says on while the entry is missing: any click puts the entry back.
    QTest::newRow("settings button, entry gone")
        << QStringLiteral("showSettingsButtonCheckbox") << int(BoxOnButItemGone) << OnLines;
    QTest::newRow("connect button") << ConnectBox << int(NoItem) << OffLines;
    QTest::newRow("start at login on") << LoginBox << int(NoItem) << OnLines;
    QTest::newRow("start at login off") << LoginBox << int(Item) << OffLines;
}

void TestSettingsViewController::clickWritesAllKeysTheLoginItemAndThreeLines()
{
    QFETCH(QString, clicked);
    QFETCH(int, loginItem);
    QFETCH(QStringList, lines);
    {
        // Stored on, so every other box's click must leave it on.
        UserDefaults defaults;
        defaults.setBool(true, SettingsKeys::ConnectButton);
        QVERIFY(defaults.synchronize());
    }
    if (loginItem == Item) {
        QVERIFY(LoginServiceKit::addLoginItems(AgentPath));
    }
    load();
    if (loginItem == BoxOnButItemGone) {
        box(LoginBox)->setChecked(true);
    }
    const bool wasChecked = box(clicked)->isChecked();
    const QStringList written = standardOutputOf([&] {
        QTest::mouseClick(box(clicked), Qt::LeftButton);
    });
    QCOMPARE(written, lines);
    QCOMPARE(box(clicked)->isChecked(), !wasChecked);

    const QSettings suite(UserDefaults::filePath(), QSettings::IniFormat);
    for (const auto &[name, key] : optionBoxes()) {
        QVERIFY2(suite.contains(key), qPrintable(key));
        QCOMPARE(UserDefaults().boolForKey(key), box(name)->isChecked());
    }
    QCOMPARE(UserDefaults().boolForKey(SettingsKeys::ConnectButton), clicked != ConnectBox);
    QCOMPARE(LoginServiceKit::isExistLoginItems(AgentPath), lines == OnLines);
    QVERIFY(flushed(*m_recorder));
    QCOMPARE(objectsOf(*m_recorder, Notifications::ReloadSettings), QStringList{BundleIdentifier::Settings});
}

void TestSettingsViewController::statusFollowsPingAndUnping()
{
    load();
    QLabel *image = m_view->findChild<QLabel *>(QStringLiteral("statusImageView"));
    QVERIFY(image);
    m_center->post(Notifications::Ping, BundleIdentifier::Agent);
    QTRY_COMPARE(statusLabel()->text(), RunningText);
    QCOMPARE(startStopButton()->text(), QStringLiteral("Stop"));
    QVERIFY(m_view->isDaemonRunning());
    const QImage runningImage = image->pixmap().toImage();
    QVERIFY(!runningImage.isNull());

    m_center->post(Notifications::Unping, BundleIdentifier::Agent);
    QTRY_COMPARE(statusLabel()->text(), NotRunningText);
    QCOMPARE(startStopButton()->text(), QStringLiteral("Start"));
    QVERIFY(!m_view->isDaemonRunning());
    const QImage notRunningImage = image->pixmap().toImage();
    QVERIFY(!notRunningImage.isNull());
    QVERIFY(notRunningImage != runningImage);
}

void TestSettingsViewController::startStopButtonAsksAndLeavesTheStatusToTheAgent_data()
{
    QTest::addColumn<bool>("running");
    QTest::newRow("Start launches the agent") << false;
    QTest::newRow("Stop asks the agent to quit") << true;
}

void TestSettingsViewController::startStopButtonAsksAndLeavesTheStatusToTheAgent()
{
    QFETCH(bool, running);
    load();
    QTRY_COMPARE(statusLabel()->text(), NotRunningText);
    if (running) {
        m_center->post(Notifications::Ping, BundleIdentifier::Agent);
        QTRY_COMPARE(statusLabel()->text(), RunningText);
    }
    const QString status = statusLabel()->text();
    const QString title = startStopButton()->text();
    // Every click asks again: nothing changes until the agent answers.
    QTest::mouseClick(startStopButton(), Qt::LeftButton);
    QTest::mouseClick(startStopButton(), Qt::LeftButton);
    QVERIFY(flushed(*m_recorder));
    QCOMPARE(m_launcher.launched, running ? QStringList() : (QStringList{AgentPath, AgentPath}));
    QCOMPARE(objectsOf(*m_recorder, Notifications::MonitorQuit),
             running ? (QStringList{BundleIdentifier::Settings, BundleIdentifier::Settings}) : QStringList());
    QCOMPARE(statusLabel()->text(), status);
    QCOMPARE(startStopButton()->text(), title);
}

void TestSettingsViewController::loginBoxFollowsTheAutostartEntry()
{
    load();
    QCheckBox *loginBox = box(LoginBox);
    // Another program's word alone is enough to look again.
    loginBox->setChecked(true);
    m_recorder->post(Notifications::LoginItemsListChanged, QStringLiteral("another settings window"));
    QTRY_VERIFY(!loginBox->isChecked());
    QVERIFY(LoginServiceKit::addLoginItems(AgentPath));
    QTRY_VERIFY(loginBox->isChecked());
    // The change goes out on the bus, so that other settings windows follow it too.
    QTRY_VERIFY(objectsOf(*m_recorder, Notifications::LoginItemsListChanged).contains(BundleIdentifier::Settings));
    // Deleted by hand, as another tool would.
    QVERIFY(QFile::remove(LoginServiceKit::entryFilePath()));
    QTRY_VERIFY(!loginBox->isChecked());
}

QTEST_MAIN(TestSettingsViewController)
#include "TestSettingsViewController.moc"
