// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BatteryState.h"

/**
 * Which readings may go where: the one rule every consumer of battery readings asks. A reading that is certainly
 * the pair's own (its accessory protocol, or an advertisement from an address its identity key resolves) may go
 * anywhere. BlueZ's Battery1 is the pair's too, but BlueZ publishes it to the system itself and it says nothing of
 * the buds' places. An advertisement matched only by model and signal strength may be a stranger's pair nearby: it
 * stays in our own panel and goes nowhere else.
 */
namespace ReadingTrust
{
enum class Use {
    /// Our own panel, tool tip and heads-up window.
    Panel,
    /// The system's battery list (BlueZ's battery provider, and through it UPower and the desktops).
    System,
    /// A low-battery notice.
    Warning,
    /// Pausing and resuming media when a bud comes out or goes back.
    MediaPause,
};

bool mayUse(BatteryOrigin origin, Use use);
} // namespace ReadingTrust
