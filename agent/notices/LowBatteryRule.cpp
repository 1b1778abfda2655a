// SPDX-License-Identifier: GPL-3.0-or-later
#include "LowBatteryRule.h"

#include "bluetooth/ReadingTrust.h"

#include <algorithm>

LowBatteryRule::LowBatteryRule(int threshold)
    : m_threshold(threshold)
{
}

bool LowBatteryRule::isLow(const BatteryState &state) const
{
    const auto all = parts(state);
    return std::any_of(all.begin(), all.end(), [this](const auto &part) {
        return part.second && part.second->percent <= m_threshold;
    });
}

std::array<std::pair<LowBatteryWarning::Part, std::optional<BatteryLevel>>, 4> LowBatteryRule::parts(const BatteryState &state)
{
    using Part = LowBatteryWarning::Part;
    return {{{Part::Left, state.left}, {Part::Right, state.right}, {Part::Case, state.caseBattery},
             {Part::Single, state.single}}};
}

QList<LowBatteryWarning> LowBatteryRule::update(const BatteryState &state)
{
    QList<LowBatteryWarning> warnings;
    if (!ReadingTrust::mayUse(state.origin, ReadingTrust::Use::Warning)) {
        return warnings;
    }
    for (const auto &[part, level] : parts(state)) {
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
