// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tray/StatusItem.h"

#include <QDBusConnection>
#include <QPointer>

class StatusNotifierItem;
class SystemTrayStatusItem;

/**
 * The tray icon the agent uses: our StatusNotifierItem, and in its place a QSystemTrayIcon while the
 * desktop had no StatusNotifierWatcher at start. When a watcher appears later, the StatusNotifierItem takes
 * over for good. Owns both; keeps the last picture, tool tip, visibility and menu to hand to either.
 */
class SwitchingStatusItem : public StatusItem
{
    Q_OBJECT

public:
    explicit SwitchingStatusItem(const QDBusConnection &sessionBus, QObject *parent = nullptr);

    void setPicture(const QString &iconName, const QIcon &picture) override;
    void setPictureDescription(const QString &description) override;
    void setToolTip(const QString &title, const QString &text) override;
    void setVisible(bool visible) override;
    void setContextMenu(QMenu *menu) override;
    QRect geometry() const override;

private:
    void forward(StatusItem *item);
    void useFallback();

    StatusNotifierItem *m_notifier = nullptr;
    SystemTrayStatusItem *m_fallback = nullptr;
    QString m_iconName;
    QIcon m_picture;
    QString m_pictureDescription;
    QString m_toolTipTitle;
    QString m_toolTip;
    QPointer<QMenu> m_menu;
    bool m_visible = false;
};
