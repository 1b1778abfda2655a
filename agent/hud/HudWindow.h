// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>

#include <memory>

class AirpodsViewController;
class Appearance;
class PairList;
class QPropertyAnimation;
class Workspace;

/**
 * The heads-up window shown when AirPods connect or disconnect: the panel without its buttons, in a frameless,
 * translucent, always-on-top window with rounded corners that takes no focus. It stays fully visible for 2.5 s,
 * fades out over 1.5 s, then closes, writes "Window ordered out!" and frees itself. Each one lives on its own
 * schedule; several may be on screen at once.
 *
 * A burst of connection changes puts many of them on screen together, so a window about a pair holds no panel of
 * its own: one panel, shared by all the windows alive, draws each window's pair into a picture (once per pair, and
 * again when the pairs change), which the window shows. The shared panel goes with the last window. A window about
 * a pair nearby holds a live panel, as its connect button takes clicks.
 */
class HudWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int VisibleMs = 2500;
    static constexpr int FadeMs = 1500;
    static constexpr qreal CornerRadius = 20;

    /// What a heads-up window is about: a pair that connected or disconnected, or one heard nearby.
    enum class Shows { Pair, Nearby };

    /// Builds, places and shows a new heads-up window on the screen under the pointer, about the pair at @p pair
    /// (an object path): the pair that connected or disconnected, or with Shows::Nearby one that is not connected
    /// here, with, where the "Connect Button" setting is on, the button to connect it, which takes clicks. Without
    /// a pair it shows what the panel shows first.
    static HudWindow *showHud(PairList *pairs, Workspace *workspace, const Appearance *appearance,
                              const QString &pair = QString(), Shows shows = Shows::Pair);

    /// Where a window of @p size goes on a screen with geometry @p screen: centred across, with a quarter
    /// of the free height below it. Origins are Qt's (top left), and the screen's own origin counts.
    static QRect frameFor(const QRect &screen, const QSize &size);

    ~HudWindow() override;

    /// The panel that drew what the window shows last: its own (a pair nearby) or the shared one, which may have
    /// drawn another window's pair since.
    AirpodsViewController *panel() const;
    /// What the window shows of a pair, as drawn; null for a pair nearby (a live panel).
    QImage picture() const { return m_picture; }

Q_SIGNALS:
    void orderedOut();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    class SharedPanel;

    HudWindow(PairList *pairs, Workspace *workspace, const Appearance *appearance, const QString &pair,
              Shows shows);

    void redraw();
    void hudAnimationBegin();

    std::shared_ptr<SharedPanel> m_shared;
    QString m_pair;
    QImage m_picture;
    AirpodsViewController *m_panel = nullptr; // a pair nearby only
    QPropertyAnimation *m_fade = nullptr;
};
