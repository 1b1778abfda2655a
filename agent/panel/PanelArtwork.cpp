// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelArtwork.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QImageReader>
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
    // With its suffix: a file without one has its type found from its contents through the MIME database, which
    // loads that database and its pattern matcher into the program for good.
    QIcon icon(QStringLiteral(":/images/%1.svg").arg(name));
    if (name == QLatin1String("view-refresh") || name == QLatin1String("process-stop")) {
        icon = QIcon::fromTheme(name, icon);
    }
    icons.insert(name, icon);
    return icon;
}

QIcon batteryIcon(const QString &iconName)
{
    ensureArtwork();
    // Kept by name, as named() does: a new icon at every refresh would leave a new set of entries in the
    // pixmap cache each time, which nothing uses again.
    static QHash<QString, QIcon> icons;
    static const bool cleanedUp = [] {
        qAddPostRoutine([] { icons.clear(); });
        return true;
    }();
    Q_UNUSED(cleanedUp)
    QIcon &icon = icons[iconName];
    if (icon.isNull()) {
        // Both sizes, so that the icon draws the one the screen's scale wants. Read by Qt's own PNG reader: a
        // reader left to find out the format asks every image format plugin (JPEG, GIF, ...), loading them for good.
        const QString file = QStringLiteral(":/Battery Icons/") + iconName;
        for (const auto &[suffix, scale] : {std::pair{".png", 1.0}, std::pair{"@2x.png", 2.0}}) {
            QImageReader reader(file + QLatin1String(suffix), "png");
            reader.setAutoDetectImageFormat(false);
            QPixmap pixmap = QPixmap::fromImage(reader.read());
            if (!pixmap.isNull()) {
                pixmap.setDevicePixelRatio(scale);
                icon.addPixmap(pixmap);
            }
        }
    }
    return icon;
}

QPixmap tinted(const QIcon &image, const QSize &size, qreal devicePixelRatio, const QColor &tint)
{
    // The same picture for the same request, so that the icons made of it share their entries in the pixmap
    // cache instead of adding new ones at every refresh. Few combinations occur (a button image, two
    // appearances, a screen's scale); the cache starts over should that ever stop being true.
    static QHash<QString, QPixmap> drawn;
    static const bool cleanedUp = [] {
        qAddPostRoutine([] { drawn.clear(); });
        return true;
    }();
    Q_UNUSED(cleanedUp)
    const QString key = QStringLiteral("%1/%2x%3@%4/%5")
                            .arg(image.cacheKey())
                            .arg(size.width())
                            .arg(size.height())
                            .arg(devicePixelRatio)
                            .arg(tint.isValid() ? tint.rgba() : 0u);
    if (const auto known = drawn.constFind(key); known != drawn.cend()) {
        return *known;
    }
    QPixmap pixmap = image.pixmap(size, devicePixelRatio);
    if (!pixmap.isNull() && tint.isValid()) {
        QPainter painter(&pixmap);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRect(QPoint(0, 0), pixmap.deviceIndependentSize().toSize()), tint);
    }
    if (drawn.size() >= 32) {
        drawn.clear();
    }
    drawn.insert(key, pixmap);
    return pixmap;
}
} // namespace PanelArtwork
