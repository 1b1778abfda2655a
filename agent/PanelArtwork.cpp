// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelArtwork.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmap>

// The artwork is compiled into agent_core, a static library: register it before its first use.
static void ensureArtwork()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(agent);
        return true;
    }();
    Q_UNUSED(registered)
}

namespace PanelArtwork
{
QIcon named(const QString &name)
{
    ensureArtwork();
    // One icon per name for the life of the program: every QIcon renders and caches its own pixmaps, so
    // making a new one for each panel (one per heads-up window) would fill the pixmap cache with copies.
    static QHash<QString, QIcon> icons;
    static const bool cleanedUp = [] {
        // Icons hold pixmaps, which must go before the application object does.
        qAddPostRoutine([] { icons.clear(); });
        return true;
    }();
    Q_UNUSED(cleanedUp)
    const auto known = icons.constFind(name);
    if (known != icons.cend()) {
        return *known;
    }
    const QString resource = QStringLiteral(":/images/") + name;
    QIcon icon(resource);
    if (name == QLatin1String("view-refresh") || name == QLatin1String("process-stop")) {
        icon = QIcon::fromTheme(name, icon);
    }
    icons.insert(name, icon);
    return icon;
}

QIcon batteryIcon(const QString &iconName)
{
    ensureArtwork();
    // QIcon picks the @2x file on its own where the screen wants it.
    return QIcon(QStringLiteral(":/Battery Icons/") + iconName + QStringLiteral(".png"));
}

QPixmap tinted(const QIcon &image, const QSize &size, qreal devicePixelRatio, const QColor &tint)
{
    QPixmap pixmap = image.pixmap(size, devicePixelRatio);
    if (pixmap.isNull() || !tint.isValid()) {
        return pixmap;
    }
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRect(QPoint(0, 0), pixmap.deviceIndependentSize().toSize()), tint);
    return pixmap;
}
} // namespace PanelArtwork
