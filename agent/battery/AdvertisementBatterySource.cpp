// SPDX-License-Identifier: GPL-3.0-or-later
#include "AdvertisementBatterySource.h"

#include "Logging.h"
#include "aap/ResolvablePrivateAddress.h"
#include "bluetooth/BluetoothService.h"

#include <QTimer>

#include <algorithm>
#include <limits>

namespace
{
std::optional<ProximityPairing::ProximityPairingMessage> decodeAirPodsMessage(const QByteArray &bytes)
{
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                             static_cast<std::size_t>(bytes.size()));
    auto message = ProximityPairing::decodeProximityPairing(data);
    if (!message || !message->isKnownAirPodsModel()) {
        return std::nullopt;
    }
    return message;
}
} // namespace

AdvertisementBatterySource::AdvertisementBatterySource(BluetoothService *bluetooth, QObject *parent)
    : BatterySource(parent)
    , m_bluetooth(bluetooth)
    , m_ageingTimer(new QTimer(this))
    , m_burstEnd(new QTimer(this))
    , m_nextBurst(new QTimer(this))
    , m_clock(&BatteryState::now)
{
    m_ageingTimer->setSingleShot(true);
    connect(m_ageingTimer, &QTimer::timeout, this, &AdvertisementBatterySource::refreshAges);
    m_burstEnd->setSingleShot(true);
    m_burstEnd->setInterval(BurstLength);
    connect(m_burstEnd, &QTimer::timeout, this, &AdvertisementBatterySource::updateDiscovery);
    m_nextBurst->setInterval(BurstInterval);
    connect(m_nextBurst, &QTimer::timeout, this, &AdvertisementBatterySource::startBurst);

    if (!bluetooth) {
        return;
    }
    connect(bluetooth, &BluetoothService::advertisementHeard, this, &AdvertisementBatterySource::onAdvertisement);
    // A pair whose own reports give the levels needs no listening.
    connect(bluetooth, &BluetoothService::batteryChanged, this, &AdvertisementBatterySource::updateDiscovery);
    connect(bluetooth, &BluetoothService::devicesChanged, this, [this] {
        updateDiscovery();
        // The service works the states out again itself on such changes; only keep track of them here.
        reevaluate(false);
    });
    connect(bluetooth, &BluetoothService::availableChanged, this, [this](bool available) {
        // A daemon that left took its devices with it.
        if (!available) {
            m_advertisements.clear();
        }
        updateDiscovery();
        reevaluate(false);
    });
    updateDiscovery();
}

AdvertisementBatterySource::~AdvertisementBatterySource()
{
    if (m_bluetooth && isBursting()) {
        m_bluetooth->discoverNear(this, {});
    }
}

void AdvertisementBatterySource::setPairKeys(KeysLookup keys)
{
    m_keys = std::move(keys);
    updateDiscovery();
    reevaluate(true);
}

void AdvertisementBatterySource::setListenForNearby(bool on)
{
    if (m_listenForNearby != on) {
        m_listenForNearby = on;
        updateDiscovery();
    }
}

void AdvertisementBatterySource::setNearbyHeardElsewhere(bool heard)
{
    if (m_nearbyHeardElsewhere != heard) {
        m_nearbyHeardElsewhere = heard;
        updateDiscovery();
    }
}

QStringList AdvertisementBatterySource::nearbyCandidates() const
{
    QStringList paths;
    if (!m_bluetooth || !m_keys) {
        return paths;
    }
    const QList<BluetoothDevice> paired = m_bluetooth->pairedDevices();
    for (const BluetoothDevice &device : paired) {
        if (device.isAirpods() && !device.connected && m_keys(device.path).identity) {
            paths.append(device.path);
        }
    }
    return paths;
}

void AdvertisementBatterySource::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(&BatteryState::now);
    reevaluate(true);
}

QList<AdvertisementMatch::Advertisement> AdvertisementBatterySource::advertisements() const
{
    return m_advertisements.values();
}

std::optional<BatteryState> AdvertisementBatterySource::state(const QString &path) const
{
    return m_bluetooth ? stateAt(m_bluetooth->device(path), m_clock()) : std::nullopt;
}

