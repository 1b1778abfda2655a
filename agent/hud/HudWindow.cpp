// SPDX-License-Identifier: GPL-3.0-or-later
#include "HudWindow.h"

#include "EventLine.h"
#include "bluetooth/PairList.h"
#include "desktop/IdleMemory.h"
#include "desktop/SystemAppearance.h"
#include "panel/AirpodsViewController.h"
#include "panel/Style.h"

#include <QCursor>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
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

AirpodsViewController *hudPanel(PairList *pairs, Workspace *workspace, const Appearance *appearance,
                                QWidget *parent)
{
    auto *panel = AirpodsViewController::freshController(pairs, workspace, appearance, parent);
    panel->hideButtons();
    panel->setCornerRadius(HudWindow::CornerRadius);
    panel->setStyles(Style::hudLight(), Style::hudDark());
    panel->redrawTheme();
    return panel;
}
} // namespace

/// The one panel that draws every heads-up window's pair, never shown itself. A picture is drawn once for all the
/// windows that show it, and again after the pairs change; one with the same pixels as a recent one gives way to
/// that one, so that the windows of a burst of changes (connected, disconnected, connected...) share a few pictures.
class HudWindow::SharedPanel
{
public:
    SharedPanel(PairList *pairs, Workspace *workspace, const Appearance *appearance)
        : m_pairs(pairs)
        , m_workspace(workspace)
        , m_appearance(appearance)
        , m_panel(hudPanel(pairs, workspace, appearance, nullptr))
    {
        // Readings and the name often arrive after the connection itself: the windows follow them while
        // visible, one drawing per burst of changes.
        m_redraw.setSingleShot(true);
        m_redraw.setInterval(0);
        QObject::connect(&m_redraw, &QTimer::timeout, m_panel, [this] {
            for (HudWindow *window : std::as_const(m_windows)) {
                window->redraw();
            }
        });
        if (pairs) {
            QObject::connect(pairs, &PairList::changed, m_panel, [this] {
                m_current.clear();
                m_redraw.start();
            });
        }
    }

    ~SharedPanel() { delete m_panel; }

    SharedPanel(const SharedPanel &) = delete;
    SharedPanel &operator=(const SharedPanel &) = delete;

    bool serves(PairList *pairs, Workspace *workspace, const Appearance *appearance) const
    {
        return pairs == m_pairs && workspace == m_workspace && appearance == m_appearance;
    }

    AirpodsViewController *panel() const { return m_panel; }

    void add(HudWindow *window) { m_windows.append(window); }
    void remove(HudWindow *window) { m_windows.removeOne(window); }

    QImage draw(const QString &pair, qreal devicePixelRatio)
    {
        const bool dark = m_appearance && m_appearance->isDark();
        const QString key = QStringLiteral("%1 %2 %3").arg(pair).arg(dark).arg(devicePixelRatio);
        if (const auto drawn = m_current.constFind(key); drawn != m_current.constEnd()) {
            return *drawn;
        }
        m_panel->showPair(pair);
        m_panel->redrawTheme();
        m_panel->adjustSize();
        QImage picture(m_panel->size() * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(devicePixelRatio);
        picture.fill(Qt::transparent);
        m_panel->QWidget::render(&picture, QPoint(), QRegion(), QWidget::DrawChildren); // the rounded corners stay clear

        QList<QImage> &recent = m_recent[key];
        if (const auto same = std::find(recent.cbegin(), recent.cend(), picture); same != recent.cend()) {
            picture = *same;
        } else {
            recent.prepend(picture);
            if (recent.size() > KeptPictures) {
                recent.removeLast();
            }
        }
        m_current.insert(key, picture);
        return picture;
    }

private:
    static constexpr int KeptPictures = 4;

    const PairList *const m_pairs;
    const Workspace *const m_workspace;
    const Appearance *const m_appearance;
    AirpodsViewController *const m_panel;
    // By pair, appearance and pixel ratio: what shows now, and the last few distinct pictures.
    QHash<QString, QImage> m_current;
    QHash<QString, QList<QImage>> m_recent;
    QList<HudWindow *> m_windows;
    QTimer m_redraw;
};

HudWindow::HudWindow(PairList *pairs, Workspace *workspace, const Appearance *appearance, const QString &pair,
                     Shows shows)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
                  | Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint) // placed by us, as the panel
    , m_pair(pair)
{
    setObjectName(QStringLiteral("hudWindow"));
    setWindowTitle(QStringLiteral("Earlume"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    ++s_liveHuds;

    if (shows == Shows::Pair || pair.isEmpty()) {
        static std::weak_ptr<SharedPanel> s_shared;
        m_shared = s_shared.lock();
        if (!m_shared || !m_shared->serves(pairs, workspace, appearance)) {
            m_shared = std::make_shared<SharedPanel>(pairs, workspace, appearance);
            s_shared = m_shared;
        }
        m_shared->add(this);
        return;
    }
    // A pair nearby: a live panel of its own, whose button takes clicks, following the pairs as the shared one does.
    m_panel = hudPanel(pairs, workspace, appearance, this);
    m_panel->hideButtons(true);
    m_panel->showNearby(pair);
    setWindowFlag(Qt::WindowTransparentForInput, false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_panel);
    if (pairs) {
        auto *refresh = new QTimer(this);
        refresh->setSingleShot(true);
        refresh->setInterval(0);
        connect(refresh, &QTimer::timeout, m_panel, &AirpodsViewController::getAirpodsInfos);
        connect(pairs, &PairList::changed, refresh, qOverload<>(&QTimer::start));
    }
}

HudWindow::~HudWindow()
{
    if (m_shared) {
        m_shared->remove(this);
        m_shared.reset(); // the last window takes the shared panel with it
    }
    if (--s_liveHuds == 0) {
        releaseUnusedMemory();
    }
}

AirpodsViewController *HudWindow::panel() const
{
    return m_panel ? m_panel : m_shared->panel();
}

void HudWindow::redraw()
{
    m_picture = m_shared->draw(m_pair, devicePixelRatioF());
    const QSize size = m_picture.deviceIndependentSize().toSize();
    if (size != this->size()) {
        resize(size); // grows or shrinks from the top left, as a window around the panel would
    }
    update();
}

void HudWindow::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    if (m_picture.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_picture);
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
    auto *hud = new HudWindow(pairs, workspace, appearance, pair, shows);
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen) {
        hud->setScreen(screen);
    }
    if (hud->m_panel) {
        hud->adjustSize();
    } else {
        hud->redraw();
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
