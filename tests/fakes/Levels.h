// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bluetooth/BatteryState.h"

/// A battery state from levels in percent; a negative one is no reading.
inline BatteryState levels(int left, int right, int caseLevel)
{
    const auto level = [](int percent) { return percent < 0 ? std::nullopt : std::optional(BatteryLevel{percent}); };
    BatteryState state;
    state.left = level(left);
    state.right = level(right);
    state.caseBattery = level(caseLevel);
    return state;
}