std::optional<BatteryState> AdvertisementBatterySource::stateAt(const BluetoothDevice &device,
                                                                std::chrono::milliseconds now) const
{
    if (!device.isAirpods()) {
        return std::nullopt;
    }
    const PairKeys keys = m_keys ? m_keys(device.path) : PairKeys();
    if (keys.identity) {
        // Proven to be this pair's: the newest such message, however weak, and no other pair's ever.
        std::optional<AdvertisementMatch::Advertisement> newest;
        for (const AdvertisementMatch::Advertisement &advertisement : m_advertisements) {
            if (now - advertisement.receivedAt <= AdvertisementMatch::MaximumAge
                && AdvertisementMatch::fitsDevice(advertisement.message, device)
                && (!newest || advertisement.receivedAt > newest->receivedAt)
                && ResolvablePrivateAddress::resolves(*keys.identity, advertisement.address)) {
                newest = advertisement;
            }
        }
        if (!newest) {
            return std::nullopt;
        }
        BatteryState state = AdvertisementMatch::stateFrom(newest->message);
        if (keys.encryption && newest->message.encrypted) {
            const auto deciphered =
                ResolvablePrivateAddress::decryptBlock(*keys.encryption, *newest->message.encrypted);
            const auto sealed = deciphered ? std::optional(ProximityPairing::levelsFromDeciphered(newest->message,
                                                                                                   *deciphered))
                                           : std::nullopt;
            if (sealed && ProximityPairing::sealedFitsClear(newest->message, *sealed)) {
                AdvertisementMatch::applySealedLevels(state, *sealed);
            } else if (sealed && !m_reportedUnfitSealed) {
                m_reportedUnfitSealed = true;
                qCInfo(lcBattery).noquote() << "The sealed levels of" << device.path << "do not fit its clear ones;"
                                            << "showing the clear 10 % levels";
            }
        }
        state.origin = BatteryOrigin::ProvenAdvertisement;
        state.observedAt = newest->receivedAt;
        return state;
    }
    if (!device.connected) {
        return std::nullopt;
    }
    const auto best = AdvertisementMatch::bestMatch(m_advertisements.values(), device, now);
    if (!best) {
        return std::nullopt;
    }
    BatteryState state = AdvertisementMatch::stateFrom(best->message);
    state.observedAt = best->receivedAt;
    return state;
}

void AdvertisementBatterySource::refreshAges()
{
    reevaluate(true);
}

void AdvertisementBatterySource::onAdvertisement(const BluetoothAdvertisement &advertisement)
{
    const QString &path = advertisement.advertiser;
    const std::optional<qint16> rssi = advertisement.rssi;
    // Most of what discovery hears is no AirPods at all; only a message kept, replaced or dropped can change the
    // readings.
    bool relevant = false;
    if (advertisement.manufacturerData) {
        const auto apple = advertisement.manufacturerData->constFind(ProximityPairing::AppleCompanyId);
        const auto decoded = apple != advertisement.manufacturerData->cend() ? decodeAirPodsMessage(*apple)
                                                                            : std::nullopt;
        if (decoded) {
            const QString address = m_bluetooth ? m_bluetooth->device(path).address : QString();
            const AdvertisementMatch::Advertisement heard{path, address, *decoded, rssi, m_clock()};
            m_advertisements.insert(path, heard);
            followLid(heard);
            relevant = true;
        } else {
            // This advertiser's latest message is not an AirPods one (any more).
            relevant = m_advertisements.remove(path) > 0;
        }
    } else if (const auto entry = m_advertisements.find(path); entry != m_advertisements.end()) {
        // A new strength alone: the message it came with is the one kept, heard no later than then.
        entry->rssi = rssi;
        relevant = true;
    }
    if (relevant) {
        reevaluate(true);
    }
}

void AdvertisementBatterySource::followLid(const AdvertisementMatch::Advertisement &advertisement)
{
    const std::optional<ProximityPairing::Lid> lid = ProximityPairing::trustedLid(advertisement.message);
    if (!lid || !m_keys || !m_bluetooth) {
        return;
    }
    const QList<BluetoothDevice> paired = m_bluetooth->pairedDevices();
    for (const BluetoothDevice &device : paired) {
        const std::optional<Key> identity = device.isAirpods() ? m_keys(device.path).identity : std::nullopt;
        if (!identity || !AdvertisementMatch::fitsDevice(advertisement.message, device)
            || !ResolvablePrivateAddress::resolves(*identity, advertisement.address)) {
            continue;
        }
        const std::optional<ProximityPairing::Lid> before = m_lids.value(device.path);
        m_lids.insert(device.path, lid);
        if (ProximityPairing::caseOpened(before, *lid) && !device.connected) {
            qCInfo(lcBattery).noquote() << "The case of" << device.path << "opened nearby";
            Q_EMIT caseOpened(device.path);
        }
        return;
    }
}

