// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/SwitchingStatusItem.h"

#include "Logging.h"
#include "tray/StatusNotifierItem.h"
#include "tray/SystemTrayStatusItem.h"

#include <QMenu>
#include <QSystemTrayIcon>

SwitchingStatusItem::SwitchingStatusItem(const QDBusConnection &sessionBus, QObject *parent)
    : StatusItem(parent)
    , m_notifier(new StatusNotifierItem(sessionBus, this))
{
    forward(m_notifier);
    connect(m_notifier, &StatusNotifierItem::watcherChecked, this, [this](bool present) {
        if (!present && !m_notifier->isRegistered()) {
            useFallback();
        }
    });
    connect(m_notifier, &StatusNotifierItem::registeredChanged, this, [this](bool registered) {
        if (registered && m_fallback) {
            qCInfo(lcTray) << "A tray host has appeared: the tray icon moves to it";
            delete m_fallback;
            m_fallback = nullptr;
        }
    });
}

void SwitchingStatusItem::forward(StatusItem *item)
{
    connect(item, &StatusItem::activated, this, &StatusItem::activated);
    connect(item, &StatusItem::contextMenuRequested, this, &StatusItem::contextMenuRequested);
    connect(item, &StatusItem::panelRequested, this, &StatusItem::panelRequested);
}

void SwitchingStatusItem::useFallback()
{
    // Qt's own tray icon: an XEmbed system tray, where the desktop has one.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        qCWarning(lcTray) << "This desktop shows no tray icons, so Earlume's icon cannot be seen (on GNOME, enable the"
                             " AppIndicator extension); Earlume keeps running and still answers its settings program";
    }
    m_fallback = new SystemTrayStatusItem(this);
    forward(m_fallback);
    m_fallback->setPicture(m_iconName, m_picture);
    m_fallback->setPictureDescription(m_pictureDescription);
    m_fallback->setToolTip(m_toolTipTitle, m_toolTip);
    m_fallback->setContextMenu(m_menu);
    m_fallback->setVisible(m_visible);
}

void SwitchingStatusItem::setPicture(const QString &iconName, const QIcon &picture)
{
    m_iconName = iconName;
    m_picture = picture;
    m_notifier->setPicture(iconName, picture);
    if (m_fallback) {
        m_fallback->setPicture(iconName, picture);
    }
}

void SwitchingStatusItem::setPictureDescription(const QString &description)
{
    m_pictureDescription = description;
    m_notifier->setPictureDescription(description);
    if (m_fallback) {
        m_fallback->setPictureDescription(description);
    }
}

void SwitchingStatusItem::setToolTip(const QString &title, const QString &text)
{
    m_toolTipTitle = title;
    m_toolTip = text;
    m_notifier->setToolTip(title, text);
    if (m_fallback) {
        m_fallback->setToolTip(title, text);
    }
}

void SwitchingStatusItem::setVisible(bool visible)
{
    m_visible = visible;
    m_notifier->setVisible(visible);
    if (m_fallback) {
        m_fallback->setVisible(visible);
    }
}

void SwitchingStatusItem::setContextMenu(QMenu *menu)
{
    m_menu = menu;
    m_notifier->setContextMenu(menu);
    if (m_fallback) {
        m_fallback->setContextMenu(menu);
    }
}

QRect SwitchingStatusItem::geometry() const
{
    return m_fallback ? m_fallback->geometry() : QRect();
}
