// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bluetooth/BatteryState.h"

#include <QList>

#include <array>

/// One part of a pair whose battery fell low: which part, and its level then.
struct LowBatteryWarning {
    enum class Part { Left, Right, Case, Single };
    Part part = Part::Single;
    int percent = 0;

    bool operator==(const LowBatteryWarning &) const = default;
};

/**
 * When one pair's parts warn that their battery is low. Plain logic, fed each new battery state of the pair.
 *
 * A part warns once when its level is at or below the threshold, and not again until it has charged above the
 * threshold plus RearmMargin points or the pair has reconnected (reset()). A part that is charging does not warn.
 * Only a reading that may warn counts (ReadingTrust): an advertisement matched by model and signal may be a
 * stranger's, and is ignored altogether.
 */
class LowBatteryRule
{
public:
    static constexpr int RearmMargin = 5;

    explicit LowBatteryRule(int threshold);

    int threshold() const { return m_threshold; }
    void setThreshold(int percent) { m_threshold = percent; }

    /// The parts that warn now, given @p state, the pair's newest reading.
    QList<LowBatteryWarning> update(const BatteryState &state);

    /// The pair connected or disconnected: every part may warn again.
    void reset() { m_warned.fill(false); }

    /// Whether any part of @p state is at or below the threshold, charging or not.
    bool isLow(const BatteryState &state) const;

private:
    static std::array<std::pair<LowBatteryWarning::Part, std::optional<BatteryLevel>>, 4> parts(const BatteryState &state);

    int m_threshold;
    std::array<bool, 4> m_warned{};
};
