// SPDX-License-Identifier: GPL-3.0-or-later
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
const QString CheckingText = QStringLiteral("Checking whether Earlume is running…");
const QString RunningText = QStringLiteral("Earlume is running.");
const QString NotRunningText = QStringLiteral("Earlume isn't running.");
} // namespace

class TestSettingsViewController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void outletsHaveTheirNames_data();
    void outletsHaveTheirNames();
    void everyCheckBoxHasATitle();
    void initialDisplayBeforeAnyAnswer();
    void firstRunShowsAllOptionsOff();
    void boxesShowTheSuite_data();
    void boxesShowTheSuite();
    void startAtLoginBoxShowsTheLoginItemNotTheSuite();
    void clickWritesAllFourKeys_data();
    void clickWritesAllFourKeys();
    void clickLogsThreeLinesInOrder_data();
    void clickLogsThreeLinesInOrder();
    void clickOnAnyBoxReappliesLoginItem();
    void pingShowsRunningAndUnpingNotRunning();
    void startButtonLaunchesWithoutChangingDisplay();
    void stopButtonPostsQuitWithoutChangingDisplay();
    void loginItemsChangeRefreshesTheBox();

private:
    void load();
    template <typename T>
    T *outlet(const char *name) const
    {
        return m_view->findChild<T *>(QString::fromLatin1(name));
    }

    std::unique_ptr<ScopedConfigHome> m_home;
    FakeAgentLauncher m_launcher;
    DistributedNotificationCenter *m_center = nullptr;
    std::unique_ptr<NotificationRecorder> m_recorder;
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
    m_recorder = std::make_unique<NotificationRecorder>(m_center);
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

void TestSettingsViewController::outletsHaveTheirNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::newRow("hideMenuCheckbox") << QStringLiteral("hideMenuCheckbox") << QStringLiteral("QCheckBox");
    QTest::newRow("showHudOnConnectionCheckbox")
        << QStringLiteral("showHudOnConnectionCheckbox") << QStringLiteral("QCheckBox");
    QTest::newRow("showSettingsButtonCheckbox")
        << QStringLiteral("showSettingsButtonCheckbox") << QStringLiteral("QCheckBox");
    QTest::newRow("startAtLogginginCheckbox")
        << QStringLiteral("startAtLogginginCheckbox") << QStringLiteral("QCheckBox");
    QTest::newRow("showConnectButtonCheckbox")
        << QStringLiteral("showConnectButtonCheckbox") << QStringLiteral("QCheckBox");
    QTest::newRow("statusLabel") << QStringLiteral("statusLabel") << QStringLiteral("QLabel");
    QTest::newRow("statusImageView") << QStringLiteral("statusImageView") << QStringLiteral("QLabel");
    QTest::newRow("startStopButton") << QStringLiteral("startStopButton") << QStringLiteral("QPushButton");
}

void TestSettingsViewController::outletsHaveTheirNames()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    const QList<QWidget *> found = m_view->findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QVERIFY(found.first()->inherits(className.toLatin1().constData()));
}

void TestSettingsViewController::everyCheckBoxHasATitle()
{
    const QList<QCheckBox *> boxes = m_view->findChildren<QCheckBox *>();
    QCOMPARE(boxes.size(), 5);
    for (const QCheckBox *box : boxes) {
        QVERIFY2(box->text().size() > 10, qPrintable(box->objectName()));
    }
}

void TestSettingsViewController::initialDisplayBeforeAnyAnswer()
{
    QCOMPARE(outlet<QLabel>("statusLabel")->text(), CheckingText);
    QCOMPARE(outlet<QPushButton>("startStopButton")->text(), QStringLiteral("Start"));
    QVERIFY(!m_view->isDaemonRunning());
}

void TestSettingsViewController::firstRunShowsAllOptionsOff()
{
    // Boxes that were on must be turned off by an empty suite.
    for (QCheckBox *box : m_view->findChildren<QCheckBox *>()) {
        box->setChecked(true);
    }
    load();
    for (const QCheckBox *box : m_view->findChildren<QCheckBox *>()) {
        QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
    }
}

void TestSettingsViewController::boxesShowTheSuite_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("box");
    QTest::newRow("Hide Menu") << SettingsKeys::HideMenu << QStringLiteral("hideMenuCheckbox");
    QTest::newRow("Show Hud On Connection")
        << SettingsKeys::ShowHudOnConnection << QStringLiteral("showHudOnConnectionCheckbox");
    QTest::newRow("Settings Button") << SettingsKeys::SettingsButton << QStringLiteral("showSettingsButtonCheckbox");
    QTest::newRow("Connect Button") << SettingsKeys::ConnectButton << QStringLiteral("showConnectButtonCheckbox");
}

