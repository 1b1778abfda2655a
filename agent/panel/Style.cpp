// SPDX-License-Identifier: GPL-3.0-or-later
#include "Style.h"

Style Style::panelLight()
{
    QColor transparentWhite(Qt::white);
    transparentWhite.setAlphaF(0.0);
    return {QColor::fromRgbF(0.3568627450980392f, 0.36470588235294116f, 0.396078431372549f, 1.0f), transparentWhite};
}

Style Style::panelDark()
{
    return {QColor::fromRgbF(0.9686274509803922f, 0.9686274509803922f, 0.9686274509803922f, 1.0f),
            QColor::fromRgbF(0.1607843137254902f, 0.1607843137254902f, 0.1607843137254902f, 1.0f)};
}

Style Style::hudLight()
{
    return {QColor::fromRgbF(91 / 255.0f, 93 / 255.0f, 101 / 255.0f, 1.0f), QColor::fromRgbF(0.95f, 0.95f, 0.95f, 1.0f)};
}

Style Style::hudDark()
{
    return {QColor::fromRgbF(247 / 255.0f, 247 / 255.0f, 247 / 255.0f, 1.0f),
            QColor::fromRgbF(41 / 255.0f, 41 / 255.0f, 41 / 255.0f, 1.0f)};
}
