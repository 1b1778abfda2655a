// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/SystemTrayStatusItem.h"

#include <QSystemTrayIcon>

SystemTrayStatusItem::SystemTrayStatusItem(QObject *parent)
    : StatusItem(parent)
    , m_icon(new QSystemTrayIcon(this))
{
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) {
            Q_EMIT activated(QPoint());
        }
    });
}

void SystemTrayStatusItem::setPicture(const QString &iconName, const QIcon &picture)
{
    Q_UNUSED(iconName)
    m_icon->setIcon(picture);
}

void SystemTrayStatusItem::setToolTip(const QString &title, const QString &text)
{
    m_icon->setToolTip(text.isEmpty() ? title : title + QLatin1Char('\n') + text);
}

void SystemTrayStatusItem::setVisible(bool visible)
{
    m_icon->setVisible(visible);
}

void SystemTrayStatusItem::setContextMenu(QMenu *menu)
{
    m_icon->setContextMenu(menu);
}

QRect SystemTrayStatusItem::geometry() const
{
    return m_icon->geometry();
}