QList<BluetoothDevice> AdvertisementBatterySource::watchedAirpods() const
{
    QList<BluetoothDevice> devices;
    if (!m_bluetooth) {
        return devices;
    }
    const QList<BluetoothDevice> paired = m_bluetooth->pairedDevices();
    for (const BluetoothDevice &device : paired) {
        if (device.isAirpods() && (device.connected || (m_keys && m_keys(device.path).identity))) {
            devices.append(device);
        }
    }
    return devices;
}

QList<BluetoothDevice> AdvertisementBatterySource::connectedAirpods() const
{
    QList<BluetoothDevice> devices;
    if (!m_bluetooth) {
        return devices;
    }
    const QList<BluetoothDevice> paired = m_bluetooth->pairedDevices();
    for (const BluetoothDevice &device : paired) {
        if (device.isAirpods() && device.connected) {
            devices.append(device);
        }
    }
    return devices;
}

void AdvertisementBatterySource::refresh()
{
    startBurst();
}

void AdvertisementBatterySource::setBurstTiming(std::chrono::milliseconds length, std::chrono::milliseconds interval)
{
    m_burstEnd->setInterval(length);
    m_nextBurst->setInterval(interval);
}

bool AdvertisementBatterySource::isBursting() const
{
    return m_burstEnd->isActive();
}

void AdvertisementBatterySource::startBurst()
{
    // Someone looks, or it is time: the connected pairs, and those nearby unless something else hears them.
    if (connectedAirpods().isEmpty() && (m_nearbyHeardElsewhere || nearbyCandidates().isEmpty())) {
        return;
    }
    m_burstEnd->start();
    updateDiscovery();
}

void AdvertisementBatterySource::updateDiscovery()
{
    const QList<BluetoothDevice> devices = connectedAirpods();
    QStringList connected;
    for (const BluetoothDevice &device : devices) {
        connected.append(device.path);
    }
    const bool newlyConnected = std::any_of(connected.cbegin(), connected.cend(), [this](const QString &path) {
        return !m_connectedAirpods.contains(path);
    });
    m_connectedAirpods = connected;
    const QStringList nearby = m_nearbyHeardElsewhere ? QStringList() : nearbyCandidates();
    if (connected.isEmpty() && !(m_listenForNearby && !nearby.isEmpty())) {
        m_nextBurst->stop();
        if (nearby.isEmpty()) {
            m_burstEnd->stop();
        }
    } else if (!m_nextBurst->isActive()) {
        m_nextBurst->start();
    }
    if (newlyConnected) {
        m_burstEnd->start();
    }

    if (m_bluetooth) {
        QStringList uncovered;
        std::copy_if(connected.cbegin(), connected.cend(), std::back_inserter(uncovered), [this](const QString &path) {
            return m_bluetooth->battery(path).origin != BatteryOrigin::Accessory;
        });
        uncovered += nearby;
        m_bluetooth->discoverNear(this, isBursting() ? uncovered : QStringList());
    }
}

void AdvertisementBatterySource::reevaluate(bool notify)
{
    const std::chrono::milliseconds now = m_clock();
    m_advertisements.removeIf([now](QMap<QString, AdvertisementMatch::Advertisement>::iterator entry) {
        return now - entry->receivedAt > AdvertisementMatch::MaximumAge;
    });

    QMap<QString, BatteryState> current;
    const QList<BluetoothDevice> devices = watchedAirpods();
    for (const BluetoothDevice &device : devices) {
        if (const auto state = stateAt(device, now)) {
            current.insert(device.path, *state);
        }
    }
    if (current != m_reported) {
        QStringList changed;
        for (auto it = current.cbegin(); it != current.cend(); ++it) {
            if (m_reported.value(it.key()) != *it) {
                qCDebug(lcBattery).noquote() << "Advertised levels for" << it.key() << it->levelsText();
                changed.append(it.key());
            }
        }
        for (auto it = m_reported.cbegin(); it != m_reported.cend(); ++it) {
            if (!current.contains(it.key())) {
                changed.append(it.key());
            }
        }
        m_reported = current;
        if (notify) {
            for (const QString &path : std::as_const(changed)) {
                Q_EMIT stateChanged(path);
            }
        }
    }

    const auto next = AdvertisementMatch::nextAgeingMoment(m_advertisements.values(), now);
    if (!next) {
        m_ageingTimer->stop();
        return;
    }
    const qint64 wait = std::min<qint64>((*next - now).count(), std::numeric_limits<int>::max());
    m_ageingTimer->start(static_cast<int>(std::max<qint64>(wait, 0)));
}
