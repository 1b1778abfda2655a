// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tray/StatusItem.h"

class QSystemTrayIcon;

/**
 * The tray icon through QSystemTrayIcon, for desktops without a StatusNotifierWatcher (an XEmbed system
 * tray). Owns the QSystemTrayIcon; the host gives no click position, so activated() carries none.
 */
class SystemTrayStatusItem : public StatusItem
{
    Q_OBJECT

public:
    explicit SystemTrayStatusItem(QObject *parent = nullptr);

    void setPicture(const QString &iconName, const QIcon &picture) override;
    void setToolTip(const QString &title, const QString &text) override;
    void setVisible(bool visible) override;
    void setContextMenu(QMenu *menu) override;
    QRect geometry() const override;

private:
    QSystemTrayIcon *m_icon = nullptr;
};
