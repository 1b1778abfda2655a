// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AdvertisementMatch.h"
#include "bluetooth/BatterySource.h"

#include <QMap>
#include <QPointer>

#include <array>
#include <chrono>
#include <functional>

class BluetoothService;
struct BluetoothAdvertisement;
class QTimer;

/**
 * Left, right and case levels of the connected AirPods, read from the proximity pairing messages that AirPods
 * broadcast in their Bluetooth Low Energy advertisements.
 *
 * While at least one AirPods-class device is connected, the source asks the Bluetooth service to discover near it
 * (BluetoothService::discoverNear()), so that every advertisement heard arrives as advertisementHeard(); when none
 * is connected any more, or the source is destroyed, it stops asking. Each advertiser's latest AirPods message is
 * kept with its signal strength and the time it was heard; AdvertisementMatch decides which one, if any, belongs to
 * the connected pair. Without a match the source gives no answer, and the service falls back to its own reading.
 *
 * stateChanged() is emitted when the state of a connected AirPods device changes: at once for a new message, and at
 * the moment a kept message ages out of the recent window or expires. That moment is awaited with a single timer,
 * armed only while messages are kept; nothing polls. The service leaving the bus drops every kept message.
 *
 * Discovery with duplicate reports turns every advertisement nearby into a signal to every BlueZ client, and
 * continuous scanning can make audio stutter on combined Wi-Fi/Bluetooth chips. So it runs in short bursts
 * while AirPods are connected: when a pair connects, when someone looks (refresh()), and every two minutes; and not
 * at all for a pair whose own accessory protocol reports give the levels.
 */
class AdvertisementBatterySource : public BatterySource
{
    Q_OBJECT

public:
    /// A clock that keeps counting while the computer sleeps; its zero is arbitrary.
    using Clock = std::function<std::chrono::milliseconds()>;
    /// The identity resolving key of the device at a path, where one is known.
    using IdentityKeys = std::function<std::optional<std::array<std::uint8_t, 16>>(const QString &path)>;

    explicit AdvertisementBatterySource(BluetoothService *bluetooth, QObject *parent = nullptr);
    ~AdvertisementBatterySource() override;

    std::optional<BatteryState> state(const QString &path) const override;
    /// Starts a burst of discovery, if AirPods are connected.
    void refresh() override;

    static constexpr std::chrono::milliseconds BurstLength = std::chrono::seconds(10);
    static constexpr std::chrono::milliseconds BurstInterval = std::chrono::minutes(2);
    /// Replaces the bursts' length and interval, for tests that cannot wait minutes.
    void setBurstTiming(std::chrono::milliseconds length, std::chrono::milliseconds interval);
    bool isBursting() const;

    /// With a pair's identity key, only advertisements whose address resolves with it count for that pair, and
    /// they count whatever their strength.
    void setIdentityKeys(IdentityKeys keys);

    /// Replaces the clock (BatteryState::now() unless set), for tests that move time on without waiting.
    void setClock(Clock clock);

    /// The messages kept, one per advertiser, in advertiser order.
    QList<AdvertisementMatch::Advertisement> advertisements() const;

public Q_SLOTS:
    /// Drops expired messages and reports readings that changed through ageing. Runs by itself when a kept
    /// message ages; a clock that jumps needs a call.
    void refreshAges();

private:
    void onAdvertisement(const BluetoothAdvertisement &advertisement);
    void updateDiscovery();
    void startBurst();
    void reevaluate(bool notify);
    QList<BluetoothDevice> connectedAirpods() const;
    std::optional<BatteryState> stateAt(const BluetoothDevice &device, std::chrono::milliseconds now) const;

    QPointer<BluetoothService> m_bluetooth;
    QTimer *m_ageingTimer = nullptr;
    QTimer *m_burstEnd = nullptr;
    QTimer *m_nextBurst = nullptr;
    QStringList m_connectedAirpods;
    Clock m_clock;
    IdentityKeys m_identityKeys;
    QMap<QString, AdvertisementMatch::Advertisement> m_advertisements;
    // The states last reported, per connected AirPods device that has one; a change to them is what
    // stateChanged() reports.
    QMap<QString, BatteryState> m_reported;
};
