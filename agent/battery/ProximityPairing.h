// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
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
 *   8     lid byte: bit 3 the lid (clear: open), bits 0-2 a counter that moves with each opening
 *   9...  colour, a reserved byte and, in the full form, 16 encrypted bytes: the last 16 the length byte names
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
 *
 * Encrypted part. The last 16 bytes of a full message are one AES-128 block (ECB) under the pair's encryption key,
 * the key of type 0x04 that the AirPods hand over on their accessory protocol channel, used in the order received.
 * Deciphered, byte 1 is the primary bud, byte 2 the other one and byte 3 the case: bit 7 charging, bits 0-6 the
 * level in percent, where a value above 100 is no reading. The primary bud is the one status bit 5 names. The
 * published notes (LinuxPods' docs/ble-proximity-pairing.md, LibrePods' proximity pairing notes) disagree about
 * the other bytes, so none of them is required to hold a constant: what proves a message is the pair's own is its
 * address resolving with the pair's identity key, not its content. The deciphered levels must only fit the clear
 * part's (sealedFitsClear()), which tells a wrong key from the right one.
 *
 * Lid. The lid bit is trusted only in a frame from a bud that is in the case itself (status bit 6) or while both
 * buds are in the case (status bit 2): a bud out of the case keeps sending a stale lid bit, interleaved with the
 * true one of the bud in the case (reported with logs in CAPod's pull request #606, on AirPods Pro 1 and 3).
 *
 * Over-ear models (AirPods Max). They have one battery and no case: the primary nibble (and byte 1 of the
 * deciphered part) is their level, charging is bit 4 of byte 7, and nothing in the frame is a case. Whether they
 * are worn shows in the status byte; reports disagree for the first generation (CAPod issue #106 saw bit 5 go
 * either way between two owners), and for AirPods Max 2 bit 5 is always set while bits 1 and 3 are the ear cups'
 * sensors, either of which set means worn (CAPod pull request #572, with 0x23 worn and 0x21 not). So only AirPods
 * Max 2 tell whether they are worn; the first generations tell nothing.
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


// True for the advertised model of an AirPods model in the table of models (bluetooth/AirpodsModels); other
// Apple and Beats accessories send the same message.
bool isAirPodsModel(std::uint16_t model);

// True for the over-ear models: one battery, no case, no buds.
bool isOverEarModel(std::uint16_t model);


// Percent for one battery nibble (only the low four bits are used): 0-9 give 0-90, 0xA gives 100, the rest none.
std::optional<int> percentFromNibble(std::uint8_t nibble);

// One deciphered level: percent 0-100 and whether that part is charging.
struct Level {
    int percent = 0;
    bool charging = false;
    bool operator==(const Level &) const = default;
};

using Block = std::array<std::uint8_t, 16>;

// The lid as a trusted frame tells it.
struct Lid {
    bool open = false;
    // Moves with each opening, modulo 8.
    std::uint8_t counter = 0;
    bool operator==(const Lid &) const = default;
};

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

    // Over-ear models: their one battery, and whether they are worn where the model tells.
    std::optional<int> singlePercent;
    bool singleCharging = false;
    std::optional<bool> worn;

    // Byte 8 as received: lid state and open counter.
    std::uint8_t lid = 0;

    // The last 16 bytes of a full message (length byte 0x19 or more), still enciphered.
    std::optional<Block> encrypted;

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

// A deciphered level byte: bit 7 charging, bits 0-6 percent; above 100 is no reading.
std::optional<Level> levelFromByte(std::uint8_t byte);

// The levels of the deciphered block of @p message (see above), by part: left, right and case, or for an
// over-ear model only single. Parts without a reading stay empty.
struct SealedLevels {
    std::optional<Level> left;
    std::optional<Level> right;
    std::optional<Level> casePart;
    std::optional<Level> single;
    bool operator==(const SealedLevels &) const = default;
};
SealedLevels levelsFromDeciphered(const ProximityPairingMessage &message, const Block &deciphered);

// Whether @p sealed fits the clear part of @p message: every part both give is within SealedTolerance of the clear
// 10 % level. A block deciphered with a wrong key, or with the key's bytes in the wrong order, gives random bytes,
// which seldom fit; such levels are not shown.
inline constexpr int SealedTolerance = 10;
bool sealedFitsClear(const ProximityPairingMessage &message, const SealedLevels &sealed);

// The lid state of @p message where its frame can be trusted for it (see above); no value otherwise.
std::optional<Lid> trustedLid(const ProximityPairingMessage &message);

// Whether the lid went from @p before to @p now by an opening: closed before, open now, and the counter moved.
// Without an earlier trusted reading nothing opened.
bool caseOpened(const std::optional<Lid> &before, const Lid &now);

} // namespace ProximityPairing
