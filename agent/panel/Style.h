// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

/// The panel's pair of colours: one for its texts, one for its background.
struct Style {
    QColor textColor;
    QColor backgroundColor;

    /// The popover panel in the light appearance: grey text on a transparent background.
    static Style panelLight();
    /// The popover panel in the dark appearance: near-white text on an opaque dark grey.
    static Style panelDark();
    /// The heads-up window in the light appearance: grey text on an opaque light grey.
    static Style hudLight();
    /// The heads-up window in the dark appearance.
    static Style hudDark();

    bool operator==(const Style &) const = default;
};
