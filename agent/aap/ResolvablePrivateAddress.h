// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

/*
 * Resolution of a Bluetooth LE resolvable private address with an identity resolving key (IRK): how the agent tells
 * that an advertisement comes from the AirPods it holds the key of, although their address changes every few
 * minutes.
 *
 * A resolvable private address is prand (its most significant 24 bits, the top two of them 0b01) followed by hash
 * (its least significant 24 bits), and it belongs to the key when hash == ah(IRK, prand), where
 * ah(k, r) = e(k, r') mod 2^24, r' is r zero-padded to 128 bits and e is AES-128.
 *
 * Byte order: every array here holds its value most significant octet first, as the Core specification writes its
 * sample data and as BlueZ writes an address ("70:81:94:0D:FB:AA" is prand 70 81 94, hash 0D FB AA). That is also
 * the order AES takes: the most significant octet of key, plaintext and ciphertext is byte 0 of each block.
 */
namespace ResolvablePrivateAddress
{
/// The 24-bit hash of @p prand under @p irk.
std::array<std::uint8_t, 3> ah(const std::array<std::uint8_t, 16> &irk, const std::array<std::uint8_t, 3> &prand);

/// Whether @p address ("4C:11:22:33:44:01", as BlueZ writes it; either case) is a resolvable private address
/// generated with @p irk. False for a malformed address or one whose top two bits are not 01.
bool resolves(const std::array<std::uint8_t, 16> &irk, const QString &address);

using Block = std::array<std::uint8_t, 16>;
/// One AES-128 block under @p key, enciphered or deciphered (ECB, no padding), through the same lazily loaded
/// libcrypto; no value when libcrypto is missing or fails.
std::optional<Block> encryptBlock(const Block &key, const Block &block);
std::optional<Block> decryptBlock(const Block &key, const Block &block);
} // namespace ResolvablePrivateAddress
