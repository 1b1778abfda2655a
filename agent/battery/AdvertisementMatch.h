// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProximityPairing.h"
#include "bluetooth/BatteryState.h"
#include "bluetooth/BluetoothDevice.h"

#include <QList>
#include <QString>

#include <chrono>
#include <optional>

/*
 * Which overheard proximity pairing advertisement, if any, belongs to the user's connected AirPods.
 *
 * The advertisements come from random, rotating addresses, so nothing in them names the pair they come from, and
 * every pair of AirPods nearby broadcasts the same kind of message. The rule therefore only narrows the field down:
 *
 *   1. the message must be a complete paired proximity pairing message of an AirPods model, with at least one
 *      battery level in it;
 *   2. its signal must be strong: RSSI at or above MinimumRssi. AirPods in the user's ears or in a case on the desk
 *      are heard at about -40 to -60 dBm; a pair across an office or behind a wall is usually well below that;
 *   3. where the connected device's Modalias carries an Apple product id, the message's model must be that
 *      product's model (modelForProductId());
 *   4. it must be younger than MaximumAge. Among the candidates heard within the last RecentWindow the strongest
 *      wins; only when none was heard that recently does the strongest of the older ones stand in. Equal strength
 *      goes to the newer message.
 *
 * Ages are measured on one clock whose zero is arbitrary (std::chrono::milliseconds since it).
 */
namespace AdvertisementMatch
{

inline constexpr qint16 MinimumRssi = -60;
// The largest RSSI a controller reports; above it (127 is the controller's "not available") there is no reading.
inline constexpr qint16 MaximumRssi = 20;
inline constexpr std::chrono::milliseconds RecentWindow = std::chrono::seconds(30);
inline constexpr std::chrono::milliseconds MaximumAge = std::chrono::minutes(3);

// Apple's vendor id as the Bluetooth SIG assigns it (Modalias source "bluetooth") and as the USB-IF does ("usb").
inline constexpr quint16 AppleBluetoothVendorId = 0x004C;
inline constexpr quint16 AppleUsbVendorId = 0x05AC;

/// One decoded advertisement as last heard from one advertiser.
struct Advertisement {
    /// The advertiser's BlueZ object path; each advertiser keeps only its latest message.
    QString advertiser;
    /// The advertiser's (random) Bluetooth address, "4C:11:22:33:44:01".
    QString address;
    ProximityPairing::ProximityPairingMessage message;
    /// Signal strength in dBm; no value when BlueZ has not reported one.
    std::optional<qint16> rssi;
    std::chrono::milliseconds receivedAt{0};
};

/// The Apple product id in a Modalias such as "bluetooth:v004Cp2014d0001", or no value for any other vendor or a
/// malformed string.
std::optional<quint16> appleProductId(const QString &modalias);

/// The proximity pairing model of an Apple product id. The message carries the product id low byte first, and the
/// decoder reads the model high byte first, so the one is the other with its bytes swapped (0x2014 gives 0x1420).
quint16 modelForProductId(quint16 productId);

/// Rule 2: a reading from MinimumRssi up to MaximumRssi.
bool isStrong(std::optional<qint16> rssi);

/// Rules 1 and 3 for one message and the connected device it might describe.
bool fitsDevice(const ProximityPairing::ProximityPairingMessage &message, const BluetoothDevice &device);

/// Rules 1 to 3, and the advertisement is no older than MaximumAge at @p now.
bool isCandidate(const Advertisement &advertisement, const BluetoothDevice &device, std::chrono::milliseconds now);

/// The advertisement that rule 4 picks among @p advertisements for @p device, if any is a candidate.
std::optional<Advertisement> bestMatch(const QList<Advertisement> &advertisements,
                                       const BluetoothDevice &device,
                                       std::chrono::milliseconds now);

/// The battery state one message tells: levels in percent where it has them, charging and in-ear (or worn, for
/// an over-ear model that tells it) as sent.
BatteryState stateFrom(const ProximityPairing::ProximityPairingMessage &message);

/// Puts the sealed part's levels (to 1 %) over @p state's, part by part; a part the sealed one has no reading of
/// keeps its clear level.
void applySealedLevels(BatteryState &state, const ProximityPairing::SealedLevels &sealed);

/// The next moment after @p now at which one of @p advertisements leaves the recent window or expires, which can
/// change the outcome of bestMatch() without a new message; no value when nothing is left to age.
std::optional<std::chrono::milliseconds> nextAgeingMoment(const QList<Advertisement> &advertisements,
                                                          std::chrono::milliseconds now);

} // namespace AdvertisementMatch
