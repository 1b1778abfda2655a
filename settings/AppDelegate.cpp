// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppDelegate.h"

#include "AgentLauncher.h"
#include "DBusHelper.h"
#include "DBusNames.h"
#include "DistributedNotificationCenter.h"
#include "Logging.h"
#include "SettingsAdaptor.h"
#include "SettingsController.h"
#include "SingleInstance.h"
#include "ViewController.h"

#include <QAction>
#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>

// Q_INIT_RESOURCE has to be used outside any namespace.
static void initApplicationIcon()
{
    Q_INIT_RESOURCE(appicon);
}

namespace
{
// The About panel names the product with this fixed version, whatever the build's own version.
const QString AboutName = QStringLiteral("Earlume");
const QString AboutVersion = QStringLiteral("1.0");
} // namespace

AppDelegate::AppDelegate(const QString &daemonAppPath, std::unique_ptr<AgentLauncher> launcher, QObject *parent)
    : QObject(parent)
    , m_daemonAppPath(daemonAppPath)
    , m_launcher(std::move(launcher))
{
    QGuiApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
    initApplicationIcon();
    if (QApplication::windowIcon().isNull()) {
        QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("com.vostel.Earlume"),
                                                     QIcon(QStringLiteral(":/icons/com.vostel.Earlume.svg"))));
    }
}

AppDelegate::~AppDelegate()
{
    if (m_objectRegistered) {
        DBusHelper::sessionBus().unregisterObject(DBusNames::SettingsPath);
    }
    // The view uses the controller, which is one of our children: the window has to go first.
    m_window.reset();
}

void AppDelegate::run()
{
    QDBusConnection bus = DBusHelper::sessionBus();
    if (bus.isConnected()) {
        // Exported before the name is claimed, so a second copy that sees the name can always reach it.
        auto *adaptor = new SettingsAdaptor(this);
        connect(adaptor, &SettingsAdaptor::raiseRequested, this, &AppDelegate::showWindow);
        m_objectRegistered = bus.registerObject(DBusNames::SettingsPath, this, QDBusConnection::ExportAdaptors);
        if (!m_objectRegistered) {
            qCWarning(lcSettingsApp) << "Cannot export" << DBusNames::SettingsPath
                                     << "; a second Earlume Settings will not find this window";
        }
    }
    m_singleInstance = new SingleInstance(bus, DBusNames::SettingsService, this);
    connect(m_singleInstance, &SingleInstance::acquired, this, &AppDelegate::showWindow);
    connect(m_singleInstance, &SingleInstance::alreadyRunning, this, &AppDelegate::handOver);
    m_singleInstance->request();
}

void AppDelegate::handOver()
{
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::SettingsService,
                                                          DBusNames::SettingsPath,
                                                          DBusNames::SettingsInterface,
                                                          DBusNames::SettingsRaiseMember);
    auto *watcher = new QDBusPendingCallWatcher(DBusHelper::sessionBus().asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<> reply = *call;
        if (reply.isError()) {
            qCWarning(lcSettingsApp) << DBusNames::SettingsRaiseMember << DBusNames::SettingsPath
                                     << "failed:" << reply.error().message();
        }
        Q_EMIT handedOver();
    });
}

void AppDelegate::showWindow()
{
    if (!m_window) {
        buildWindow();
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void AppDelegate::buildWindow()
{
    m_controller = new SettingsController(m_daemonAppPath,
                                          m_launcher.get(),
                                          DistributedNotificationCenter::defaultCenter(),
                                          DBusHelper::sessionBus(),
                                          this);
    m_window = std::make_unique<QMainWindow>();
    m_window->setObjectName(QStringLiteral("settingsWindow"));
    m_window->setWindowTitle(tr("Earlume Settings"));
    m_viewController = new ViewController(m_controller, m_window.get());
    m_window->setCentralWidget(m_viewController);

    QMenu *fileMenu = m_window->menuBar()->addMenu(tr("&File"));
    QAction *closeAction = fileMenu->addAction(tr("&Close Window"));
    closeAction->setObjectName(QStringLiteral("closeAction"));
    closeAction->setShortcut(QKeySequence::Close);
    connect(closeAction, &QAction::triggered, m_window.get(), &QWidget::close);
    QAction *quitAction = fileMenu->addAction(tr("&Quit"));
    quitAction->setObjectName(QStringLiteral("quitAction"));
    quitAction->setShortcut(QKeySequence::Quit);
    quitAction->setMenuRole(QAction::QuitRole);
    connect(quitAction, &QAction::triggered, m_window.get(), &QWidget::close);

    QMenu *helpMenu = m_window->menuBar()->addMenu(tr("&Help"));
    QAction *aboutAction = helpMenu->addAction(tr("&About Earlume"));
    aboutAction->setObjectName(QStringLiteral("aboutAction"));
    aboutAction->setMenuRole(QAction::AboutRole);
    connect(aboutAction, &QAction::triggered, this, &AppDelegate::aboutMenu);

    m_viewController->viewDidLoad();
    m_window->resize(m_window->sizeHint());
}

void AppDelegate::aboutMenu()
{
    if (!m_aboutPanel) {
        m_aboutPanel = new QMessageBox(m_window.get());
        m_aboutPanel->setObjectName(QStringLiteral("aboutPanel"));
        m_aboutPanel->setAttribute(Qt::WA_DeleteOnClose);
        // The panel alone must not keep the program running once the settings window is closed.
        m_aboutPanel->setAttribute(Qt::WA_QuitOnClose, false);
        m_aboutPanel->setWindowModality(Qt::NonModal);
        m_aboutPanel->setWindowTitle(tr("About %1").arg(AboutName));
        m_aboutPanel->setTextFormat(Qt::RichText);
        m_aboutPanel->setText(
            QStringLiteral("<h3>%1</h3><p>%2</p><p>%3</p>")
                .arg(AboutName.toHtmlEscaped(),
                     tr("Version %1").arg(AboutVersion).toHtmlEscaped(),
                     tr("Shows the battery levels of your AirPods in the system tray.").toHtmlEscaped()));
        const QIcon icon = QApplication::windowIcon();
        if (!icon.isNull()) {
            m_aboutPanel->setIconPixmap(icon.pixmap(64, 64));
        }
        m_aboutPanel->setStandardButtons(QMessageBox::Ok);
    }
    m_aboutPanel->show();
    m_aboutPanel->raise();
    m_aboutPanel->activateWindow();
}

bool AppDelegate::applicationShouldTerminateAfterLastWindowClosed()
{
    return true;
}

QMainWindow *AppDelegate::window() const
{
    return m_window.get();
}

ViewController *AppDelegate::viewController() const
{
    return m_viewController;
}

SettingsController *AppDelegate::settingsController() const
{
    return m_controller;
}

QMessageBox *AppDelegate::aboutPanel() const
{
    return m_aboutPanel;
}
