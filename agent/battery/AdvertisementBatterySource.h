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
 * A pair whose keys the accessory protocol handed over is recognised wherever it is: a message whose address
 * resolves with its identity key is its own, and its encryption key opens the message's sealed part, which gives
 * every level to 1 % (the clear part's 10 % levels stand in only for a part the sealed one has no reading of). Such
 * a pair keeps its levels while it is not connected here, for MaximumAge after its last message ("nearby"), and its
 * case opening (a trusted lid frame going from closed to open with its counter moved) is reported with
 * caseOpened(), once per opening. A stranger's pair never counts.
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
    using Key = std::array<std::uint8_t, 16>;
    /// The keys a pair handed over, where known.
    struct PairKeys {
        std::optional<Key> identity;
        std::optional<Key> encryption;
    };
    /// The keys of the device at a path.
    using KeysLookup = std::function<PairKeys(const QString &path)>;

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
    /// they count whatever their strength, connected here or not; its encryption key opens their sealed levels.
    void setPairKeys(KeysLookup keys);

    /// Whether pairs that are not connected here are listened for in bursts too (someone wants to hear their case
    /// open), where nothing better (an advertisement monitor) hears them. Off by default.
    void setListenForNearby(bool on);
    /// Whether something else hears the pairs that are not connected here, so that bursts are only for the
    /// connected ones.
    void setNearbyHeardElsewhere(bool heard);
    /// Paired AirPods with an identity key that are not connected here: the ones a monitor should listen for.
    QStringList nearbyCandidates() const;

    /// The latest trusted lid of each pair, by path.
    std::optional<ProximityPairing::Lid> lid(const QString &path) const { return m_lids.value(path); }

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
    void followLid(const AdvertisementMatch::Advertisement &advertisement);
    QList<BluetoothDevice> watchedAirpods() const;
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
    KeysLookup m_keys;
    bool m_listenForNearby = false;
    bool m_nearbyHeardElsewhere = false;
    // Said once per run: a key that opens nothing sensible is a fault worth a line, not one per message.
    mutable bool m_reportedUnfitSealed = false;
    QMap<QString, std::optional<ProximityPairing::Lid>> m_lids;
    QMap<QString, AdvertisementMatch::Advertisement> m_advertisements;
    // The states last reported, per connected AirPods device that has one; a change to them is what
    // stateChanged() reports.
    QMap<QString, BatteryState> m_reported;
};
