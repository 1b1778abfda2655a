// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class AirpodsViewController;
class Appearance;
class BluetoothService;
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

    /// Builds, places and shows a new heads-up window on the screen under the pointer. With @p nearby, the object
    /// path of a pair that is not connected here, it shows that pair and, where the "Connect Button" setting is on,
    /// the button to connect it, which takes clicks.
    static HudWindow *showHud(BluetoothService *bluetooth, Workspace *workspace, const Appearance *appearance,
                              const QString &nearby = QString());

    /// Where a window of @p size goes on a screen with geometry @p screen: centred across, with a quarter
    /// of the free height below it. Origins are Qt's (top left), and the screen's own origin counts.
    static QRect frameFor(const QRect &screen, const QSize &size);

    AirpodsViewController *panel() const { return m_panel; }

Q_SIGNALS:
    void orderedOut();

private:
    HudWindow(BluetoothService *bluetooth, Workspace *workspace, const Appearance *appearance);

    void hudAnimationBegin();

    AirpodsViewController *m_panel = nullptr;
    QPropertyAnimation *m_fade = nullptr;
    QTimer *m_refresh = nullptr;
};
