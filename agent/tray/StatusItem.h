// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QRect>

class QMenu;

/**
 * What the agent needs of its tray icon, whoever shows it: the picture, the tool tip, whether it shows,
 * the context menu, and the clicks. Owns nothing of the agent; the menu stays the caller's.
 */
class StatusItem : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// @p iconName names an icon of the theme for hosts that draw their own (symbolic) icons; @p picture is
    /// the drawn picture, for hosts that take pixels.
    virtual void setPicture(const QString &iconName, const QIcon &picture) = 0;
    /// What the picture shows, in words: what a screen reader says for the icon.
    virtual void setPictureDescription(const QString &description) { Q_UNUSED(description) }
    /// @p title in bold where the host has room for it, @p text below it.
    virtual void setToolTip(const QString &title, const QString &text) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void setContextMenu(QMenu *menu) = 0;
    /// Where the icon is on the screen, where the host tells; an invalid rectangle where it does not.
    virtual QRect geometry() const { return {}; }

Q_SIGNALS:
    /// A primary click. @p anchor is the point the host gave, in global coordinates; null when unknown.
    void activated(const QPoint &anchor);
    /// The host asks us to show the context menu ourselves at @p position.
    void contextMenuRequested(const QPoint &position);
    /// The item's own "Show AirPods" menu entry was chosen: the panel should open (not toggle).
    void panelRequested();
};
