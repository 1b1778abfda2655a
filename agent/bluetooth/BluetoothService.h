// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BatteryState.h"
#include "BluetoothDevice.h"
#include "NoiseControl.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>

class BatterySource;

/// What one Low Energy advertiser sent, as the Bluetooth service heard it.
struct BluetoothAdvertisement {
    /// The advertiser's object path.
    QString advertiser;
    /// Company id to bytes, when this report brought manufacturer data; none when only the strength changed.
    std::optional<QMap<quint16, QByteArray>> manufacturerData;
    /// The latest signal strength in dBm, if known.
    std::optional<qint16> rssi;
};

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
 * What the agent knows about Bluetooth: the paired devices and their battery states, answered from a cache
 * that never blocks, the two requests it makes (connect, disconnect) and the changes it follows.
 *
 * The service keeps one battery state per device: its own reading (ownBattery()) and those of the added
 * sources, of which the one whose origin ranks first wins. It is worked out again whenever a source, the
 * device's own reading or its connection changes, and a change is announced once with batteryChanged().
 */
class BluetoothService : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~BluetoothService() override;

    /// The paired devices, in a stable order.
    virtual QList<BluetoothDevice> pairedDevices() const = 0;

    /// The device at @p path, paired or not; a default device when unknown.
    virtual BluetoothDevice device(const QString &path) const = 0;

    /// Starts a connection attempt; the answer arrives through the returned object.
    virtual PendingConnect *connectDevice(const QString &path) = 0;

    /// Asks the device to disconnect; nothing waits for it.
    virtual void disconnectDevice(const QString &path) = 0;
    /// The same, asked for by the user (the panel's button): announced with disconnectedByUser() first.
    void disconnectByUser(const QString &path);

    /// Whether the Bluetooth service is on the bus right now.
    virtual bool isAvailable() const = 0;

    /// Whether the adapter at @p adapterPath ("/org/bluez/hci0") is there.
    virtual bool hasAdapter(const QString &adapterPath) const
    {
        Q_UNUSED(adapterPath)
        return true;
    }

    /// The AirPods at @p path named their model (@p model; none for one we do not know). It counts where the
    /// system gives no Modalias.
    void learnModel(const QString &path, const AirpodsModels::Model *model);

    /// Listens for Low Energy advertisements on the adapters that hold @p devices, for as long as any caller wants
    /// some: each @p caller has one request, which its next call replaces (none: that caller stops listening).
    virtual void discoverNear(const QObject *caller, const QStringList &devices)
    {
        Q_UNUSED(caller)
        Q_UNUSED(devices)
    }

    /// The battery state of the device at @p path; an empty state (origin None) when nothing is known.
    BatteryState battery(const QString &path) const;

    /// Adds a battery source; the service does not take ownership.
    void addBatterySource(BatterySource *source);

    /// The readings are being looked at now: sources that listen only now and then may listen for a while.
    void refreshReadings();

    /// The noise control mode the device at @p path reported, from the first source that knows it; none when it
    /// has no noise control or has not said.
    virtual std::optional<NoiseMode> noiseMode(const QString &path) const;
    /// Asks the device at @p path to switch to @p mode through the first source that can reach it. The source shows
    /// the new mode at once (noiseModeChanged()), as the AirPods do not always confirm a change; a device no source
    /// reaches is left alone.
    virtual void setNoiseMode(const QString &path, NoiseMode mode);

Q_SIGNALS:
    /// Something about the devices changed: a device came or went, or one of its properties changed.
    void devicesChanged();
    /// A device's Connected property changed, or a device appeared already connected or vanished while
    /// connected. @p device is the device as it is now (as it was last, for one that vanished), with
    /// its new connection state. A repeated report without a change is not passed on.
    void deviceConnectionChanged(const BluetoothDevice &device);
    /// BlueZ forgot a device (it was unpaired or removed); @p device as it was last.
    void deviceRemoved(const BluetoothDevice &device);
    /// battery(@p path) changed.
    void batteryChanged(const QString &path);
    /// noiseMode(@p path) changed.
    void noiseModeChanged(const QString &path);
    /// A Low Energy advertiser was heard, while discovery runs (or it appeared with its advertisement).
    void advertisementHeard(const BluetoothAdvertisement &advertisement);
    /// The service appeared on the bus and its devices are loaded, or it left the bus.
    void availableChanged(bool available);
    /// A source saw the case of the pair at @p path, not connected here, open nearby.
    void caseOpened(const QString &path);
    /// The user asked for the device at @p path to disconnect (disconnectByUser()).
    void disconnectedByUser(const QString &path);

protected:
    /// The service's own battery reading of @p path, which ranks by its origin like any source's.
    virtual std::optional<BatteryState> ownBattery(const QString &path) const
    {
        Q_UNUSED(path)
        return std::nullopt;
    }
    /// The model the AirPods at @p path named, if they did.
    const AirpodsModels::Model *learnedModel(const QString &path) const { return m_learnedModels.value(path); }
    /// Works out the battery state of @p path again and announces it when it changed.
    void updateBattery(const QString &path);
    /// The same for every device that has a state now.
    void updateAllBatteries();

private:
    QList<QPointer<BatterySource>> m_sources;
    QHash<QString, BatteryState> m_batteries;
    QHash<QString, const AirpodsModels::Model *> m_learnedModels;
};
