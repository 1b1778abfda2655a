// SPDX-License-Identifier: GPL-3.0-or-later
#include "LowBatteryRule.h"

LowBatteryRule::LowBatteryRule(int threshold)
    : m_threshold(threshold)
{
}

bool LowBatteryRule::isTrusted(BatteryOrigin origin)
{
    return origin == BatteryOrigin::Accessory || origin == BatteryOrigin::ProvenAdvertisement
        || origin == BatteryOrigin::Battery1;
}

QList<LowBatteryWarning> LowBatteryRule::update(const BatteryState &state)
{
    QList<LowBatteryWarning> warnings;
    if (!isTrusted(state.origin)) {
        return warnings;
    }
    using Part = LowBatteryWarning::Part;
    const std::array<std::pair<Part, std::optional<BatteryLevel>>, 4> parts{{{Part::Left, state.left},
                                                                             {Part::Right, state.right},
                                                                             {Part::Case, state.caseBattery},
                                                                             {Part::Single, state.single}}};
    for (const auto &[part, level] : parts) {
        // No reading is no news: a part that is out of reach keeps what it had.
        if (!level) {
            continue;
        }
        bool &warned = m_warned[static_cast<std::size_t>(part)];
        if (level->percent > m_threshold + RearmMargin) {
            warned = false;
        } else if (!warned && level->percent <= m_threshold && !level->charging) {
            warned = true;
            warnings.append({part, level->percent});
        }
    }
    return warnings;
}
