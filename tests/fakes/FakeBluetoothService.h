// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bluetooth/BluetoothService.h"

#include <QHash>

/// A Bluetooth service whose devices, readings and connection answers a test sets directly.
class FakeBluetoothService : public BluetoothService
{
    Q_OBJECT

public:
    using BluetoothService::BluetoothService;

    QList<BluetoothDevice> devices;
    QHash<QString, BatteryReadings> readings;
    QStringList disconnectRequests;
    QStringList connectRequests;
    QList<PendingConnect *> pendingConnects;

    QList<BluetoothDevice> pairedDevices() const override { return devices; }
    BluetoothDevice device(const QString &path) const override
    {
        for (const BluetoothDevice &known : devices) {
            if (known.path == path) {
                return known;
            }
        }
        return {};
    }
    BatteryReadings batteryReadings(const QString &path) const override { return readings.value(path); }
    PendingConnect *connectDevice(const QString &path) override
    {
        connectRequests << path;
        auto *pending = new PendingConnect(this);
        pendingConnects << pending;
        return pending;
    }
    void disconnectDevice(const QString &path) override { disconnectRequests << path; }
    bool isAvailable() const override { return true; }

    /// A paired device as the service would report it.
    static BluetoothDevice pairedDevice(const QString &path, const QString &name, quint32 classOfDevice, bool connected)
    {
        BluetoothDevice device;
        device.path = path;
        device.name = name;
        device.classOfDevice = classOfDevice;
        device.paired = true;
        device.connected = connected;
        return device;
    }

    static BluetoothDevice airpods(const QString &path, const QString &name, bool connected)
    {
        return pairedDevice(path, name, AirpodsClassOfDevice, connected);
    }
};
