// SPDX-License-Identifier: GPL-3.0-or-later
#include "Popover.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace
{
constexpr int AnchorGap = 4;
}

// Placed by us, not by the window manager: XWayland's (weston's, mutter's) would put a tool window wherever it
// likes, far from the tray. On X the hint makes it an override-redirect window, as menus are.
Popover::Popover(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint)
{
    setObjectName(QStringLiteral("popover"));
    setWindowTitle(QStringLiteral("Earlume"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void Popover::setContentViewController(QWidget *content)
{
    m_content = content;
    layout()->addWidget(content);
}

QPoint Popover::placement(const QRect &anchor, const QSize &size, const QRect &available)
{
    int x = anchor.center().x() - size.width() / 2;
    int y = anchor.bottom() + 1 + AnchorGap;
    if (y + size.height() > available.bottom() + 1 && anchor.top() - AnchorGap - size.height() >= available.top()) {
        y = anchor.top() - AnchorGap - size.height();
    }
    x = std::clamp(x, available.left(), std::max(available.left(), available.right() + 1 - size.width()));
    y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - size.height()));
    return {x, y};
}

void Popover::showRelativeTo(const QRect &anchor)
{
    adjustSize();
    QScreen *screen = QGuiApplication::screenAt(anchor.center());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect available = screen ? screen->availableGeometry() : QRect(anchor.topLeft(), size());
    move(placement(anchor, size(), available));
    show();
    raise();
}

void Popover::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
