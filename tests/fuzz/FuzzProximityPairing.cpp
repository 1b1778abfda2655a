// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the proximity pairing decoder, built and run by scripts/fuzz: each input, bare and as an entry
// led by its company id, must be accepted exactly by the length rules and decode to what its bytes say, or abort.
#include "battery/ProximityPairing.h"

#include <cstdlib>

namespace
{
void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void check(const std::optional<ProximityPairing::ProximityPairingMessage> &m, std::span<const std::uint8_t> b,
           bool apple)
{
    require(m.has_value() == (apple && b.size() >= 9 && b[0] == 7 && b[1] >= 7 && b[1] + 2u <= b.size() && b[2] == 1));
    if (!m) {
        return;
    }
    const auto percent = [](int nibble) { return nibble <= 0xA ? std::optional(nibble * 10) : std::nullopt; };
    const bool left = b[5] & 0x20;
    const int primary = b[6] & 0xF, other = b[6] >> 4;
    require(m->model == (b[3] << 8 | b[4]) && m->status == b[5] && m->lid == b[8] && m->primaryIsLeft == left);
    require(m->leftPercent == percent(left ? primary : other) && m->rightPercent == percent(left ? other : primary));
    require(m->casePercent == percent(b[7] & 0xF) && m->caseCharging == bool(b[7] & 0x40));
    require(m->leftCharging == bool(b[7] & (left ? 16 : 32)) && m->rightCharging == bool(b[7] & (left ? 32 : 16)));
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
