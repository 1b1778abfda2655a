// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the proximity pairing decoder, built and run by scripts/fuzz: each input, bare and as an entry
// led by its company id, must be accepted exactly by the length rules and decode to the levels its bytes hold; its
// sealed tail is the last 16 bytes the length names, and read as a deciphered block it gives levels of 0-100 only.
#include "battery/ProximityPairing.h"

#include <algorithm>
#include <cstdlib>

namespace
{
void check(const std::optional<ProximityPairing::ProximityPairingMessage> &m, std::span<const std::uint8_t> b,
           bool apple)
{
    const auto percent = [](int nibble) { return nibble <= 0xA ? std::optional(nibble * 10) : std::nullopt; };
    const bool valid = apple && b.size() >= 9 && b[0] == 7 && b[1] >= 7 && b[1] + 2u <= b.size() && b[2] == 1;
    const bool left = b.size() > 5 && (b[5] & 0x20);
    const bool over = b.size() > 5 && ProximityPairing::isOverEarModel(std::uint16_t(b[3] << 8 | b[4]));
    const std::optional<int> none;
    if (m.has_value() != valid
        || (m && (m->model != (b[3] << 8 | b[4]) || m->primaryIsLeft != left
                  || m->singlePercent != (over ? percent(b[6] & 0xF) : none)
                  || m->caseCharging != (!over && (b[7] & 0x40)) || m->casePercent != (over ? none : percent(b[7] & 0xF))
                  || m->leftPercent != (over ? none : percent(left ? b[6] & 0xF : b[6] >> 4))
                  || m->rightPercent != (over ? none : percent(left ? b[6] >> 4 : b[6] & 0xF))
                  || m->encrypted.has_value() != (b[1] >= 0x19)))) {
        std::abort();
    }
    if (!m || !m->encrypted) {
        return;
    }
    if (!std::equal(m->encrypted->begin(), m->encrypted->end(), b.begin() + b[1] + 2 - 16)) {
        std::abort();
    }
    const auto levels = ProximityPairing::levelsFromDeciphered(*m, *m->encrypted);
    for (const auto &level : {levels.left, levels.right, levels.casePart, levels.single}) {
        if (level && (level->percent < 0 || level->percent > 100)) {
            std::abort();
        }
    }
    if (((*m->encrypted)[1] & 0x7F) <= 100 && over != levels.single.has_value()) {
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
