// SPDX-License-Identifier: GPL-3.0-or-later
#include "Popover.h"

#include "desktop/IdleMemory.h"

#include <QCursor>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
constexpr int AnchorGap = 4;

// The edge of @p screen that the work area leaves out the most; none when it leaves out nothing.
std::optional<Qt::Edge> edgeLeftOut(const QRect &screen, const QRect &available)
{
    const std::pair<int, Qt::Edge> insets[] = {{available.top() - screen.top(), Qt::TopEdge},
                                               {screen.bottom() - available.bottom(), Qt::BottomEdge},
                                               {available.left() - screen.left(), Qt::LeftEdge},
                                               {screen.right() - available.right(), Qt::RightEdge}};
    const auto widest = std::max_element(std::begin(insets), std::end(insets),
                                         [](const auto &a, const auto &b) { return a.first < b.first; });
    return widest->first > 0 ? std::optional(widest->second) : std::nullopt;
}

// @p available less a usual bar's room at @p edge, where it leaves out nothing there (a bar it knows of has
// its own size).
QRect clearOf(Qt::Edge edge, const QRect &screen, const QRect &available)
{
    QRect area = available;
    const int bar = Popover::UnknownBarHeight;
    switch (edge) {
    case Qt::TopEdge:
        area.setTop(area.top() == screen.top() ? screen.top() + bar : area.top());
        break;
    case Qt::BottomEdge:
        area.setBottom(area.bottom() == screen.bottom() ? screen.bottom() - bar : area.bottom());
        break;
    case Qt::LeftEdge:
        area.setLeft(area.left() == screen.left() ? screen.left() + bar : area.left());
        break;
    case Qt::RightEdge:
        area.setRight(area.right() == screen.right() ? screen.right() - bar : area.right());
        break;
    }
    return area;
}

// The work areas sway knows (each visible workspace's, which leaves out layer-shell bars such as waybar), asked
// over its IPC socket (i3's protocol: "i3-ipc", length, type, then JSON; GET_WORKSPACES is 1). Empty outside
// sway. Sway answers at once; the wait is bounded all the same.
QList<QRect> swayWorkAreas()
{
    // A plain Unix socket: the agent links no network module for this one question.
    const QByteArray path = qgetenv("SWAYSOCK");
    sockaddr_un address{};
    if (path.isEmpty() || std::size_t(path.size()) >= sizeof address.sun_path) {
        return {};
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return {};
    }
    QByteArray request("i3-ipc");
    const quint32 header[2] = {0, 1};
    request.append(reinterpret_cast<const char *>(header), sizeof header);
    QByteArray reply;
    quint32 length = 0;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::send(fd, request.constData(), std::size_t(request.size()), MSG_NOSIGNAL) == request.size()) {
        pollfd readable{fd, POLLIN, 0};
        char buffer[4096];
        while (::poll(&readable, 1, 100) > 0) {
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) {
                break;
            }
            reply.append(buffer, got);
            if (reply.size() >= 14) {
                std::memcpy(&length, reply.constData() + 6, sizeof length);
                if (reply.size() >= 14 + qsizetype(length)) {
                    break;
                }
            }
        }
    }
    ::close(fd);
    QList<QRect> areas;
    const QJsonArray workspaces = QJsonDocument::fromJson(reply.mid(14, length)).array();
    for (const QJsonValue &workspace : workspaces) {
        const QJsonObject rect = workspace[QLatin1String("rect")].toObject();
        if (workspace[QLatin1String("visible")].toBool()) {
            areas.append(QRect(rect[QLatin1String("x")].toInt(), rect[QLatin1String("y")].toInt(),
                               rect[QLatin1String("width")].toInt(), rect[QLatin1String("height")].toInt()));
        }
    }
    return areas;
}

int screenIndexAt(const QPoint &point, const Popover::Desktop &desktop)
{
    for (int i = 0; i < desktop.screens.size(); ++i) {
        if (desktop.screens.at(i).contains(point)) {
            return i;
        }
    }
    return -1;
}
} // namespace

// Placed by us, not by the window manager: XWayland's (weston's, mutter's) would put a tool window wherever it
// likes, far from the tray. A popup is an override-redirect window on X, as menus are, and holds the pointer
// and the keyboard while open, so that a click elsewhere closes it.
Popover::Popover(QWidget *parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("popover"));
    setWindowTitle(QStringLiteral("Earlume"));
    // The click that closes it is not handed on to our other windows (the heads-up window).
    setAttribute(Qt::WA_NoMouseReplay);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Not on every closing: one who closes and opens again at once keeps the window.
    m_release.setSingleShot(true);
    m_release.setInterval(ReleaseAfterMs);
    connect(&m_release, &QTimer::timeout, this, &Popover::releaseWindow);
}

void Popover::setContentViewController(QWidget *content)
{
    m_content = content;
    layout()->addWidget(content);
}

bool Popover::closedByClickAt(const QPoint &point) const
{
    if (!m_outsideClose.isValid() || m_outsideClose.elapsed() >= OutsideClickMs) {
        return false;
    }
    return !isScreenPoint(point, currentDesktop()) || (point - m_outsideClick).manhattanLength() <= IconPointLimit;
}

