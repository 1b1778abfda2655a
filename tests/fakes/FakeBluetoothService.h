// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bluetooth/BluetoothService.h"

#include <QHash>

/// A Bluetooth service whose devices, readings and connection answers a test sets directly.
class FakeBluetoothService : public BluetoothService
{
    Q_OBJECT

public:
    QList<BluetoothDevice> devices;
    QHash<QString, BatteryReadings> readings;
    QStringList connectRequests, disconnectRequests;
    QList<PendingConnect *> pendingConnects;

    QList<BluetoothDevice> pairedDevices() const override { return devices; }
    BluetoothDevice device(const QString &path) const override
    {
        const auto known = std::find_if(devices.cbegin(), devices.cend(), [&](auto &d) { return d.path == path; });
        return known == devices.cend() ? BluetoothDevice() : *known;
    }
    BatteryReadings batteryReadings(const QString &path) const override { return readings.value(path); }
    PendingConnect *connectDevice(const QString &path) override
    {
        connectRequests << path;
        return pendingConnects.emplaceBack(new PendingConnect(this));
    }
    void disconnectDevice(const QString &path) override { disconnectRequests << path; }
    bool isAvailable() const override { return true; }
};
