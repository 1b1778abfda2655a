// SPDX-License-Identifier: GPL-3.0-or-later
#include "Icon.h"

#include <QPixmap>

QIcon icon(const QIcon &image)
{
    QIcon result;
    for (const qreal scale : {1.0, 2.0}) {
        QPixmap page = image.pixmap(QSize(18, 18), scale);
        if (page.isNull()) {
            continue;
        }
        const QSize wanted = QSize(18, 18) * scale;
        if (page.size() != wanted) {
            page = page.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        page.setDevicePixelRatio(scale);
        result.addPixmap(page);
    }
    result.setIsMask(true);
    return result;
}
