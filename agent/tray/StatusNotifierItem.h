// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tray/StatusItem.h"

#include <QDBusConnection>
#include <QImage>

class DBusMenuExporter;
class QAction;
class QDBusServiceWatcher;
class StatusNotifierItemAdaptor;

/**
 * The tray icon as our own org.kde.StatusNotifierItem, with its menu exported as com.canonical.dbusmenu.
 * Follows the desktop's StatusNotifierWatcher on the session bus and registers with each one that appears
 * (at login the agent may start before the panel, and a panel may restart). While shown, the item lives on
 * a bus connection of its own, which it owns; hiding closes that connection.
 */
class StatusNotifierItem : public StatusItem
{
    Q_OBJECT

public:
    /// @p sessionBus is used to follow the watcher; the item itself gets a connection of its own.
    explicit StatusNotifierItem(const QDBusConnection &sessionBus, QObject *parent = nullptr);
    ~StatusNotifierItem() override;

    void setPicture(const QString &iconName, const QIcon &picture) override;
    void setPictureDescription(const QString &description) override;
    void setToolTip(const QString &title, const QString &text) override;
    void setVisible(bool visible) override;
    void setContextMenu(QMenu *menu) override;

    /// Whether a watcher has accepted the item and not gone since.
    bool isRegistered() const { return m_registered; }

Q_SIGNALS:
    /// The first answer about the watcher: whether one was on the bus at start.
    void watcherChecked(bool present);
    void registeredChanged(bool registered);

private:
    friend class StatusNotifierItemAdaptor;

    void registerWithWatcher();
    /// Finds out whether the watcher's program draws a symbolic icon without recolouring it.
    void identifyHost();
    void closeConnection();
    void setRegistered(bool registered);

    QDBusConnection m_sessionBus;
    QDBusServiceWatcher *m_watcherWatch = nullptr;
    StatusNotifierItemAdaptor *m_adaptor = nullptr;
    DBusMenuExporter *m_menu = nullptr;
    QAction *m_showPanel = nullptr;
    QAction *m_separator = nullptr;
    QString m_connectionName; ///< of the item's own connection while it is open
    int m_connections = 0;
    int m_registrations = 0;
    int m_pendingRegistration = 0; ///< the registration whose answer we wait for, or 0
    QString m_iconName;
    QList<QImage> m_pictures;
    QString m_pictureDescription;
    QString m_toolTipTitle;
    QString m_toolTip;
    QString m_iconThemePath;
    bool m_visible = false;
    bool m_watcherPresent = false;
    bool m_registered = false;
    bool m_hostKeepsIconColours = false; ///< the host would draw our symbolic icon in its own dark grey
};
