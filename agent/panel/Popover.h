// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QTimer>
#include <QWidget>

#include <optional>

/**
 * The window that holds the AirPods panel beside the tray icon: frameless, placed by us, and closed like a
 * popup (a click outside it, Escape, or the tray icon again).
 */
class Popover : public QWidget
{
    Q_OBJECT

public:
    /// What the desktop tells about where the window may go. Screens come with the primary one first.
    struct Desktop {
        QList<QRect> screens;
        /// The work area of each screen, in the same order: X's, or on sway its workspace's, which leaves out
        /// layer-shell bars that XWayland's work area knows nothing of.
        QList<QRect> available;
        /// Where the pointer is, only where the display server knows it for sure (an X11 session); under
        /// XWayland it is the last point the pointer crossed one of XWayland's windows, often mid-screen.
        std::optional<QPoint> pointer;
        /// False under Wayland, where a layer-shell bar (waybar, a shell's panel) takes no room from the
        /// work area that XWayland knows.
        bool workAreaKnowsBars = true;
        Qt::LayoutDirection direction = Qt::LeftToRight;
    };

    /// How long the window stays closed before it gives back its on-screen resources (see releaseWindow()).
    static constexpr int ReleaseAfterMs = 1000;

    /// Room kept for a bar the work area does not know of: a usual bar's height.
    static constexpr int UnknownBarHeight = 32;
    /// The most a host's point inside its icon reaches, from the icon's corner.
    static constexpr int IconPointLimit = 96;
    /// How long after an outside click a click on the tray icon is that same click.
    static constexpr int OutsideClickMs = 400;

    explicit Popover(QWidget *parent = nullptr);

    void setContentViewController(QWidget *content);
    QWidget *contentViewController() const { return m_content; }

    /// Opens beside @p point, what the tray host gave as the click (null when it gave none), or where the bar
    /// is when that is no point on the screen (see placementFor()); beside @p icon, the icon's place on the
    /// screen, when that is known and the host gave no point.
    void showFor(const QPoint &point, const QRect &icon = {});
    bool isShown() const { return isVisible(); }
    /// Places the open popover again for the same click when its content changed size (a pair more or less).
    void followContentSize();
    void performClose() { hide(); }
    /// Whether a click outside the window closed it a moment ago, there where the tray host says its icon
    /// was clicked (@p point; anywhere when that is no screen point): the host's report of that same click,
    /// which comes after we saw it.
    bool closedByClickAt(const QPoint &point) const;

    /// The desktop as it is now, for placementFor().
    static Desktop currentDesktop();
    /// Whether @p point, as a tray host reports a click, is a point on the screen. Some hosts (Wayland
    /// bars, which do not know where they are) report a point inside the icon, such as (10, 14): a point
    /// within IconPointLimit of the desktop's top left corner counts as one unless the pointer is there too.
    /// A null point, or one on no screen, is none.
    static bool isScreenPoint(const QPoint &point, const Desktop &desktop);
    /// Where a window of @p size opens for the host's @p point: beside it when it is a screen point (see
    /// placement()); otherwise at the edge where the bar is (the one the work area leaves out, or else the
    /// pointer's half of the screen, or else the top), at the end where trays sit. Either way on the
    /// screen and clear of the bar, also where the work area does not know of it.
    static QPoint placementFor(const QPoint &point, const QSize &size, const Desktop &desktop);
    /// Where a window of @p size opens for @p anchor: centred below it, or above it where there is no room
    /// below (a tray at the bottom of the screen), then moved inside @p available.
    static QPoint placement(const QRect &anchor, const QSize &size, const QRect &available);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    /// Once closed for a moment, the native window goes, and with it the picture of the window that the
    /// display server shares with us; the panel and its contents stay, and the next opening makes a new one.
    void releaseWindow();

    QWidget *m_content = nullptr;
    QElapsedTimer m_outsideClose;
    QPoint m_outsideClick;
    // What the popover was last placed for.
    QPoint m_shownFor;
    QRect m_shownForIcon;
    QTimer m_release;
};
