// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the accessory protocol decoder, built and run by scripts/fuzz: each input must be accepted
// exactly by the header, opcode and length rules, and decode to what its bytes hold.
#include "aap/AapPacket.h"

#include <algorithm>
#include <cstdlib>

namespace
{
void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

bool contains(std::span<const std::uint8_t> bytes, const std::array<std::uint8_t, 16> &key)
{
    return std::search(bytes.begin(), bytes.end(), key.begin(), key.end()) != bytes.end();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::span<const std::uint8_t> b(data, size);
    const auto message = Aap::decode(b);
    const bool header = size >= 4 && b[1] == 0 && b[2] == 4 && b[3] == 0;
    const int opcode = size >= 6 && b[0] == 4 ? b[4] | b[5] << 8 : -1;
    require(!message || header);

    // What must decode: a connect reply, a whole battery report, an in-ear report.
    const bool battery = header && opcode == 0x04 && size >= 7 && size >= 7 + 5 * std::size_t(b[6]);
    require(!(header && b[0] == 1) || message);
    require(!battery || message);
    require(!(header && opcode == 0x06 && size >= 8) || message);
    const bool noise = header && opcode == 0x09 && size >= 8 && b[6] == 0x0D;
    require(!(header && opcode == 0x09) || noise == bool(message)); // other settings decode to nothing
    if (!message) {
        return 0;
    }

    if (std::holds_alternative<Aap::ConnectReply>(*message)) {
        require(b[0] == 1);
    } else if (const auto *report = std::get_if<Aap::BatteryReport>(&*message)) {
        require(battery && report->entries.size() == b[6]);
        for (std::size_t i = 0; i < report->entries.size(); ++i) {
            const auto &entry = report->entries[i];
            const auto block = b.subspan(7 + 5 * i, 5);
            require(std::uint8_t(entry.component) == block[0] && entry.status == block[3]);
            require(entry.level ? *entry.level == block[2] && *entry.level <= 100 : block[2] > 100);
        }
    } else if (const auto *inEar = std::get_if<Aap::InEarReport>(&*message)) {
        require(opcode == 0x06 && inEar->primary == b[6] && inEar->secondary == b[7]);
    } else if (const auto *keys = std::get_if<Aap::KeysReport>(&*message)) {
        require(opcode == 0x31 && size >= 7);
        require(!keys->irk || contains(b.subspan(7), *keys->irk));
        require(!keys->encryptionKey || contains(b.subspan(7), *keys->encryptionKey));
    } else if (const auto *report = std::get_if<Aap::NoiseControlReport>(&*message)) {
        require(noise && report->mode == b[7]);
    }
    return 0;
}
