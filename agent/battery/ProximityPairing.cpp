// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProximityPairing.h"

#include "bluetooth/AirpodsModels.h"

#include <algorithm>
#include <cstdlib>

namespace ProximityPairing
{

namespace
{

constexpr std::size_t TypeOffset = 0;
constexpr std::size_t LengthOffset = 1;
constexpr std::size_t PrefixOffset = 2;
constexpr std::size_t ModelOffset = 3;
constexpr std::size_t StatusOffset = 5;
constexpr std::size_t BudBatteryOffset = 6;
constexpr std::size_t CaseByteOffset = 7;
constexpr std::size_t LidOffset = 8;

// The length byte counts the bytes after itself.
constexpr std::size_t HeaderSize = 2;
constexpr std::size_t MinimumLength = MinimumFrameSize - HeaderSize;

constexpr std::uint8_t StatusPrimaryInEar = 0x02;
constexpr std::uint8_t StatusBothInCase = 0x04;
constexpr std::uint8_t StatusOtherInEar = 0x08;
constexpr std::uint8_t StatusPrimaryIsLeft = 0x20;
constexpr std::uint8_t StatusCaseFrame = 0x40;

constexpr std::uint8_t LidClosed = 0x08;
constexpr std::uint8_t LidCounter = 0x07;

constexpr std::size_t SealedSize = std::tuple_size_v<Block>;
constexpr std::size_t SealedPrimary = 1;
constexpr std::size_t SealedOther = 2;
constexpr std::size_t SealedCase = 3;
constexpr std::uint8_t SealedCharging = 0x80;
constexpr std::uint8_t SealedPercent = 0x7F;

constexpr std::uint8_t ChargingPrimary = 0x10;
constexpr std::uint8_t ChargingOther = 0x20;
constexpr std::uint8_t ChargingCase = 0x40;

constexpr std::uint16_t AirPodsMax2ProductId = 0x202D;

} // namespace

bool isAirPodsModel(std::uint16_t model)
{
    return AirpodsModels::byAdvertisedModel(model) != nullptr;
}

bool isOverEarModel(std::uint16_t model)
{
    const AirpodsModels::Model *known = AirpodsModels::byAdvertisedModel(model);
    return known && known->hasSingleBattery();
}

std::optional<int> percentFromNibble(std::uint8_t nibble)
{
    const int value = nibble & 0x0F;
    if (value <= 10) {
        return value * 10;
    }
    return std::nullopt;
}

std::optional<ProximityPairingMessage> decodeProximityPairing(std::span<const std::uint8_t> manufacturerData)
{
    if (manufacturerData.size() < MinimumFrameSize) {
        return std::nullopt;
    }
    if (manufacturerData[TypeOffset] != MessageType) {
        return std::nullopt;
    }
    const std::size_t length = manufacturerData[LengthOffset];
    if (length < MinimumLength || length > manufacturerData.size() - HeaderSize) {
        return std::nullopt;
    }
    if (manufacturerData[PrefixOffset] != PairedPrefix) {
        return std::nullopt;
    }

    ProximityPairingMessage message;
    message.model =
        static_cast<std::uint16_t>((manufacturerData[ModelOffset] << 8) | manufacturerData[ModelOffset + 1]);
    message.status = manufacturerData[StatusOffset];
    message.primaryIsLeft = (message.status & StatusPrimaryIsLeft) != 0;

    const std::uint8_t buds = manufacturerData[BudBatteryOffset];
    const std::uint8_t caseByte = manufacturerData[CaseByteOffset];
    const std::optional<int> primaryPercent = percentFromNibble(buds & 0x0F);
    const std::optional<int> otherPercent = percentFromNibble(static_cast<std::uint8_t>(buds >> 4));
    const bool primaryCharging = (caseByte & ChargingPrimary) != 0;
    const bool otherCharging = (caseByte & ChargingOther) != 0;
    if (isOverEarModel(message.model)) {
        message.singlePercent = primaryPercent;
        message.singleCharging = primaryCharging;
        // Only the second AirPods Max are reported to say in their advertisement whether they are worn.
        if (message.model == AirpodsModels::byProductId(AirPodsMax2ProductId)->advertisedModel()) {
            message.worn = (message.status & (StatusPrimaryInEar | StatusOtherInEar)) != 0;
        }
    } else {
        if (message.primaryIsLeft) {
            message.leftPercent = primaryPercent;
            message.rightPercent = otherPercent;
            message.leftCharging = primaryCharging;
            message.rightCharging = otherCharging;
        } else {
            message.leftPercent = otherPercent;
            message.rightPercent = primaryPercent;
            message.leftCharging = otherCharging;
            message.rightCharging = primaryCharging;
        }
        message.casePercent = percentFromNibble(caseByte & 0x0F);
        message.caseCharging = (caseByte & ChargingCase) != 0;

        // The observed status values label the in-ear bits with the opposite orientation on "case" frames (bit 6).
        const bool presenceLeftIsPrimary = message.primaryIsLeft != ((message.status & StatusCaseFrame) != 0);
        const bool primaryInEar = (message.status & StatusPrimaryInEar) != 0;
        const bool otherInEar = (message.status & StatusOtherInEar) != 0;
        message.leftInEar = presenceLeftIsPrimary ? primaryInEar : otherInEar;
        message.rightInEar = presenceLeftIsPrimary ? otherInEar : primaryInEar;
    }

    message.lid = manufacturerData[LidOffset];
    if (length >= FullLength) {
        Block sealed{};
        const auto end = manufacturerData.begin() + static_cast<std::ptrdiff_t>(HeaderSize + length);
        std::copy(end - static_cast<std::ptrdiff_t>(SealedSize), end, sealed.begin());
        message.encrypted = sealed;
    }
    return message;
}

std::optional<ProximityPairingMessage> decodeProximityPairing(std::uint16_t companyId,
                                                              std::span<const std::uint8_t> manufacturerData)
{
    if (companyId != AppleCompanyId) {
        return std::nullopt;
    }
    return decodeProximityPairing(manufacturerData);
}

std::optional<Level> levelFromByte(std::uint8_t byte)
{
    const int percent = byte & SealedPercent;
    if (percent > 100) {
        return std::nullopt;
    }
    return Level{percent, (byte & SealedCharging) != 0};
}

SealedLevels levelsFromDeciphered(const ProximityPairingMessage &message, const Block &deciphered)
{
    SealedLevels levels;
    const std::optional<Level> primary = levelFromByte(deciphered[SealedPrimary]);
    if (isOverEarModel(message.model)) {
        levels.single = primary;
        return levels;
    }
    const std::optional<Level> other = levelFromByte(deciphered[SealedOther]);
    levels.left = message.primaryIsLeft ? primary : other;
    levels.right = message.primaryIsLeft ? other : primary;
    levels.casePart = levelFromByte(deciphered[SealedCase]);
    return levels;
}

bool sealedFitsClear(const ProximityPairingMessage &message, const SealedLevels &sealed)
{
    const auto fits = [](const std::optional<Level> &exact, const std::optional<int> &clear) {
        return !exact || !clear || std::abs(exact->percent - *clear) <= SealedTolerance;
    };
    return fits(sealed.left, message.leftPercent) && fits(sealed.right, message.rightPercent)
        && fits(sealed.casePart, message.casePercent) && fits(sealed.single, message.singlePercent);
}

std::optional<Lid> trustedLid(const ProximityPairingMessage &message)
{
    if (isOverEarModel(message.model) || (message.status & (StatusCaseFrame | StatusBothInCase)) == 0) {
        return std::nullopt;
    }
    return Lid{(message.lid & LidClosed) == 0, static_cast<std::uint8_t>(message.lid & LidCounter)};
}

bool caseOpened(const std::optional<Lid> &before, const Lid &now)
{
    return before && !before->open && now.open && before->counter != now.counter;
}

} // namespace ProximityPairing