void TestSettingsViewController::boxesShowTheSuite()
{
    QFETCH(QString, key);
    QFETCH(QString, box);
    UserDefaults defaults;
    defaults.setBool(true, key);
    QVERIFY(defaults.synchronize());
    load();
    for (const QCheckBox *checkBox : m_view->findChildren<QCheckBox *>()) {
        QCOMPARE(checkBox->isChecked(), checkBox->objectName() == box);
    }
}

void TestSettingsViewController::startAtLoginBoxShowsTheLoginItemNotTheSuite()
{
    QVERIFY(LoginServiceKit::addLoginItems(AgentPath));
    load();
    QVERIFY(outlet<QCheckBox>("startAtLogginginCheckbox")->isChecked());
    QVERIFY(!outlet<QCheckBox>("hideMenuCheckbox")->isChecked());
}

void TestSettingsViewController::clickWritesAllFourKeys_data()
{
    QTest::addColumn<QString>("box");
    QTest::newRow("hideMenuCheckbox") << QStringLiteral("hideMenuCheckbox");
    QTest::newRow("showHudOnConnectionCheckbox") << QStringLiteral("showHudOnConnectionCheckbox");
    QTest::newRow("showSettingsButtonCheckbox") << QStringLiteral("showSettingsButtonCheckbox");
    QTest::newRow("showConnectButtonCheckbox") << QStringLiteral("showConnectButtonCheckbox");
    QTest::newRow("startAtLogginginCheckbox") << QStringLiteral("startAtLogginginCheckbox");
}

void TestSettingsViewController::clickWritesAllFourKeys()
{
    QFETCH(QString, box);
    {
        UserDefaults defaults;
        defaults.setBool(true, SettingsKeys::ConnectButton);
        QVERIFY(defaults.synchronize());
    }
    load();
    QCheckBox *clicked = m_view->findChild<QCheckBox *>(box);
    const bool wasChecked = clicked->isChecked();
    {
        StdoutCapture capture;
        QTest::mouseClick(clicked, Qt::LeftButton);
    }
    QCOMPARE(clicked->isChecked(), !wasChecked);
    const QSettings suite(UserDefaults::filePath(), QSettings::IniFormat);
    const QList<QPair<QString, QString>> pairs{
        {SettingsKeys::HideMenu, QStringLiteral("hideMenuCheckbox")},
        {SettingsKeys::ShowHudOnConnection, QStringLiteral("showHudOnConnectionCheckbox")},
        {SettingsKeys::SettingsButton, QStringLiteral("showSettingsButtonCheckbox")},
        {SettingsKeys::ConnectButton, QStringLiteral("showConnectButtonCheckbox")}};
    for (const auto &[key, name] : pairs) {
        QVERIFY2(suite.contains(key), qPrintable(key));
        QCOMPARE(UserDefaults().boolForKey(key), m_view->findChild<QCheckBox *>(name)->isChecked());
    }
    // The unchanged box keeps its value.
    QCOMPARE(UserDefaults().boolForKey(SettingsKeys::ConnectButton), box != QLatin1String("showConnectButtonCheckbox"));
    QCOMPARE(LoginServiceKit::isExistLoginItems(AgentPath), box == QLatin1String("startAtLogginginCheckbox"));
    QVERIFY(m_recorder->flush());
    QCOMPARE(m_recorder->objectsOf(Notifications::ReloadSettings), QStringList{BundleIdentifier::Settings});
}

void TestSettingsViewController::clickLogsThreeLinesInOrder_data()
{
    QTest::addColumn<bool>("startAtLoginBefore");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("lines");
    const QStringList on{QStringLiteral("true"), QStringLiteral("Turn On"), QStringLiteral("Settings Changed")};
    const QStringList off{QStringLiteral("false"), QStringLiteral("Turn Off"), QStringLiteral("Settings Changed")};
    QTest::newRow("turning start at login on") << false << QStringLiteral("startAtLogginginCheckbox") << on;
    QTest::newRow("turning start at login off") << true << QStringLiteral("startAtLogginginCheckbox") << off;
    QTest::newRow("other box, start at login off") << false << QStringLiteral("hideMenuCheckbox") << off;
    QTest::newRow("other box, start at login on") << true << QStringLiteral("showHudOnConnectionCheckbox") << on;
}

