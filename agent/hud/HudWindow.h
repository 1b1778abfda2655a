// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class AirpodsViewController;
class Appearance;
class PairList;
class QPropertyAnimation;
class QTimer;
class Workspace;

/**
 * The heads-up window shown when AirPods connect or disconnect: a new panel without its buttons, in a
 * frameless, translucent, always-on-top window with rounded corners that takes no focus. It stays fully
 * visible for 2.5 s, fades out over 1.5 s, then closes, writes "Window ordered out!" and frees itself.
 * Each one lives on its own schedule; several may be on screen at once.
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

    AirpodsViewController *panel() const { return m_panel; }

Q_SIGNALS:
    void orderedOut();

private:
    HudWindow(PairList *pairs, Workspace *workspace, const Appearance *appearance);

    void hudAnimationBegin();

    AirpodsViewController *m_panel = nullptr;
    QPropertyAnimation *m_fade = nullptr;
    QTimer *m_refresh = nullptr;
};
