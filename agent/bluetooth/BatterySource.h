// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BatteryState.h"

#include <QObject>

/**
 * A source of battery states beyond what the Bluetooth service itself reports. The service asks every source and
 * keeps the answer whose origin ranks first (BatteryOrigin); a source pushes its changes with stateChanged().
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

Q_SIGNALS:
    /// What state() answers for @p path may have changed.
    void stateChanged(const QString &path);
};
