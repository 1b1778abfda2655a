// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

/*
 * Packets of Apple's accessory protocol (AAP), which AirPods speak over a Classic Bluetooth L2CAP channel
 * (SOCK_SEQPACKET, PSM 0x1001, one packet per read). Plain C++ with the standard library only, so it can be fuzzed
 * and tested on its own; bounds-checked everywhere, so no input makes it read outside the span.
 *
 * Every packet starts with four bytes: type, 0x00, service 0x04, 0x00. Types: 0x00 connect, 0x01 connect reply,
 * 0x02 disconnect, 0x04 message. A message goes on with a 16-bit little-endian opcode and its payload.
 */
namespace Aap
{
inline constexpr std::uint16_t Psm = 0x1001;
/// The service's UUID in the AirPods' SDP record; also the UUID of the profile we register with BlueZ.
inline constexpr char ServiceUuid[] = "74ec2172-0bad-4d01-8f77-997b2be0722a";

enum class Component : std::uint8_t { Single = 0x01, Right = 0x02, Left = 0x04, Case = 0x08 };
/// A battery's status byte. 0x05 is a bud charging in its case (posted with captures of AirPods Pro 2).
enum class ChargeStatus : std::uint8_t {
    Unknown = 0x00,
    Charging = 0x01,
    Discharging = 0x02,
    NotPresent = 0x04,
    ChargingInCase = 0x05,
};
/// Whether a battery with status byte @p status is charging.
constexpr bool isCharging(std::uint8_t status)
{
    return status == std::uint8_t(ChargeStatus::Charging) || status == std::uint8_t(ChargeStatus::ChargingInCase);
}
enum class Placement : std::uint8_t { InEar = 0x00, OutOfEar = 0x01, InCase = 0x02 };

/// The connect reply (type 0x01) that ends the handshake.
struct ConnectReply {
    bool operator==(const ConnectReply &) const = default;
};

/// Opcode 0x04: `N` blocks of `[component] 01 [level] [status] 01`, in no fixed order (the primary bud comes first).
struct BatteryReport {
    struct Entry {
        Component component = Component::Single;
        /// 0-100; any other value is no reading.
        std::optional<int> level;
        /// The raw status byte; unknown values stay as they are (compare with ChargeStatus).
        std::uint8_t status = 0;
        bool operator==(const Entry &) const = default;
    };
    std::vector<Entry> entries;
    bool operator==(const BatteryReport &) const = default;
};

/// Opcode 0x06: where the primary and the secondary bud are (raw bytes; compare with Placement).
struct InEarReport {
    std::uint8_t primary = 0;
    std::uint8_t secondary = 0;
    bool operator==(const InEarReport &) const = default;
};

/// Opcode 0x31, the answer to requestKeys(): the identity resolving key and the encryption key, where present.
struct KeysReport {
    std::optional<std::array<std::uint8_t, 16>> irk;
    std::optional<std::array<std::uint8_t, 16>> encryptionKey;
    bool operator==(const KeysReport &) const = default;
};

/// Opcode 0x09 with setting 0x0D: `0D [mode] 00 00 00`, the noise control mode (raw; compare with NoiseMode). The
/// AirPods send it after the request for notifications and whenever the mode changes; the host sends the same packet
/// to set it. Opcode 0x09 carries other settings too (conversational awareness, the long-press cycle, ...): packets
/// with another setting byte decode to nothing.
struct NoiseControlReport {
    std::uint8_t mode = 0;
    bool operator==(const NoiseControlReport &) const = default;
};
enum class NoiseMode : std::uint8_t { Off = 0x01, NoiseCancellation = 0x02, Transparency = 0x03, Adaptive = 0x04 };

/// Opcode 0x1D: what the AirPods say of themselves. After five bytes whose meaning is not published come
/// NUL-terminated strings: the advertised name, the model number ("A3048"), the manufacturer, the serial number
/// and versions. Only the first three are kept; the packet needs at least the name and the model number.
struct MetadataReport {
    std::string name;
    std::string modelNumber;
    std::string manufacturer;
    bool operator==(const MetadataReport &) const = default;
};

using Message = std::variant<ConnectReply, BatteryReport, InEarReport, KeysReport, NoiseControlReport, MetadataReport>;

/// The message in one received packet; no value for an unknown type or opcode, or a malformed packet.
std::optional<Message> decode(std::span<const std::uint8_t> packet);

/// `00 00 04 00 01 00 02 00 00 00 00 00 00 00 00 00`: opens the session; the AirPods answer with a connect reply.
std::vector<std::uint8_t> handshake();
/// `04 00 04 00 4D 00 FF 00 00 00 00 00 00 00`: the host's capabilities.
std::vector<std::uint8_t> capabilities();
/// `04 00 04 00 0F 00 FF FF FF FF`: asks for every notification (battery, in-ear, ...).
std::vector<std::uint8_t> enableNotifications();
/// `04 00 04 00 30 00 05 00`: asks for the keys (answered with opcode 0x31).
std::vector<std::uint8_t> requestKeys();
/// `04 00 04 00 09 00 0D [mode] 00 00 00`: switches the noise control mode.
std::vector<std::uint8_t> setNoiseControl(NoiseMode mode);
} // namespace Aap
