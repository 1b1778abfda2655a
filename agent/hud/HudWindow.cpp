// SPDX-License-Identifier: GPL-3.0-or-later
#include "HudWindow.h"

#include "EventLine.h"
#include "bluetooth/PairList.h"
#include "desktop/IdleMemory.h"
#include "panel/AirpodsViewController.h"
#include "panel/Style.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace
{
int s_liveHuds = 0;

// A burst of connections can put many heads-up windows on screen at once. Once the last one is gone,
// hand the memory they used back to the system, so that an idle agent stays small: the pixmaps Qt cached
// while drawing them, the fonts, then the heap's free pages. From the event loop, once the last window's
// destruction has run to its end.
void releaseUnusedMemory()
{
    QTimer::singleShot(0, qApp, [] {
        if (s_liveHuds == 0) {
            IdleMemory::release(IdleMemory::Pictures::Drop);
        }
    });
}
} // namespace

HudWindow::HudWindow(PairList *pairs, Workspace *workspace, const Appearance *appearance)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
                  | Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint) // placed by us, as the panel
{
    setObjectName(QStringLiteral("hudWindow"));
    setWindowTitle(QStringLiteral("Earlume"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    ++s_liveHuds;
    connect(this, &QObject::destroyed, [] {
        if (--s_liveHuds == 0) {
            releaseUnusedMemory();
        }
    });

    m_panel = AirpodsViewController::freshController(pairs, workspace, appearance, this);
    m_panel->hideButtons();
    m_panel->setCornerRadius(CornerRadius);
    m_panel->setStyles(Style::hudLight(), Style::hudDark());
    m_panel->redrawTheme();

    // Readings and the name often arrive after the connection itself: follow them while visible, one
    // repaint per burst of changes.
    if (pairs) {
        m_refresh = new QTimer(this);
        m_refresh->setSingleShot(true);
        m_refresh->setInterval(0);
        connect(m_refresh, &QTimer::timeout, m_panel, &AirpodsViewController::getAirpodsInfos);
        connect(pairs, &PairList::changed, m_refresh, qOverload<>(&QTimer::start));
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_panel);
}

QRect HudWindow::frameFor(const QRect &screen, const QSize &size)
{
    const int x = screen.x() + static_cast<int>(std::lround(screen.width() * 0.5 - size.width() * 0.5));
    const int y = screen.y() + static_cast<int>(std::lround((screen.height() - size.height()) * 0.75));
    return QRect(QPoint(x, y), size);
}

HudWindow *HudWindow::showHud(PairList *pairs, Workspace *workspace, const Appearance *appearance,
                              const QString &pair, Shows shows)
{
    auto *hud = new HudWindow(pairs, workspace, appearance);
    if (shows == Shows::Nearby && !pair.isEmpty()) {
        hud->m_panel->hideButtons(true);
        hud->m_panel->showNearby(pair);
        hud->setWindowFlag(Qt::WindowTransparentForInput, false);
    } else if (!pair.isEmpty()) {
        hud->m_panel->showPair(pair);
    }
    hud->adjustSize();
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen) {
        hud->setGeometry(frameFor(screen->geometry(), hud->size()));
    }
    hud->show();
    QTimer::singleShot(VisibleMs, hud, &HudWindow::hudAnimationBegin);
    return hud;
}

void HudWindow::hudAnimationBegin()
{
    m_fade = new QPropertyAnimation(this, "windowOpacity", this);
    m_fade->setDuration(FadeMs);
    m_fade->setStartValue(1.0);
    m_fade->setEndValue(0.0);
    connect(m_fade, &QPropertyAnimation::finished, this, [this] {
        hide();
        writeEventLine(QStringLiteral("Window ordered out!"));
        Q_EMIT orderedOut();
        close();
    });
    m_fade->start();
}
