// SPDX-License-Identifier: GPL-3.0-or-later
#include "Icon.h"

#include <QPainter>
#include <QPixmap>

namespace
{
// Logical sizes, each also drawn for 2x screens.
constexpr int TraySizes[] = {16, 18, 22, 24, 32, 48};
constexpr qreal Scales[] = {1.0, 2.0};

QPixmap paintedIn(const QPixmap &mask, const QColor &colour)
{
    QPixmap result = mask;
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRect(QPoint(0, 0), mask.size()), colour);
    return result;
}
} // namespace

QIcon icon(const QIcon &image)
{
    QIcon result;
    for (const int size : TraySizes) {
        for (const qreal scale : Scales) {
            QPixmap page = image.pixmap(QSize(size, size), scale);
            if (page.isNull()) {
                continue;
            }
            const QSize wanted = QSize(size, size) * scale;
            if (page.size() != wanted) {
                page = page.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            }
            page.setDevicePixelRatio(scale);
            result.addPixmap(page);
        }
    }
    result.setIsMask(true);
    return result;
}

QIcon trayRendering(const QIcon &mask, bool darkAppearance)
{
    const QColor glyph = darkAppearance ? QColor(0xf2, 0xf2, 0xf2) : QColor(0x2e, 0x34, 0x36);
    // Opaque: the bar's shade need not follow the appearance (waybar's own is dark), and a faint halo gave the
    // glyph only 2.3:1 on a bar of the same shade as the glyph.
    const QColor halo = darkAppearance ? QColor(0, 0, 0) : QColor(255, 255, 255);
    QIcon result;
    for (const int size : TraySizes) {
        for (const qreal scale : Scales) {
            QPixmap page = mask.pixmap(QSize(size, size), scale);
            if (page.isNull()) {
                continue;
            }
            page.setDevicePixelRatio(1.0);
            const QPixmap front = paintedIn(page, glyph);
            const QPixmap back = paintedIn(page, halo);
            QPixmap composed(page.size());
            composed.fill(Qt::transparent);
            QPainter painter(&composed);
            // A sixteenth of the picture wide, so that a host that scales a large page down to its 16 pixels
            // (waybar does) still shows a whole pixel of it.
            const int width = std::max(1, page.width() / 16);
            for (int step = 1; step <= width; ++step) {
                const int diagonal = std::max(1, step * 7 / 10);
                for (const QPoint offset : {QPoint(-step, 0), QPoint(step, 0), QPoint(0, -step), QPoint(0, step),
                                            QPoint(-diagonal, -diagonal), QPoint(diagonal, -diagonal),
                                            QPoint(-diagonal, diagonal), QPoint(diagonal, diagonal)}) {
                    painter.drawPixmap(offset, back);
                }
            }
            painter.drawPixmap(0, 0, front);
            painter.end();
            composed.setDevicePixelRatio(scale);
            result.addPixmap(composed);
        }
    }
    return result;
}
