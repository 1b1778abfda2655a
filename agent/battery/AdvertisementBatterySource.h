// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AdvertisementMatch.h"
#include "bluetooth/BatterySource.h"

#include <QDBusConnection>
#include <QMap>
#include <QPointer>

#include <chrono>
#include <functional>

class BluezBluetoothService;
class BluezDiscovery;
class QDBusMessage;
class QTimer;

/**
 * Left, right and case levels of the connected AirPods, read from the proximity pairing messages that AirPods
 * broadcast in their Bluetooth Low Energy advertisements.
 *
 * While at least one AirPods-class device is connected, the source runs our own LE discovery session
 * (BluezDiscovery) on that device's adapter, so that BlueZ reports every advertisement it hears; when none is
 * connected any more, or the source is destroyed, the session ends. The messages arrive as Device1.ManufacturerData
 * in InterfacesAdded and PropertiesChanged on the system bus. Each advertiser's latest AirPods message is kept with
 * its signal strength and the time it was heard; AdvertisementMatch decides which one, if any, belongs to the
 * connected pair. Without a match the source gives no answer, and the Bluetooth service falls back to Battery1.
 *
 * readingsChanged() is emitted when the readings of a connected AirPods device change: at once for a new message,
 * and at the moment a kept message ages out of the recent window or expires. That moment is awaited with a single
 * timer, armed only while messages are kept; nothing polls.
 *
 * BlueZ leaving the bus drops every kept message and the discovery state; discovery being refused is logged once
 * and tried again when an adapter changes or AirPods connect.
 *
 * Discovery with duplicate reports turns every advertisement nearby into a signal to every BlueZ client, and
 * continuous scanning can make audio stutter on combined Wi-Fi/Bluetooth chips. So it runs in short bursts
 * while AirPods are connected: when a pair connects, when someone looks (refresh()), and every two minutes.
 */
class AdvertisementBatterySource : public BatterySource
{
    Q_OBJECT

public:
    /// A clock that keeps counting while the computer sleeps; its zero is arbitrary.
    using Clock = std::function<std::chrono::milliseconds()>;

    AdvertisementBatterySource(BluezBluetoothService *bluetooth,
                               const QDBusConnection &systemBus,
                               QObject *parent = nullptr);
    ~AdvertisementBatterySource() override;

    std::optional<BatteryReadings> readings(const BluetoothDevice &device) const override;
    /// Starts a burst of discovery, if AirPods are connected.
    void refresh() override;

    static constexpr std::chrono::milliseconds BurstLength = std::chrono::seconds(10);
    static constexpr std::chrono::milliseconds BurstInterval = std::chrono::minutes(2);
    /// Replaces the bursts' length and interval, for tests that cannot wait minutes.
    void setBurstTiming(std::chrono::milliseconds length, std::chrono::milliseconds interval);
    bool isBursting() const;

    /// Replaces the clock (CLOCK_BOOTTIME unless set), for tests that move time on without waiting.
    void setClock(Clock clock);
    static std::chrono::milliseconds bootTime();

    BluezDiscovery *discovery() const;

    /// The messages kept, one per advertiser, in advertiser order.
    QList<AdvertisementMatch::Advertisement> advertisements() const;

public Q_SLOTS:
    /// Drops expired messages and reports readings that changed through ageing. Runs by itself when a kept
    /// message ages; a clock that jumps needs a call.
    void refreshAges();

private Q_SLOTS:
    void onInterfacesAdded(const QDBusMessage &message);
    void onPropertiesChanged(const QDBusMessage &message);

private:
    void onDeviceProperties(const QString &path, const QVariantMap &properties);
    void updateDiscovery();
    void startBurst();
    void reevaluate(bool notify);
    QList<BluetoothDevice> connectedAirpods() const;
    std::optional<BatteryReadings> readingsAt(const BluetoothDevice &device, std::chrono::milliseconds now) const;

    QPointer<BluezBluetoothService> m_bluetooth;
    QDBusConnection m_bus;
    BluezDiscovery *m_discovery = nullptr;
    QTimer *m_ageingTimer = nullptr;
    QTimer *m_burstEnd = nullptr;
    QTimer *m_nextBurst = nullptr;
    QStringList m_connectedAirpods;
    Clock m_clock;
    QMap<QString, AdvertisementMatch::Advertisement> m_advertisements;
    // The readings last reported, per connected AirPods device that has any; a change to them is what
    // readingsChanged() reports.
    QMap<QString, BatteryReadings> m_reported;
};
