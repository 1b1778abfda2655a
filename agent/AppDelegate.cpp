// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppDelegate.h"

#include "ConnectionWatcher.h"
#include "DBusHelper.h"
#include "DistributedNotificationCenter.h"
#include "EventLine.h"
#include "Logging.h"
#include "Notifications.h"
#include "Settings.h"
#include "battery/CaseOpening.h"
#include "bluetooth/BluetoothService.h"
#include "bluetooth/PairList.h"
#include "desktop/SystemAppearance.h"
#include "desktop/Workspace.h"
#include "hud/HudWindow.h"
#include "panel/AirpodsViewController.h"
#include "panel/Icon.h"
#include "panel/PanelArtwork.h"
#include "panel/Popover.h"
#include "tray/SwitchingStatusItem.h"
#include "update/MessageBoxUpdatePrompt.h"
#include "update/UpdateFlow.h"
#include "update/UpdateServer.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

AppDelegate::AppDelegate(const Services &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_statusItem(new SwitchingStatusItem(DBusHelper::sessionBus(), this))
    , m_popover(new Popover)
    , m_alternateMenu(new QMenu)
    , m_panelRefresh(new QTimer(this))
    , m_statusRefresh(new QTimer(this))
{
    m_alternateMenu->setObjectName(QStringLiteral("alternateMenu"));
    QAction *version = m_alternateMenu->addAction(QStringLiteral("Earlume"));
    version->setData(1);
    version->setEnabled(false);
    m_alternateMenu->addSeparator();
    QAction *settingsItem = m_alternateMenu->addAction(tr("Settings…"));
    connect(settingsItem, &QAction::triggered, this, &AppDelegate::settings);
    QAction *quitItem = m_alternateMenu->addAction(tr("Quit Earlume"));
    connect(quitItem, &QAction::triggered, this, &AppDelegate::quitFromMenu);
    reloadVersionNumber();
    // Also right before the desktop shows the menu from the tray's own context request. The entries have no
    // icons: themes have a symbolic one for some of them only, and a menu with one icon in colour looks odd.
    connect(m_alternateMenu, &QMenu::aboutToShow, this, &AppDelegate::reloadVersionNumber);

    m_statusRefresh->setSingleShot(true);
    m_statusRefresh->setInterval(0);
    connect(m_statusRefresh, &QTimer::timeout, this, &AppDelegate::disconnectAirpodsOfConnectBluetooth);

    // Bursts of Bluetooth changes become one repaint of the open panel.
    m_panelRefresh->setSingleShot(true);
    m_panelRefresh->setInterval(0);
    connect(m_panelRefresh, &QTimer::timeout, this, [this] {
        if (m_popover->isShown()) {
            refreshPanel();
        }
    });
}

AppDelegate::~AppDelegate()
{
    // The tray item watches the menu's actions: it goes first, so that the menu's own end reaches nobody.
    delete m_statusItem;
    delete m_popover;
    delete m_alternateMenu;
}

AirpodsViewController *AppDelegate::panel() const
{
    return static_cast<AirpodsViewController *>(m_popover->contentViewController());
}

void AppDelegate::applicationDidFinishLaunching()
{
    checkForUpdate();

    // The picture itself comes with the first status update below: one drawing, not two.
    m_statusItem->setContextMenu(m_alternateMenu);
    connect(m_statusItem, &StatusItem::activated, this, [this](const QPoint &anchor) { togglePopover(anchor); });
    connect(m_statusItem, &StatusItem::panelRequested, this, [this] { showPopover(); });
    connect(m_statusItem, &StatusItem::contextMenuRequested, m_alternateMenu,
            [this](const QPoint &position) { m_alternateMenu->popup(position); });

    disconnectAirpodsOfConnectBluetooth();
    setNotifications();

    DistributedNotificationCenter *center = m_services.notificationCenter;
    center->addObserver(Notifications::ReloadSettings, this, [this] { reloadSettings(); });
    center->addObserver(Notifications::ChangeDarkMode, this, [this] { reloadSettings(); });
    center->addObserver(Notifications::MonitorQuit, this, [this] { quit(); });
    center->addObserver(Notifications::MonitorEcho, this, [this] { echo(); });
    if (m_services.appearance) {
        connect(m_services.appearance, &Appearance::appearanceChanged, this, &AppDelegate::reloadSettings);
        // The desktop's first answer only recolours; it is not a change the user made.
        connect(m_services.appearance, &Appearance::initialAppearanceRead, this, [this] {
            setStatusImage(m_statusImage);
            if (panel()) {
                panel()->redrawTheme();
            }
        });
    }

    echo();
}

void AppDelegate::setStatusImage(const QString &name)
{
    const bool dark = m_services.appearance && m_services.appearance->isDark();
    if (name == m_statusImage && dark == m_statusImageDark) {
        return;
    }
    m_statusImage = name;
    m_statusImageDark = dark;
    // Hosts that draw symbolic icons themselves take the installed ones by name; the others our pixels.
    const QString iconName = name == QLatin1String("menuIcon") ? QStringLiteral("earlume-connected-symbolic")
                                                               : QStringLiteral("earlume-disconnected-symbolic");
    QIcon &picture = m_trayPictures[name + (dark ? QStringLiteral("/dark") : QStringLiteral("/light"))];
    if (picture.isNull()) {
        picture = trayRendering(icon(PanelArtwork::named(name)), dark);
    }
    m_statusItem->setPicture(iconName, picture);
    m_statusItem->setPictureDescription(name == QLatin1String("menuIcon") ? tr("AirPods connected")
                                                                          : tr("No AirPods connected"));
}

void AppDelegate::togglePopover(const QPoint &anchor)
{
    if (QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier) {
        reloadVersionNumber();
        m_alternateMenu->popup(QCursor::pos());
        return;
    }
    if (m_popover->isShown()) {
        m_popover->performClose();
        return;
    }
    // Our window saw the click on the icon first, as a click outside it, and closed: it stays closed.
    if (m_popover->closedByClickAt(anchor)) {
        return;
    }
    showPopover(anchor);
}

void AppDelegate::showPopover(const QPoint &anchor)
{
    // Built on the first opening: most runs never need it, and it costs memory and start-up time.
    if (!panel()) {
        m_popover->setContentViewController(
            AirpodsViewController::freshController(m_services.pairs, m_services.workspace, m_services.appearance));
    }
    // Filled before it is placed: the pairs stacked in it make its height.
    refreshPanel();
    m_popover->showFor(anchor, m_statusItem->geometry());
    m_services.bluetooth->refreshReadings();
}

void AppDelegate::refreshPanel()
{
    QElapsedTimer timer;
    timer.start();
    panel()->getAirpodsInfos();
    panel()->setPreferencesButton();
    m_popover->followContentSize(); // a pair more or less in the stack
    qCDebug(lcAgent).nospace() << "Panel refreshed: " << m_services.bluetooth->pairedDevices().size()
                               << " paired devices in " << timer.nsecsElapsed() / 1e6 << " ms";
}

void AppDelegate::settings()
{
    m_services.workspace->openUrl(QUrl(SettingsURL));
}

void AppDelegate::quitFromMenu()
{
    quit();
}

void AppDelegate::echo()
{
    // After the goodbye, a late question must not make the settings program think we are back.
    if (m_quitting) {
        return;
    }
    m_services.notificationCenter->post(Notifications::Ping, BundleIdentifier::Agent);
}

void AppDelegate::quit()
{
    if (m_quitting) {
        return;
    }
    m_quitting = true;
    m_services.notificationCenter->post(Notifications::Unping, BundleIdentifier::Agent);
    m_services.notificationCenter->flush(this, [this] { Q_EMIT terminateRequested(); });
}

void AppDelegate::reloadSettings()
{
    disconnectAirpodsOfConnectBluetooth();
    // The same picture in the colours of the (possibly new) appearance.
    setStatusImage(m_statusImage);
    if (panel()) {
        panel()->redrawTheme();
    }
    writeEventLine(QStringLiteral("Settings reloaded"));
}

void AppDelegate::disconnectAirpodsOfConnectBluetooth()
{
    // A cache read: counting costs no bus call, so it may follow every change of the devices.
    const QList<Pair> pairs = m_services.pairs->pairs();
    const bool connected = std::any_of(pairs.cbegin(), pairs.cend(), [](const Pair &pair) { return pair.isConnected(); });
    // Under "Hide Menu" the icon appears only while connected, so it must show the connected picture then.
    setStatusImage(connected ? QStringLiteral("menuIcon") : QStringLiteral("menuIconDisconnected"));
    const auto [title, text] = AirpodsPanelModel::toolTip(pairs);
    m_statusItem->setToolTip(title, text);
    m_statusItem->setVisible(!Settings().hideMenu() || connected);
}

void AppDelegate::setNotifications()
{
    BluetoothService *bluetooth = m_services.bluetooth;
    // Every AirPods-class device is followed both ways, also one paired after launch.
    auto *connections = new ConnectionWatcher(bluetooth, this);
    connect(connections, &ConnectionWatcher::airpodsConnected, this, &AppDelegate::connectBTDevice);
    connect(connections, &ConnectionWatcher::airpodsDisconnected, this, &AppDelegate::disconnectAirpods);
    // A pair of ours whose case opens nearby: a heads-up window showing it, and a connection where asked for.
    auto *caseOpening = new CaseOpening(bluetooth, this);
#ifdef EARLUME_TEST_HOOKS
    bool quietSet = false;
    const int quietMs = qEnvironmentVariableIntValue("EARLUME_TEST_QUIET_AFTER_DISCONNECT_MS", &quietSet);
    if (quietSet) {
        caseOpening->setQuietAfterDisconnect(std::chrono::milliseconds(quietMs));
    }
#endif
    connect(caseOpening, &CaseOpening::hudRequested, this, [this](const QString &path) {
        HudWindow::showHud(m_services.pairs, m_services.workspace, m_services.appearance, path,
                           HudWindow::Shows::Nearby);
    });
    // BlueZ coming or going changes what can be known: show it as it is now, without a heads-up window.
    connect(bluetooth, &BluetoothService::availableChanged, this, [this] {
        disconnectAirpodsOfConnectBluetooth();
        scheduleOpenPanelRefresh();
    });
    // A first pairing reports Connected before Paired, and Class may come late: the icon follows every
    // change of the devices, not only connections.
    connect(bluetooth, &BluetoothService::devicesChanged, this, [this] {
        m_statusRefresh->start();
        scheduleOpenPanelRefresh();
    });
    connect(bluetooth, &BluetoothService::batteryChanged, this, [this] {
        m_statusRefresh->start(); // the tool tip shows the levels
        scheduleOpenPanelRefresh();
    });
}

void AppDelegate::scheduleOpenPanelRefresh()
{
    if (m_popover->isShown()) {
        m_panelRefresh->start();
    }
}

void AppDelegate::connectBTDevice(const BluetoothDevice &device)
{
    if (!device.isAirpods()) {
        return;
    }
    disconnectAirpodsOfConnectBluetooth();
    if (Settings().showHudOnConnection()) {
        showHudWindow(device.path);
    }
}

void AppDelegate::disconnectAirpods(const BluetoothDevice &device)
{
    disconnectAirpodsOfConnectBluetooth();
    if (Settings().showHudOnConnection()) {
        showHudWindow(device.path);
    }
}

void AppDelegate::showHudWindow(const QString &path)
{
    HudWindow::showHud(m_services.pairs, m_services.workspace, m_services.appearance, path);
    m_services.bluetooth->refreshReadings();
}

void AppDelegate::checkForUpdate()
{
    auto *flow = new UpdateFlow(m_services.workspace, std::make_unique<MessageBoxUpdatePrompt>(), this);
    connect(flow, &UpdateFlow::finished, flow, &QObject::deleteLater);
    // The check's process loads Qt and OpenSSL: started a moment after launch, it does not compete with the
    // agent's own start for the processor (about 10 ms less to the tray item on two cores).
    QTimer::singleShot(std::chrono::seconds(2), flow, &UpdateFlow::start);
}

void AppDelegate::newVersionAlert(const QString &newVersion, const QString &current)
{
    const QPointer<Workspace> workspace = m_services.workspace;
    MessageBoxUpdatePrompt().askToDownload(newVersion, current, [workspace](bool download) {
        if (download && workspace) {
            workspace->openUrl(downloadArchiveUrl(updateBaseUrl()));
        }
    });
}

void AppDelegate::reloadVersionNumber()
{
    for (QAction *action : m_alternateMenu->actions()) {
        if (action->data().toInt() == 1) {
            action->setText(versionLine());
        }
    }
}
