// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AirpodsModels.h"

#include <QMetaType>
#include <QString>

#include <chrono>
#include <optional>

/// One battery of a device: its level in percent and whether it is charging.
struct BatteryLevel {
    int percent = 0;
    bool charging = false;

    bool operator==(const BatteryLevel &) const = default;
};

/**
 * Where a device's battery state comes from. The order is the priority: when several sources know a device,
 * the one listed first wins. This is the only place that decides it.
 */
enum class BatteryOrigin {
    /// The AirPods' own reports on their accessory protocol connection: 1 % steps, charging and in-ear.
    Accessory,
    /// A proximity pairing advertisement whose random address resolves with the pair's identity key: 1 % steps
    /// from its sealed part where the pair's encryption key opens it, 10 % steps otherwise.
    ProvenAdvertisement,
    /// A proximity pairing advertisement that matched the connected pair by model and signal: 10 % steps.
    Advertisement,
    /// BlueZ's org.bluez.Battery1: one level for the whole device.
    Battery1,
    /// No source knows anything.
    None,
};

/**
 * What is known about a device's batteries right now, from the best source that knows it. Each battery has a
 * level or none: a missing level is "no reading", never 0 %.
 */
struct BatteryState {
    std::optional<BatteryLevel> left;
    std::optional<BatteryLevel> right;
    std::optional<BatteryLevel> caseBattery;
    /// The one battery of a device without separate buds (headphones, or a source that cannot tell them apart).
    std::optional<BatteryLevel> single;
    std::optional<bool> leftInEar;
    std::optional<bool> rightInEar;
    BatteryOrigin origin = BatteryOrigin::None;
    /// When the source heard it, on the clock of now().
    std::chrono::milliseconds observedAt{0};

    bool hasLevel() const { return left || right || caseBattery || single; }
    /// The left and right bud's levels; a single battery stands for both.
    std::optional<BatteryLevel> leftBud() const { return left ? left : single; }
    std::optional<BatteryLevel> rightBud() const { return right ? right : single; }

    /// Whether this is one battery alone (over-ear headphones): no buds, no case.
    bool isSingle() const { return single && !left && !right && !caseBattery; }

    /// The state as a device of @p model can have it: a model with one battery shows that battery alone (a
    /// source that put it in a bud's place, or reported a case the model does not have, is corrected); other
    /// models, and an unknown one, keep the state as it is.
    BatteryState shapedFor(const AirpodsModels::Model *model) const;

    /// "Left 87 %, Right 91 %, Case 42 % charging": the levels there are, each charging part named as such,
    /// or "No battery reading".
    QString levelsText() const;

    /// A clock that keeps counting while the computer sleeps (CLOCK_BOOTTIME); its zero is arbitrary.
    static std::chrono::milliseconds now();

    bool operator==(const BatteryState &) const = default;
};

Q_DECLARE_METATYPE(BatteryState)
