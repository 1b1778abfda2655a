// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BluetoothDevice.h"

#include <QList>
#include <QObject>

/**
 * The result of one connection attempt. Emits finished() exactly once, on the main thread, and then
 * deletes itself. status is 0 on success, 4 when the device did not answer (page timeout), and another
 * non-zero value for any other failure, including one known before anything was sent.
 */
class PendingConnect : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    static constexpr int Success = 0;
    static constexpr int PageTimeout = 4;
    static constexpr int Failed = 1;

    /// Reports @p status and deletes the object once control returns to the event loop.
    void finish(int status);

Q_SIGNALS:
    void finished(int status);
};

/**
 * What the agent knows about Bluetooth: the paired devices and their readings, answered from a cache
 * that never blocks, the two requests it makes (connect, disconnect) and the changes it follows.
 */
class BluetoothService : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// The paired devices, in a stable order.
    virtual QList<BluetoothDevice> pairedDevices() const = 0;

    /// The device at @p path, paired or not; a default device when unknown.
    virtual BluetoothDevice device(const QString &path) const = 0;

    /// The battery readings of the device at @p path, each 0 when unknown.
    virtual BatteryReadings batteryReadings(const QString &path) const = 0;

    /// Starts a connection attempt; the answer arrives through the returned object.
    virtual PendingConnect *connectDevice(const QString &path) = 0;

    /// Asks the device to disconnect; nothing waits for it.
    virtual void disconnectDevice(const QString &path) = 0;

    /// Whether the Bluetooth service is on the bus right now.
    virtual bool isAvailable() const = 0;

    /// The readings are being looked at now: sources that listen only now and then may listen for a while.
    virtual void refreshReadings() { }

Q_SIGNALS:
    /// Something about the devices changed: a device came or went, or a property or reading changed.
    void devicesChanged();
    /// A device's Connected property changed, or a device appeared already connected or vanished while
    /// connected. @p device is the device as it is now (as it was last, for one that vanished), with
    /// its new connection state. A repeated report without a change is not passed on.
    void deviceConnectionChanged(const BluetoothDevice &device);
    void batteryReadingsChanged(const QString &path);
    /// The service appeared on the bus and its devices are loaded, or it left the bus.
    void availableChanged(bool available);
};
