// SPDX-License-Identifier: GPL-3.0-or-later
#include "BatteryState.h"

#include <QStringList>

#include <ctime>

QString BatteryState::levelsText() const
{
    QStringList parts;
    const auto add = [&parts](const QString &name, const std::optional<BatteryLevel> &level) {
        if (level) {
            parts.append(level->charging ? QStringLiteral("%1 %2 % charging").arg(name).arg(level->percent)
                                         : QStringLiteral("%1 %2 %").arg(name).arg(level->percent));
        }
    };
    if (single && !left && !right) {
        add(QStringLiteral("Battery"), single);
    } else {
        add(QStringLiteral("Left"), left);
        add(QStringLiteral("Right"), right);
    }
    add(QStringLiteral("Case"), caseBattery);
    return parts.isEmpty() ? QStringLiteral("No battery reading") : parts.join(QLatin1String(", "));
}

BatteryState BatteryState::shapedFor(const AirpodsModels::Model *model) const
{
    if (!model || !model->hasSingleBattery()) {
        return *this;
    }
    BatteryState shaped = *this;
    if (!shaped.single) {
        // Whichever bud's place a source used holds the one battery; the other place reads nothing real (over-ear
        // models advertise 0 there).
        const auto higher = [](const std::optional<BatteryLevel> &a, const std::optional<BatteryLevel> &b) {
            return !b || (a && a->percent >= b->percent) ? a : b;
        };
        shaped.single = higher(left, right);
    }
    shaped.left.reset();
    shaped.right.reset();
    shaped.caseBattery.reset();
    return shaped;
}

std::chrono::milliseconds BatteryState::now()
{
    // CLOCK_BOOTTIME keeps counting during suspend, so a reading heard before the computer slept is old after it.
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return std::chrono::seconds(now.tv_sec)
        + std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::nanoseconds(now.tv_nsec));
}
