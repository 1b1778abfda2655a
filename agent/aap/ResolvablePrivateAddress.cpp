// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResolvablePrivateAddress.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace ResolvablePrivateAddress
{

namespace
{

using Hash = std::array<std::uint8_t, 3>;

constexpr std::uint8_t TypeMask = 0xC0;
constexpr std::uint8_t TypeResolvable = 0x40;

// AES-128 of prand' under the key; no value only when libcrypto fails (out of memory).
std::optional<Hash> hash(const std::array<std::uint8_t, 16> &irk, const Hash &prand)
{
    std::array<std::uint8_t, 16> block{};
    std::copy(prand.begin(), prand.end(), block.end() - prand.size());

    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(
        EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    std::array<std::uint8_t, 16> out{};
    int length = 0;
    if (!context || EVP_EncryptInit_ex(context.get(), EVP_aes_128_ecb(), nullptr, irk.data(), nullptr) != 1
        || EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1
        || EVP_EncryptUpdate(context.get(), out.data(), &length, block.data(), int(block.size())) != 1
        || length != int(out.size())) {
        return std::nullopt;
    }
    // mod 2^24: the three least significant octets, the last ones of the block.
    return Hash{out[13], out[14], out[15]};
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return u >= u'0' && u <= u'9' ? u - u'0'
        : u >= u'a' && u <= u'f'  ? u - u'a' + 10
        : u >= u'A' && u <= u'F'  ? u - u'A' + 10
                                  : -1;
}

// "70:81:94:0D:FB:AA" -> 70 81 94 0D FB AA: six octets, most significant first.
std::optional<std::array<std::uint8_t, 6>> parseAddress(const QString &address)
{
    std::array<std::uint8_t, 6> bytes{};
    if (address.size() != 3 * qsizetype(bytes.size()) - 1) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < qsizetype(bytes.size()); ++i) {
        const int high = hexDigit(address[3 * i]);
        const int low = hexDigit(address[3 * i + 1]);
        if (high < 0 || low < 0 || (i > 0 && address[3 * i - 1] != QLatin1Char(':'))) {
            return std::nullopt;
        }
        bytes[std::size_t(i)] = std::uint8_t(high << 4 | low);
    }
    return bytes;
}

} // namespace

Hash ah(const std::array<std::uint8_t, 16> &irk, const Hash &prand)
{
    return hash(irk, prand).value_or(Hash{});
}

bool resolves(const std::array<std::uint8_t, 16> &irk, const QString &address)
{
    const auto bytes = parseAddress(address);
    if (!bytes || ((*bytes)[0] & TypeMask) != TypeResolvable) {
        return false;
    }
    const auto expected = hash(irk, {(*bytes)[0], (*bytes)[1], (*bytes)[2]});
    return expected && *expected == Hash{(*bytes)[3], (*bytes)[4], (*bytes)[5]};
}

} // namespace ResolvablePrivateAddress
