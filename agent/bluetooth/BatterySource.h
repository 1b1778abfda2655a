// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BluetoothDevice.h"

#include <QObject>

#include <optional>

/**
 * A source of per-device battery readings beyond what the Bluetooth service itself reports. The
 * service asks its sources in order and takes the first answer; without one it falls back to its own.
 */
class BatterySource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual std::optional<BatteryReadings> readings(const BluetoothDevice &device) const = 0;

    /// Someone is looking at the readings now (the panel or a heads-up window opened): a source that listens
    /// only now and then may listen for a while.
    virtual void refresh() { }

Q_SIGNALS:
    /// The readings this source would give for some device may have changed.
    void readingsChanged();
};
