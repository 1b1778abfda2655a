// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the proximity pairing decoder; built and run by scripts/fuzz. Each input is decoded as the
// bytes after the company identifier, and as a manufacturer data entry led by its company identifier
// (little-endian). The accept rule and every level and flag are checked against the bytes, written out again here,
// so a wrong answer aborts like a memory error does.
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

void requirePercent(const std::optional<int> &percent, int nibble)
{
    require(nibble <= 0xA ? percent == nibble * 10 : !percent);
}

void check(const std::optional<ProximityPairing::ProximityPairingMessage> &m, std::span<const std::uint8_t> b,
           bool apple)
{
    require(m.has_value() == (apple && b.size() >= 9 && b[0] == 0x07 && b[1] >= 7 && b[1] + 2u <= b.size() && b[2] == 1));
    if (!m) {
        return;
    }
    require(m->model == (b[3] << 8 | b[4]) && m->status == b[5] && m->lid == b[8]);
    require(m->primaryIsLeft == ((b[5] & 0x20) != 0));
    const bool left = m->primaryIsLeft;
    requirePercent(m->leftPercent, left ? b[6] & 0x0F : b[6] >> 4);
    requirePercent(m->rightPercent, left ? b[6] >> 4 : b[6] & 0x0F);
    requirePercent(m->casePercent, b[7] & 0x0F);
    require(m->leftCharging == ((b[7] & (left ? 0x10 : 0x20)) != 0));
    require(m->rightCharging == ((b[7] & (left ? 0x20 : 0x10)) != 0));
    require(m->caseCharging == ((b[7] & 0x40) != 0));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    check(ProximityPairing::decodeProximityPairing(bytes), bytes, true);
    if (size >= 2) {
        const auto company = std::uint16_t(data[0] | data[1] << 8);
        check(ProximityPairing::decodeProximityPairing(company, bytes.subspan(2)), bytes.subspan(2), company == 0x004C);
    }
    return 0;
}
