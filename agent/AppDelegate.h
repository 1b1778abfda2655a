// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bluetooth/BluetoothDevice.h"

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QPointer>

class AirpodsViewController;
class BluetoothService;
class PairList;
class DistributedNotificationCenter;
class Appearance;
class Popover;
class QMenu;
class QTimer;
class StatusItem;
class Workspace;

/**
 * The agent: owns the tray icon, the popover with its panel (built when it first opens) and the alternate menu
 * for the whole run, answers the settings program, follows AirPods connections and runs the update check.
 */
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    /// The platform services the agent works through; none is owned.
    struct Services {
        BluetoothService *bluetooth = nullptr;
        /// Every paired AirPods, in the order everything shows them.
        PairList *pairs = nullptr;
        Workspace *workspace = nullptr;
        DistributedNotificationCenter *notificationCenter = nullptr;
        Appearance *appearance = nullptr;
    };

    explicit AppDelegate(const Services &services, QObject *parent = nullptr);
    ~AppDelegate() override;

    /// The launch sequence; runs once.
    void applicationDidFinishLaunching();

    // Tray icon and popover. @p anchor is where the tray host says the icon was clicked; null when unknown.
    void togglePopover(const QPoint &anchor = QPoint());
    void showPopover(const QPoint &anchor = QPoint());
    void settings();
    void quitFromMenu();

    // Answers to the settings program and the desktop.
    void echo();
    void quit();
    void reloadSettings();

    // Connection watching.
    void disconnectAirpodsOfConnectBluetooth();
    void setNotifications();
    void connectBTDevice(const BluetoothDevice &device);
    void disconnectAirpods(const BluetoothDevice &device);
    /// A heads-up window about the pair at @p path (none: the pair the panel shows first).
    void showHudWindow(const QString &path = QString());

    // Update check.
    void checkForUpdate();
    void newVersionAlert(const QString &newVersion, const QString &current);
    void reloadVersionNumber();

    StatusItem *statusItem() const { return m_statusItem; }
    Popover *popover() const { return m_popover; }
    QMenu *alternateMenu() const { return m_alternateMenu; }
    /// The popover's panel; null until the popover first opens.
    AirpodsViewController *panel() const;

Q_SIGNALS:
    /// quit() has said goodbye; the program should now end with status 0.
    void terminateRequested();

private:
    void setStatusImage(const QString &name);
    void scheduleOpenPanelRefresh();
    /// Shows the devices as they are now in the panel; reads the cache only.
    void refreshPanel();

    Services m_services;
    StatusItem *m_statusItem = nullptr;
    Popover *m_popover = nullptr;
    QMenu *m_alternateMenu = nullptr;
    QTimer *m_panelRefresh = nullptr;
    QTimer *m_statusRefresh = nullptr;
    QString m_statusImage;
    bool m_statusImageDark = false;
    // The tray pictures drawn so far, by image name and appearance: at most four, each drawn once. A new
    // drawing per connection change would also leave its pages behind in QPixmapCache until evicted.
    QHash<QString, QIcon> m_trayPictures;
    bool m_quitting = false;
};
