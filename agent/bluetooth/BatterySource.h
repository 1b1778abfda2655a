// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BatteryState.h"
#include "NoiseControl.h"

#include <QObject>

/**
 * A source of battery states beyond what the Bluetooth service itself reports. The service asks every source and
 * keeps the answer whose origin ranks first (BatteryOrigin); a source pushes its changes with stateChanged(). A source
 * that talks with the AirPods may also know and set their noise control mode.
 */
class BatterySource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// What this source knows now about the device at @p path, if anything.
    virtual std::optional<BatteryState> state(const QString &path) const = 0;

    /// Someone is looking at the readings now (the panel or a heads-up window opened): a source that listens
    /// only now and then may listen for a while.
    virtual void refresh() { }

    /// The noise control mode the device at @p path last reported to this source, if any.
    virtual std::optional<NoiseMode> noiseMode(const QString &path) const
    {
        Q_UNUSED(path)
        return std::nullopt;
    }
    /// Asks the device at @p path to switch to @p mode; false when this source cannot reach it now.
    virtual bool setNoiseMode(const QString &path, NoiseMode mode)
    {
        Q_UNUSED(path)
        Q_UNUSED(mode)
        return false;
    }

Q_SIGNALS:
    /// What state() answers for @p path may have changed.
    void stateChanged(const QString &path);
    /// What noiseMode() answers for @p path changed.
    void noiseModeChanged(const QString &path);
    /// The case of the pair at @p path, which is not connected here, was opened nearby.
    void caseOpened(const QString &path);
};
