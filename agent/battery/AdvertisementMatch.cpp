// SPDX-License-Identifier: GPL-3.0-or-later
#include "AdvertisementMatch.h"


namespace AdvertisementMatch
{

namespace
{

bool hasLevel(const ProximityPairing::ProximityPairingMessage &message)
{
    return message.leftPercent || message.rightPercent || message.casePercent || message.singlePercent;
}

// Rule 4's order: heard within the recent window first, then the stronger signal, then the newer message, then
// the advertiser's path, so that the pick never depends on the order of the list.
bool isBetter(const Advertisement &candidate, const Advertisement &best, std::chrono::milliseconds now)
{
    const bool candidateRecent = now - candidate.receivedAt <= RecentWindow;
    const bool bestRecent = now - best.receivedAt <= RecentWindow;
    if (candidateRecent != bestRecent) {
        return candidateRecent;
    }
    if (*candidate.rssi != *best.rssi) {
        return *candidate.rssi > *best.rssi;
    }
    if (candidate.receivedAt != best.receivedAt) {
        return candidate.receivedAt > best.receivedAt;
    }
    return candidate.advertiser < best.advertiser;
}

} // namespace

std::optional<quint16> appleProductId(const QString &modalias)
{
    // BlueZ writes the Device ID record as "<source>:v<vendor>p<product>d<version>", four hex digits each.
    const QString text = modalias.trimmed();
    const qsizetype colon = text.indexOf(u':');
    const QStringView source = QStringView(text).left(std::max<qsizetype>(colon, 0));
    const QStringView record = QStringView(text).mid(colon + 1);
    const auto field = [record](qsizetype at, char16_t letter) -> std::optional<quint16> {
        const QStringView digits = record.mid(at + 1, 4);
        const bool hex = std::all_of(digits.begin(), digits.end(), [](QChar c) {
            return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
        });
        return record.at(at) == letter && hex ? std::optional(digits.toUShort(nullptr, 16)) : std::nullopt;
    };
    if ((source != u"bluetooth" && source != u"usb") || record.size() != 15) {
        return std::nullopt;
    }
    const std::optional<quint16> vendorField = field(0, u'v');
    const std::optional<quint16> productField = field(5, u'p');
    if (!vendorField || !productField || !field(10, u'd')) {
        return std::nullopt;
    }
    const bool usbSource = source == u"usb";
    const quint16 vendor = *vendorField;
    const quint16 product = *productField;
    // Apple's Bluetooth company id also turns up under the "usb" source; accept it there as well.
    if (vendor == AppleBluetoothVendorId || (usbSource && vendor == AppleUsbVendorId)) {
        return product;
    }
    return std::nullopt;
}

quint16 modelForProductId(quint16 productId)
{
    return static_cast<quint16>(((productId & 0x00FF) << 8) | ((productId & 0xFF00) >> 8));
}

bool isStrong(std::optional<qint16> rssi)
{
    return rssi && *rssi >= MinimumRssi && *rssi <= MaximumRssi;
}

bool fitsDevice(const ProximityPairing::ProximityPairingMessage &message, const BluetoothDevice &device)
{
    if (!message.isKnownAirPodsModel() || !hasLevel(message)) {
        return false;
    }
    if (const auto product = appleProductId(device.modalias)) {
        return message.model == modelForProductId(*product);
    }
    // A headset of another maker may share the AirPods' class of device; its Modalias says whose it is.
    return device.modalias.trimmed().isEmpty();
}

bool isCandidate(const Advertisement &advertisement, const BluetoothDevice &device, std::chrono::milliseconds now)
{
    return isStrong(advertisement.rssi) && fitsDevice(advertisement.message, device)
        && now - advertisement.receivedAt <= MaximumAge;
}

std::optional<Advertisement> bestMatch(const QList<Advertisement> &advertisements,
                                       const BluetoothDevice &device,
                                       std::chrono::milliseconds now)
{
    std::optional<Advertisement> best;
    for (const Advertisement &advertisement : advertisements) {
        if (isCandidate(advertisement, device, now) && (!best || isBetter(advertisement, *best, now))) {
            best = advertisement;
        }
    }
    return best;
}

BatteryState stateFrom(const ProximityPairing::ProximityPairingMessage &message)
{
    const auto level = [](std::optional<int> percent, bool charging) -> std::optional<BatteryLevel> {
        return percent ? std::optional(BatteryLevel{*percent, charging}) : std::nullopt;
    };
    BatteryState state;
    state.left = level(message.leftPercent, message.leftCharging);
    state.right = level(message.rightPercent, message.rightCharging);
    state.caseBattery = level(message.casePercent, message.caseCharging);
    state.single = level(message.singlePercent, message.singleCharging);
    if (ProximityPairing::isOverEarModel(message.model)) {
        // Headphones are worn on both ears or on neither; those that do not tell leave it unknown.
        state.leftInEar = state.rightInEar = message.worn;
    } else {
        state.leftInEar = message.leftInEar;
        state.rightInEar = message.rightInEar;
    }
    state.origin = BatteryOrigin::Advertisement;
    return state;
}

void applySealedLevels(BatteryState &state, const ProximityPairing::SealedLevels &sealed)
{
    const auto apply = [](std::optional<BatteryLevel> &level, const std::optional<ProximityPairing::Level> &exact) {
        if (exact) {
            level = BatteryLevel{exact->percent, exact->charging};
        }
    };
    apply(state.left, sealed.left);
    apply(state.right, sealed.right);
    apply(state.caseBattery, sealed.casePart);
    apply(state.single, sealed.single);
}

std::optional<std::chrono::milliseconds> nextAgeingMoment(const QList<Advertisement> &advertisements,
                                                          std::chrono::milliseconds now)
{
    std::optional<std::chrono::milliseconds> next;
    for (const Advertisement &advertisement : advertisements) {
        for (const std::chrono::milliseconds limit : {RecentWindow, MaximumAge}) {
            // The moment just past the limit, since an age equal to it still counts as within.
            const std::chrono::milliseconds moment = advertisement.receivedAt + limit + std::chrono::milliseconds(1);
            if (moment > now && (!next || moment < *next)) {
                next = moment;
            }
        }
    }
    return next;
}

} // namespace AdvertisementMatch
