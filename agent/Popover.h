// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

/**
 * The window that holds the AirPods panel under the tray icon: frameless, above other windows, and open
 * until the tray icon is clicked again (so not a Qt::Popup, which closes on any outside click).
 */
class Popover : public QWidget
{
    Q_OBJECT

public:
    explicit Popover(QWidget *parent = nullptr);

    void setContentViewController(QWidget *content);
    QWidget *contentViewController() const { return m_content; }

    /// Opens below @p anchor (in global coordinates), kept inside the available area of its screen.
    void showRelativeTo(const QRect &anchor);
    bool isShown() const { return isVisible(); }
    void performClose() { hide(); }

    /// Where a window of @p size opens for @p anchor: centred below it, or above it where there is no room
    /// below (a tray at the bottom of the screen), then moved inside @p available.
    static QPoint placement(const QRect &anchor, const QSize &size, const QRect &available);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QWidget *m_content = nullptr;
};
