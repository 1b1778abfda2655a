// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppDelegate.h"
#include "DBusHelper.h"
#include "DBusNames.h"
#include "DistributedNotificationCenter.h"
#include "Notifications.h"
#include "TestSettingsSupport.h"
#include "ViewController.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMainWindow>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace
{
const QString AgentPath = QStringLiteral("/opt/earlume/bin/Earlume");

QList<QMessageBox *> visibleMessageBoxes()
{
    QList<QMessageBox *> boxes;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible()) {
            boxes.append(box);
        }
    }
    return boxes;
}
} // namespace

class TestSettingsAppDelegate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void windowHoldsTheViewAndEchoesOnce();
    void showingAgainReusesTheWindow();
    void aboutPanelNamesEarlumeAndVersion();
    void aboutPanelOpensOnceWhenAskedTwice();
    void aboutActionOpensThePanel();
    void closingTheWindowQuitsAndPostsNothing();
    void runClaimsTheNameAndRaisesOnRequest();

private:
    std::unique_ptr<ScopedConfigHome> m_home;
    DistributedNotificationCenter *m_center = nullptr;
    std::unique_ptr<NotificationRecorder> m_recorder;
    std::unique_ptr<AppDelegate> m_delegate;
};

void TestSettingsAppDelegate::initTestCase()
{
    QVERIFY2(DBusHelper::sessionBus().isConnected(), "these tests need a session bus");
    m_center = DistributedNotificationCenter::defaultCenter();
}

void TestSettingsAppDelegate::init()
{
    m_home = std::make_unique<ScopedConfigHome>();
    m_recorder = std::make_unique<NotificationRecorder>(m_center);
    m_delegate = std::make_unique<AppDelegate>(AgentPath, std::make_unique<FakeAgentLauncher>());
}

void TestSettingsAppDelegate::cleanup()
{
    m_delegate.reset();
    m_recorder.reset();
    m_home.reset();
}

void TestSettingsAppDelegate::windowHoldsTheViewAndEchoesOnce()
{
    QVERIFY(!m_delegate->window());
    m_delegate->showWindow();
    QMainWindow *window = m_delegate->window();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->windowTitle(), QStringLiteral("Earlume Settings"));
    QCOMPARE(window->centralWidget(), m_delegate->viewController());
    QVERIFY(m_recorder->flush());
    QCOMPARE(m_recorder->objectsOf(Notifications::MonitorEcho), QStringList{BundleIdentifier::Settings});
}

void TestSettingsAppDelegate::showingAgainReusesTheWindow()
{
    m_delegate->showWindow();
    QMainWindow *window = m_delegate->window();
    window->hide();
    m_delegate->showWindow();
    QCOMPARE(m_delegate->window(), window);
    QVERIFY(window->isVisible());
    QVERIFY(m_recorder->flush());
    QCOMPARE(m_recorder->count(Notifications::MonitorEcho), 1);
}

void TestSettingsAppDelegate::aboutPanelNamesEarlumeAndVersion()
{
    m_delegate->showWindow();
    m_delegate->aboutMenu();
    QMessageBox *panel = m_delegate->aboutPanel();
    QVERIFY(panel);
    QVERIFY(panel->isVisible());
    QCOMPARE(panel->windowTitle(), QStringLiteral("About Earlume"));
    QVERIFY(panel->text().contains(QLatin1String("<h3>Earlume</h3>")));
    QVERIFY(panel->text().contains(QLatin1String("Version 1.0<")));
    // The build's own version is not what the panel shows.
    QVERIFY(!panel->text().contains(QLatin1String("1.4")));
}

void TestSettingsAppDelegate::aboutPanelOpensOnceWhenAskedTwice()
{
    m_delegate->showWindow();
    m_delegate->aboutMenu();
    QMessageBox *first = m_delegate->aboutPanel();
    m_delegate->aboutMenu();
    QCOMPARE(m_delegate->aboutPanel(), first);
    QCOMPARE(visibleMessageBoxes().size(), 1);
    // Closed and asked again: a panel with the same content.
    first->close();
    QTRY_VERIFY(!m_delegate->aboutPanel());
    m_delegate->aboutMenu();
    QVERIFY(m_delegate->aboutPanel());
    QVERIFY(m_delegate->aboutPanel()->text().contains(QLatin1String("Version 1.0<")));
    QCOMPARE(visibleMessageBoxes().size(), 1);
}

void TestSettingsAppDelegate::aboutActionOpensThePanel()
{
    m_delegate->showWindow();
    auto *action = m_delegate->window()->findChild<QAction *>(QStringLiteral("aboutAction"));
    QVERIFY(action);
    action->trigger();
    QVERIFY(m_delegate->aboutPanel());
    QVERIFY(m_delegate->aboutPanel()->isVisible());
}

void TestSettingsAppDelegate::closingTheWindowQuitsAndPostsNothing()
{
    QVERIFY(QGuiApplication::quitOnLastWindowClosed());
    m_delegate->showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(m_delegate->window()));
    // An open About panel does not keep the program alive.
    m_delegate->aboutMenu();
    QVERIFY(m_recorder->flush());
    const int postsBefore = static_cast<int>(m_recorder->posts.size());
    QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);
    // The program quits from its running event loop; a program that did not would end here with 1.
    QTimer::singleShot(0, m_delegate->window(), &QWidget::close);
    QTimer stuck;
    stuck.setSingleShot(true);
    connect(&stuck, &QTimer::timeout, this, [] {
        QCoreApplication::exit(1);
    });
    stuck.start(30000);
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(lastWindowClosed.count(), 1);
    QVERIFY(!m_delegate->window()->isVisible());
    QVERIFY(m_recorder->flush());
    // Only the sentinel came after the close.
    QCOMPARE(m_recorder->posts.size(), postsBefore + 1);
    QCOMPARE(m_recorder->count(Notifications::MonitorQuit), 0);
}

void TestSettingsAppDelegate::runClaimsTheNameAndRaisesOnRequest()
{
    QDBusConnection bus = DBusHelper::sessionBus();
    m_delegate->run();
    QTRY_VERIFY(m_delegate->window() && m_delegate->window()->isVisible());
    QVERIFY(bus.interface()->isServiceRegistered(DBusNames::SettingsService));
    QCOMPARE(bus.interface()->serviceOwner(DBusNames::SettingsService).value(), bus.baseService());

    // What a second copy of the program does: ask over the bus.
    m_delegate->window()->hide();
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("second"));
    const QDBusMessage raise = QDBusMessage::createMethodCall(DBusNames::SettingsService,
                                                              DBusNames::SettingsPath,
                                                              DBusNames::SettingsInterface,
                                                              DBusNames::SettingsRaiseMember);
    QDBusPendingCall call = other.asyncCall(raise);
    QTRY_VERIFY(call.isFinished());
    QVERIFY2(!call.isError(), qPrintable(call.error().message()));
    QDBusConnection::disconnectFromBus(QStringLiteral("second"));
    QVERIFY(m_delegate->window()->isVisible());

    // Later tests start without the name.
    m_delegate.reset();
    QVERIFY(bus.unregisterService(DBusNames::SettingsService));
}

QTEST_MAIN(TestSettingsAppDelegate)
#include "TestSettingsAppDelegate.moc"
