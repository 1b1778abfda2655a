// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

/// The agent's artwork, by name, from its compiled-in resources and the desktop's icon theme.
namespace PanelArtwork
{
/// A picture or icon by resource name ("airpodsFullCover", "noairpods", "menuIcon", ...). Theme names
/// ("view-refresh", "process-stop") come from the icon theme, with our own drawing as fallback.
QIcon named(const QString &name);

/// A level icon of the "Battery Icons" set by icon name ("good", ...), loaded from its file once.
QIcon batteryIcon(const QString &iconName);

/// A copy of @p image with every visible pixel painted @p tint, keeping its shape.
QPixmap tinted(const QIcon &image, const QSize &size, qreal devicePixelRatio, const QColor &tint);
} // namespace PanelArtwork
