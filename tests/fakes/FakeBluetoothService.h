// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Levels.h"
#include "bluetooth/BluetoothService.h"

#include <QHash>

/// A Bluetooth service whose devices, readings and connection answers a test sets directly.
class FakeBluetoothService : public BluetoothService
{
    Q_OBJECT

public:
    QList<BluetoothDevice> devices;
    QStringList connectRequests, disconnectRequests;
    QList<PendingConnect *> pendingConnects;
    QHash<QString, NoiseMode> noiseModes; ///< as reported, or as set from the panel; change through reportNoiseMode()

    QList<BluetoothDevice> pairedDevices() const override { return devices; }
    BluetoothDevice device(const QString &path) const override
    {
        const auto known = std::find_if(devices.cbegin(), devices.cend(), [&](auto &d) { return d.path == path; });
        return known == devices.cend() ? BluetoothDevice() : *known;
    }
    PendingConnect *connectDevice(const QString &path) override
    {
        connectRequests << path;
        return pendingConnects.emplaceBack(new PendingConnect(this));
    }
    void disconnectDevice(const QString &path) override { disconnectRequests << path; }
    bool isAvailable() const override { return true; }
    std::optional<NoiseMode> noiseMode(const QString &path) const override
    {
        return noiseModes.contains(path) ? std::optional(noiseModes.value(path)) : std::nullopt;
    }
    void setNoiseMode(const QString &path, NoiseMode mode) override { reportNoiseMode(path, mode); }
    void reportNoiseMode(const QString &path, NoiseMode mode)
    {
        noiseModes.insert(path, mode);
        Q_EMIT noiseModeChanged(path);
    }

    /// The device's own reading, as Battery1 would give it; announced like any change.
    void setBattery(const QString &path, const BatteryState &state)
    {
        m_own.insert(path, state);
        updateBattery(path);
    }

protected:
    std::optional<BatteryState> ownBattery(const QString &path) const override
    {
        return m_own.contains(path) ? std::optional(m_own.value(path)) : std::nullopt;
    }

private:
    QHash<QString, BatteryState> m_own;
};