void TestSettingsViewController::clickLogsThreeLinesInOrder()
{
    QFETCH(bool, startAtLoginBefore);
    QFETCH(QString, box);
    QFETCH(QStringList, lines);
    if (startAtLoginBefore) {
        QVERIFY(LoginServiceKit::addLoginItems(AgentPath));
    }
    load();
    StdoutCapture capture;
    QTest::mouseClick(m_view->findChild<QCheckBox *>(box), Qt::LeftButton);
    QCOMPARE(capture.lines(), lines);
}

void TestSettingsViewController::clickOnAnyBoxReappliesLoginItem()
{
    load();
    // The box says on, the item is missing: a click on another box adds it.
    outlet<QCheckBox>("startAtLogginginCheckbox")->setChecked(true);
    QVERIFY(!LoginServiceKit::isExistLoginItems(AgentPath));
    {
        StdoutCapture capture;
        QTest::mouseClick(outlet<QCheckBox>("showSettingsButtonCheckbox"), Qt::LeftButton);
    }
    QVERIFY(LoginServiceKit::isExistLoginItems(AgentPath));
}

void TestSettingsViewController::pingShowsRunningAndUnpingNotRunning()
{
    load();
    QLabel *image = outlet<QLabel>("statusImageView");
    m_center->post(Notifications::Ping, BundleIdentifier::Agent);
    QTRY_COMPARE(outlet<QLabel>("statusLabel")->text(), RunningText);
    QCOMPARE(outlet<QPushButton>("startStopButton")->text(), QStringLiteral("Stop"));
    QVERIFY(m_view->isDaemonRunning());
    const QImage runningImage = image->pixmap().toImage();
    QVERIFY(!runningImage.isNull());

    m_center->post(Notifications::Unping, BundleIdentifier::Agent);
    QTRY_COMPARE(outlet<QLabel>("statusLabel")->text(), NotRunningText);
    QCOMPARE(outlet<QPushButton>("startStopButton")->text(), QStringLiteral("Start"));
    QVERIFY(!m_view->isDaemonRunning());
    const QImage notRunningImage = image->pixmap().toImage();
    QVERIFY(!notRunningImage.isNull());
    QVERIFY(notRunningImage != runningImage);
}

void TestSettingsViewController::startButtonLaunchesWithoutChangingDisplay()
{
    load();
    QTRY_COMPARE(outlet<QLabel>("statusLabel")->text(), NotRunningText);
    QTest::mouseClick(outlet<QPushButton>("startStopButton"), Qt::LeftButton);
    QCOMPARE(m_launcher.launched, QStringList{AgentPath});
    QCOMPARE(outlet<QLabel>("statusLabel")->text(), NotRunningText);
    QCOMPARE(outlet<QPushButton>("startStopButton")->text(), QStringLiteral("Start"));
}

void TestSettingsViewController::stopButtonPostsQuitWithoutChangingDisplay()
{
    load();
    m_center->post(Notifications::Ping, BundleIdentifier::Agent);
    QTRY_VERIFY(m_view->isDaemonRunning());
    QTest::mouseClick(outlet<QPushButton>("startStopButton"), Qt::LeftButton);
    QVERIFY(m_recorder->flush());
    QCOMPARE(m_recorder->objectsOf(Notifications::MonitorQuit), QStringList{BundleIdentifier::Settings});
    QVERIFY(m_launcher.launched.isEmpty());
    QCOMPARE(outlet<QLabel>("statusLabel")->text(), RunningText);
    QCOMPARE(outlet<QPushButton>("startStopButton")->text(), QStringLiteral("Stop"));
}

void TestSettingsViewController::loginItemsChangeRefreshesTheBox()
{
    load();
    QCheckBox *box = outlet<QCheckBox>("startAtLogginginCheckbox");
    QVERIFY(!box->isChecked());
    QVERIFY(LoginServiceKit::addLoginItems(AgentPath));
    QTRY_VERIFY(box->isChecked());
    // Removed by other means, as another tool would.
    QVERIFY(QFile::remove(LoginServiceKit::entryFilePath()));
    QTRY_VERIFY(!box->isChecked());
}

QTEST_MAIN(TestSettingsViewController)
#include "TestSettingsViewController.moc"