Popover::Desktop Popover::currentDesktop()
{
    Desktop desktop;
    QList<QScreen *> screens = QGuiApplication::screens();
    if (QScreen *primary = QGuiApplication::primaryScreen(); primary && screens.removeOne(primary)) {
        screens.prepend(primary);
    }
    const bool wayland = qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
                         || qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
    const QList<QRect> swayAreas = wayland ? swayWorkAreas() : QList<QRect>();
    for (const QScreen *screen : std::as_const(screens)) {
        desktop.screens.append(screen->geometry());
        const auto sway = std::find_if(swayAreas.cbegin(), swayAreas.cend(), [screen](const QRect &area) {
            return screen->geometry().contains(area);
        });
        desktop.available.append(sway != swayAreas.cend() ? *sway : screen->availableGeometry());
    }
    if (!wayland && QGuiApplication::platformName() == QLatin1String("xcb")) {
        desktop.pointer = QCursor::pos();
    }
    desktop.workAreaKnowsBars = !wayland;
    desktop.direction = QGuiApplication::layoutDirection();
    return desktop;
}

bool Popover::isScreenPoint(const QPoint &point, const Desktop &desktop)
{
    if (point.isNull() || screenIndexAt(point, desktop) < 0) {
        return false;
    }
    QRect all;
    for (const QRect &screen : desktop.screens) {
        all |= screen;
    }
    const QPoint fromCorner = point - all.topLeft();
    if (fromCorner.x() >= IconPointLimit || fromCorner.y() >= IconPointLimit) {
        return true;
    }
    // Near the corner: a tray there is rare, a host's point inside its icon common. The pointer decides.
    return desktop.pointer && (*desktop.pointer - point).manhattanLength() <= IconPointLimit;
}

QPoint Popover::placementFor(const QPoint &point, const QSize &size, const Desktop &desktop)
{
    if (desktop.screens.isEmpty()) {
        return point;
    }
    if (isScreenPoint(point, desktop)) {
        const int index = screenIndexAt(point, desktop);
        const QRect screen = desktop.screens.at(index);
        QRect available = desktop.available.value(index, screen);
        // The click was on a bar the work area may not know of: keep clear of that bar.
        if (!desktop.workAreaKnowsBars) {
            const std::pair<int, Qt::Edge> distances[] = {{point.y() - screen.top(), Qt::TopEdge},
                                                          {screen.bottom() - point.y(), Qt::BottomEdge},
                                                          {point.x() - screen.left(), Qt::LeftEdge},
                                                          {screen.right() - point.x(), Qt::RightEdge}};
            for (const auto &[distance, edge] : distances) {
                if (distance < UnknownBarHeight) {
                    available = clearOf(edge, screen, available);
                }
            }
        }
        return placement(QRect(point, QSize(1, 1)), size, available);
    }

    const int pointerScreen = desktop.pointer ? screenIndexAt(*desktop.pointer, desktop) : -1;
    const int index = std::max(pointerScreen, 0);
    const QRect screen = desktop.screens.at(index);
    QRect available = desktop.available.value(index, screen);
    Qt::Edge edge = Qt::TopEdge;
    if (const std::optional<Qt::Edge> leftOut = edgeLeftOut(screen, available)) {
        edge = *leftOut;
    } else if (desktop.pointer && desktop.pointer->y() > screen.center().y()) {
        edge = Qt::BottomEdge;
    }
    if (!desktop.workAreaKnowsBars) {
        available = clearOf(edge, screen, available);
    }
    const QRect inner = available.adjusted(AnchorGap, AnchorGap, -AnchorGap, -AnchorGap);
    const bool leftToRight = desktop.direction == Qt::LeftToRight;
    QPoint at(leftToRight ? inner.right() + 1 - size.width() : inner.left(), inner.bottom() + 1 - size.height());
    if (edge == Qt::TopEdge) {
        at.setY(inner.top());
    } else if (edge == Qt::LeftEdge) {
        at.setX(inner.left());
    } else if (edge == Qt::RightEdge) {
        at.setX(inner.right() + 1 - size.width());
    }
    at.setX(std::clamp(at.x(), available.left(), std::max(available.left(), available.right() + 1 - size.width())));
    at.setY(std::clamp(at.y(), available.top(), std::max(available.top(), available.bottom() + 1 - size.height())));
    return at;
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

void Popover::showFor(const QPoint &point, const QRect &icon)
{
    m_shownFor = point;
    m_shownForIcon = icon;
    adjustSize();
    const Desktop desktop = currentDesktop();
    if (point.isNull() && icon.isValid() && !icon.isEmpty()) {
        const int index = std::max(screenIndexAt(icon.center(), desktop), 0);
        move(placement(icon, size(), desktop.available.value(index, icon)));
    } else {
        move(placementFor(point, size(), desktop));
    }
    m_outsideClose.invalidate();
    show();
    raise();
}

void Popover::followContentSize()
{
    const QSize before = size();
    layout()->activate(); // takes the content's new size now, as the fixed-size layout would on its next pass
    if (isVisible() && size() != before) {
        showFor(m_shownFor, m_shownForIcon);
    }
}

void Popover::mousePressEvent(QMouseEvent *event)
{
    if (!rect().contains(event->position().toPoint())) {
        m_outsideClose.start();
        m_outsideClick = event->globalPosition().toPoint();
    }
    QWidget::mousePressEvent(event); // a popup's own: closes it on a click outside
}

void Popover::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Popover::showEvent(QShowEvent *event)
{
    m_release.stop();
    QWidget::showEvent(event);
}

void Popover::hideEvent(QHideEvent *event)
{
    m_release.start();
    QWidget::hideEvent(event);
}

void Popover::releaseWindow()
{
    if (isVisible() || !internalWinId()) {
        return;
    }
    // The backing store (a shared memory segment the size of the window) and the native window's state go with
    // it. The pictures stay, for the next opening.
    destroy();
    IdleMemory::release(IdleMemory::Pictures::Keep);
}

void Popover::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
