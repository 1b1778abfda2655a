// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the proximity pairing decoder; built and run by scripts/fuzz.
//
// Each input is decoded twice: as the bytes after the company identifier, and as a manufacturer data entry whose
// first two bytes are the company identifier (little-endian, as on the air). Every field of a decoded message is
// read and checked against the bytes it came from, and the decision to accept or reject is checked against the
// length rules written out independently here, so a wrong answer aborts like a memory error does.
#include "battery/ProximityPairing.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>

namespace
{

using ProximityPairing::ProximityPairingMessage;

void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

bool shouldAccept(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 9 && bytes[0] == 0x07 && bytes[1] >= 7 && std::size_t(bytes[1]) + 2 <= bytes.size()
        && bytes[2] == 0x01;
}

void checkPercent(const std::optional<int> &percent, std::uint8_t nibble)
{
    nibble &= 0x0F;
    if (nibble <= 0x0A) {
        require(percent.has_value() && *percent == nibble * 10);
    } else {
        require(!percent.has_value());
    }
}

volatile std::size_t sink;

void check(const std::optional<ProximityPairingMessage> &decoded, std::span<const std::uint8_t> bytes, bool apple)
{
    require(decoded.has_value() == (apple && shouldAccept(bytes)));
    if (!decoded) {
        return;
    }
    const ProximityPairingMessage &message = *decoded;

    require(message.model == ((bytes[3] << 8) | bytes[4]));
    require(message.status == bytes[5]);
    require(message.lid == bytes[8]);
    require(message.primaryIsLeft == ((bytes[5] & 0x20) != 0));

    const std::uint8_t primaryNibble = bytes[6] & 0x0F;
    const std::uint8_t otherNibble = bytes[6] >> 4;
    checkPercent(message.leftPercent, message.primaryIsLeft ? primaryNibble : otherNibble);
    checkPercent(message.rightPercent, message.primaryIsLeft ? otherNibble : primaryNibble);
    checkPercent(message.casePercent, bytes[7]);

    const bool primaryCharging = (bytes[7] & 0x10) != 0;
    const bool otherCharging = (bytes[7] & 0x20) != 0;
    require(message.leftCharging == (message.primaryIsLeft ? primaryCharging : otherCharging));
    require(message.rightCharging == (message.primaryIsLeft ? otherCharging : primaryCharging));
    require(message.caseCharging == ((bytes[7] & 0x40) != 0));

    const std::size_t inEar = std::size_t(message.leftInEar) + std::size_t(message.rightInEar);
    const std::size_t inEarBits = std::size_t((bytes[5] & 0x02) != 0) + std::size_t((bytes[5] & 0x08) != 0);
    require(inEar == inEarBits);

    const char *name = ProximityPairing::modelName(message.model);
    require((name != nullptr) == message.isKnownAirPodsModel());
    require(ProximityPairing::isAirPodsModel(message.model) == message.isKnownAirPodsModel());
    sink = sink + (name ? std::strlen(name) : 0) + std::size_t(message.caseCharging);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    check(ProximityPairing::decodeProximityPairing(bytes), bytes, true);

    if (size >= 2) {
        const auto companyId = std::uint16_t(data[0] | (data[1] << 8));
        const std::span<const std::uint8_t> value = bytes.subspan(2);
        check(ProximityPairing::decodeProximityPairing(companyId, value), value,
              companyId == ProximityPairing::AppleCompanyId);
    }

    for (std::size_t i = 0; i < size && i < 16; ++i) {
        checkPercent(ProximityPairing::percentFromNibble(data[i]), data[i]);
    }
    return 0;
}
