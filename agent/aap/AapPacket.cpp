// SPDX-License-Identifier: GPL-3.0-or-later
#include "AapPacket.h"

#include <algorithm>

namespace Aap
{

namespace
{

constexpr std::uint8_t TypeConnectReply = 0x01;
constexpr std::uint8_t TypeMessage = 0x04;
constexpr std::uint8_t Service = 0x04;
constexpr std::size_t HeaderSize = 4;
// A message's payload starts after the header and the 16-bit opcode.
constexpr std::size_t PayloadOffset = HeaderSize + 2;

constexpr std::uint16_t OpcodeBattery = 0x0004;
constexpr std::uint16_t OpcodeInEar = 0x0006;
constexpr std::uint16_t OpcodeKeys = 0x0031;
constexpr std::uint16_t OpcodeSetting = 0x0009;
constexpr std::uint8_t SettingNoiseControl = 0x0D;
constexpr std::uint16_t OpcodeMetadata = 0x001D;
constexpr std::size_t MetadataPreamble = 5;

constexpr std::size_t BatteryBlockSize = 5;
constexpr std::uint8_t KeyTypeIrk = 0x01;
constexpr std::uint8_t KeyTypeEncryption = 0x04;
constexpr std::size_t KeySize = 16;

std::optional<Message> decodeBattery(std::span<const std::uint8_t> payload)
{
    if (payload.empty()) {
        return std::nullopt;
    }
    const std::size_t count = payload[0];
    const auto blocks = payload.subspan(1);
    if (blocks.size() < count * BatteryBlockSize) {
        return std::nullopt;
    }
    BatteryReport report;
    report.entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        // [component] 01 [level] [status] 01; the two constant bytes are not checked, as nothing depends on them.
        const auto block = blocks.subspan(i * BatteryBlockSize, BatteryBlockSize);
        BatteryReport::Entry entry;
        entry.component = Component(block[0]);
        if (block[2] <= 100) {
            entry.level = block[2];
        }
        entry.status = block[3];
        report.entries.push_back(entry);
    }
    return report;
}

std::optional<Message> decodeInEar(std::span<const std::uint8_t> payload)
{
    if (payload.size() < 2) {
        return std::nullopt;
    }
    return InEarReport{payload[0], payload[1]};
}

// [count], then per key [type] 00 [length] 00 [bytes]. Keys of other types or of another length are skipped; a key
// running past the end makes the whole packet malformed.
std::optional<Message> decodeKeys(std::span<const std::uint8_t> payload)
{
    if (payload.empty()) {
        return std::nullopt;
    }
    const std::size_t count = payload[0];
    std::size_t offset = 1;
    KeysReport report;
    for (std::size_t i = 0; i < count; ++i) {
        if (payload.size() - offset < 4) {
            return std::nullopt;
        }
        const std::uint8_t type = payload[offset];
        const std::size_t length = payload[offset + 2];
        offset += 4;
        if (payload.size() - offset < length) {
            return std::nullopt;
        }
        if (length == KeySize && (type == KeyTypeIrk || type == KeyTypeEncryption)) {
            std::array<std::uint8_t, KeySize> key{};
            const auto bytes = payload.subspan(offset, KeySize);
            std::copy(bytes.begin(), bytes.end(), key.begin());
            (type == KeyTypeIrk ? report.irk : report.encryptionKey) = key;
        }
        offset += length;
    }
    return report;
}

std::optional<Message> decodeSetting(std::span<const std::uint8_t> payload)
{
    if (payload.size() < 2 || payload[0] != SettingNoiseControl) {
        return std::nullopt;
    }
    return NoiseControlReport{payload[1]};
}

std::optional<Message> decodeMetadata(std::span<const std::uint8_t> payload)
{
    if (payload.size() < MetadataPreamble) {
        return std::nullopt;
    }
    auto rest = payload.subspan(MetadataPreamble);
    std::string strings[3];
    std::size_t complete = 0;
    for (std::string &text : strings) {
        const auto end = std::find(rest.begin(), rest.end(), std::uint8_t(0));
        if (end == rest.end()) {
            break;
        }
        text.assign(rest.begin(), end);
        rest = rest.subspan(std::size_t(end - rest.begin()) + 1);
        ++complete;
    }
    if (complete < 2 || strings[1].empty()) {
        return std::nullopt;
    }
    return MetadataReport{strings[0], strings[1], strings[2]};
}

std::vector<std::uint8_t> message(std::uint16_t opcode, std::initializer_list<std::uint8_t> payload)
{
    std::vector<std::uint8_t> bytes(PayloadOffset + payload.size());
    bytes[0] = TypeMessage;
    bytes[2] = Service;
    bytes[4] = std::uint8_t(opcode & 0xFF);
    bytes[5] = std::uint8_t(opcode >> 8);
    std::copy(payload.begin(), payload.end(), bytes.begin() + PayloadOffset);
    return bytes;
}

} // namespace

std::optional<Message> decode(std::span<const std::uint8_t> packet)
{
    if (packet.size() < HeaderSize || packet[1] != 0x00 || packet[2] != Service || packet[3] != 0x00) {
        return std::nullopt;
    }
    if (packet[0] == TypeConnectReply) {
        return ConnectReply{};
    }
    if (packet[0] != TypeMessage || packet.size() < PayloadOffset) {
        return std::nullopt;
    }
    const auto opcode = std::uint16_t(packet[4] | packet[5] << 8);
    const auto payload = packet.subspan(PayloadOffset);
    switch (opcode) {
    case OpcodeBattery:
        return decodeBattery(payload);
    case OpcodeInEar:
        return decodeInEar(payload);
    case OpcodeKeys:
        return decodeKeys(payload);
    case OpcodeSetting:
        return decodeSetting(payload);
    case OpcodeMetadata:
        return decodeMetadata(payload);
    default:
        return std::nullopt;
    }
}

std::vector<std::uint8_t> handshake()
{
    return {0x00, 0x00, Service, 0x00, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
}

std::vector<std::uint8_t> capabilities()
{
    return message(0x004D, {0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
}

std::vector<std::uint8_t> enableNotifications()
{
    return message(0x000F, {0xFF, 0xFF, 0xFF, 0xFF});
}

std::vector<std::uint8_t> requestKeys()
{
    return message(0x0030, {0x05, 0x00});
}

std::vector<std::uint8_t> setNoiseControl(NoiseMode mode)
{
    return message(OpcodeSetting, {SettingNoiseControl, static_cast<std::uint8_t>(mode), 0x00, 0x00, 0x00});
}

} // namespace Aap
