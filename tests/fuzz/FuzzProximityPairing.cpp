// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the proximity pairing decoder, built and run by scripts/fuzz: each input, bare and as an entry
// led by its company id, must be accepted exactly by the length rules and decode to the levels its bytes hold.
#include "battery/ProximityPairing.h"

#include <cstdlib>

namespace
{
void check(const std::optional<ProximityPairing::ProximityPairingMessage> &m, std::span<const std::uint8_t> b,
           bool apple)
{
    const auto percent = [](int nibble) { return nibble <= 0xA ? std::optional(nibble * 10) : std::nullopt; };
    const bool valid = apple && b.size() >= 9 && b[0] == 7 && b[1] >= 7 && b[1] + 2u <= b.size() && b[2] == 1;
    const bool left = b.size() > 5 && (b[5] & 0x20);
    if (m.has_value() != valid
        || (m && (m->model != (b[3] << 8 | b[4]) || m->primaryIsLeft != left || m->caseCharging != bool(b[7] & 0x40)
                  || m->casePercent != percent(b[7] & 0xF) || m->leftPercent != percent(left ? b[6] & 0xF : b[6] >> 4)
                  || m->rightPercent != percent(left ? b[6] >> 4 : b[6] & 0xF)))) {
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    check(ProximityPairing::decodeProximityPairing(bytes), bytes, true);
    if (size >= 2) {
        const auto company = std::uint16_t(data[0] | data[1] << 8);
        check(ProximityPairing::decodeProximityPairing(company, bytes.subspan(2)), bytes.subspan(2), company == 0x4C);
    }
    return 0;
}
