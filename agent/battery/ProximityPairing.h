// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

/*
 * Decoder of Apple's "proximity pairing" Bluetooth LE advertisement, the message AirPods broadcast with their
 * battery levels. Plain C++ with the standard library only, so it can be fuzzed and tested on its own.
 *
 * The message travels as manufacturer specific data under Apple's company identifier 0x004C. BlueZ hands that
 * over as Device1.ManufacturerData, an a{qv} whose key is the company identifier and whose value is the byte
 * array that follows it. decodeProximityPairing() takes exactly that byte array: it starts with the message type,
 * not with the company identifier.
 *
 * Layout (offsets count from the type byte):
 *
 *   0     type 0x07
 *   1     length L: the number of bytes after this one that belong to the message (0x19 in the usual 27-byte form)
 *   2     prefix, 0x01 for paired accessories, the only form whose layout is published
 *   3-4   model, big-endian (0x0E20 = AirPods Pro, ...)
 *   5     status (see below)
 *   6     bud batteries: low nibble = primary bud, high nibble = the other bud
 *   7     charging flags in the high nibble, case battery in the low nibble (see below)
 *   8     lid byte (lid state and open counter), handed over raw
 *   9...  colour, a reserved byte and 16 encrypted bytes; not read here
 *
 * Status byte. Bit 5 set means the left bud is the primary one; then byte 6 holds right in its high nibble and
 * left in its low nibble and the charging nibble holds left in bit 4 and right in bit 5. With bit 5 clear both are
 * swapped: the low nibble and bit 4 belong to the right bud. The other bits describe where the buds are; the
 * published list of status values (the furiousMAC Wireshark dissector's table of 18 observed values) fits this
 * reading:
 *   bit 1  the primary bud is in an ear
 *   bit 3  the other bud is in an ear
 *   bit 4  the other bud is in the case
 *   bit 6  set on the frames the dissector labels "Case:"; on those the left/right orientation of bits 1, 3 and 4
 *          is the opposite of what bit 5 says (0x53 is "left in ear, right in case", 0x73 "right in ear, left in
 *          case"), so the in-ear flags take the left bud as primary when bit 5 XOR bit 6 is set.
 *   bits 0 and 2 are not interpreted (in that list bit 2 only appears with both buds in the case).
 *
 * Byte 7. The furiousMAC dissector (its builds for Wireshark 3.0.8 and 4.4.0 alike) masks the case level with
 * 0x0F and the charging flags with 0x40 (case), 0x20 and 0x10 (buds); its field notes, after Celosia & Cunche
 * (PETS 2020), name the byte "charging status and case battery level" in that order. Its published example byte
 * 0x8F then reads as "case level unknown, nothing charging" (with bit 7, which no source names, set); read the
 * other way round it would be a case at 80 % with every flag set, including bit 3, which no source names either.
 * The low-nibble reading is the one a source assigns bit by bit, and it puts the example's 0xF on the documented
 * "no reading" value. Bit 7 is not interpreted.
 *
 * Battery nibbles: 0-9 are tens of percent, 0xA is 100 %, 0xF means no reading. 0xB-0xE are not defined by any
 * source and read as no reading too, so a corrupted or unknown value never shows as a level above 100 %.
 *
 * Lengths. Every byte is bounds-checked, so no input can make the decoder read outside the span. A frame is
 *   - rejected when it is shorter than the nine bytes up to and including the lid byte, when its length byte
 *     names fewer than the seven bytes from the prefix to the lid byte, or when the length byte names more bytes
 *     than the data holds (a truncated frame);
 *   - accepted when short: a length byte below 0x19 is fine as long as it names at least those seven bytes and
 *     the data holds them (a message without its encrypted tail);
 *   - accepted when long: data beyond the bytes the length byte names is ignored. Apple's manufacturer data is a
 *     sequence of type-length-value messages; what follows the first message belongs to another one.
 * A frame whose first message is of another type, or whose prefix is not 0x01, is rejected.
 */
namespace ProximityPairing
{

inline constexpr std::uint16_t AppleCompanyId = 0x004C;
inline constexpr std::uint8_t MessageType = 0x07;
inline constexpr std::uint8_t PairedPrefix = 0x01;
// Length byte of the usual 27-byte message.
inline constexpr std::uint8_t FullLength = 0x19;
// Bytes up to and including the lid byte, the last one decoded.
inline constexpr std::size_t MinimumFrameSize = 9;

enum class AirPodsModel : std::uint16_t {
    AirPods1 = 0x0220,
    AirPods2 = 0x0F20,
    AirPods3 = 0x1320,
    AirPods4 = 0x1920,
    AirPods4NoiseCancelling = 0x1B20,
    AirPodsPro = 0x0E20,
    AirPodsPro2 = 0x1420,
    AirPodsPro2UsbC = 0x2420,
    AirPodsPro3 = 0x2720,
    AirPodsMax = 0x0A20,
    AirPodsMaxUsbC = 0x1F20,
    AirPodsMax2 = 0x2D20,
};

// True for the model identifiers of AirPods above; other Apple and Beats accessories send the same message.
bool isAirPodsModel(std::uint16_t model);

// The product name of an AirPods model ("AirPods Pro 2"), or nullptr for any other identifier.
const char *modelName(std::uint16_t model);

// Percent for one battery nibble (only the low four bits are used): 0-9 give 0-90, 0xA gives 100, the rest none.
std::optional<int> percentFromNibble(std::uint8_t nibble);

struct ProximityPairingMessage {
    std::uint16_t model = 0;
    std::uint8_t status = 0;
    // Status bit 5: the left bud is the primary one, which decides the order of the battery nibbles.
    bool primaryIsLeft = false;

    std::optional<int> leftPercent;
    std::optional<int> rightPercent;
    std::optional<int> casePercent;

    bool leftCharging = false;
    bool rightCharging = false;
    bool caseCharging = false;

    bool leftInEar = false;
    bool rightInEar = false;

    // Byte 8 as received: lid state and open counter.
    std::uint8_t lid = 0;

    bool isKnownAirPodsModel() const
    {
        return isAirPodsModel(model);
    }
};

// Decodes the value of ManufacturerData[0x004C] (the bytes after the company identifier, starting with the type
// byte). Returns no value for anything that is not a complete paired proximity pairing message.
std::optional<ProximityPairingMessage> decodeProximityPairing(std::span<const std::uint8_t> manufacturerData);

// The same for one manufacturer data entry given with its company identifier; any company but Apple's is rejected.
std::optional<ProximityPairingMessage> decodeProximityPairing(std::uint16_t companyId,
                                                              std::span<const std::uint8_t> manufacturerData);

} // namespace ProximityPairing
