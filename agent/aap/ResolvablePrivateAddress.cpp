// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResolvablePrivateAddress.h"

#include "Logging.h"

#include <QLibrary>

#include <openssl/evp.h>
#include <openssl/opensslv.h>

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

// The few libcrypto functions the hash needs. libcrypto is loaded when the first address is resolved, not at
// start: mapping it costs more than a megabyte of resident memory, and many runs never resolve an address.
struct Crypto {
    decltype(&EVP_CIPHER_CTX_new) newContext = nullptr;
    decltype(&EVP_CIPHER_CTX_free) freeContext = nullptr;
    decltype(&EVP_aes_128_ecb) aes128Ecb = nullptr;
    decltype(&EVP_EncryptInit_ex) encryptInit = nullptr;
    decltype(&EVP_CIPHER_CTX_set_padding) setPadding = nullptr;
    decltype(&EVP_EncryptUpdate) encryptUpdate = nullptr;
    decltype(&EVP_DecryptInit_ex) decryptInit = nullptr;
    decltype(&EVP_DecryptUpdate) decryptUpdate = nullptr;
};

const Crypto *crypto()
{
    static const std::optional<Crypto> loaded = []() -> std::optional<Crypto> {
        // The libcrypto of the headers we were built with; it stays loaded for the rest of the run.
        QLibrary library(QStringLiteral("crypto"), QString::number(OPENSSL_VERSION_MAJOR));
        const auto resolve = [&library](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.resolve(name));
            return function != nullptr;
        };
        Crypto crypto;
        if (!resolve(crypto.newContext, "EVP_CIPHER_CTX_new") || !resolve(crypto.freeContext, "EVP_CIPHER_CTX_free")
            || !resolve(crypto.aes128Ecb, "EVP_aes_128_ecb") || !resolve(crypto.encryptInit, "EVP_EncryptInit_ex")
            || !resolve(crypto.setPadding, "EVP_CIPHER_CTX_set_padding")
            || !resolve(crypto.encryptUpdate, "EVP_EncryptUpdate") || !resolve(crypto.decryptInit, "EVP_DecryptInit_ex")
            || !resolve(crypto.decryptUpdate, "EVP_DecryptUpdate")) {
            qCWarning(lcBattery) << "Cannot use libcrypto; private addresses and sealed levels stay unread:"
                                 << library.errorString();
            return std::nullopt;
        }
        return crypto;
    }();
    return loaded ? &*loaded : nullptr;
}

std::optional<Block> cipher(const Block &key, const Block &in, bool encrypt)
{
    const Crypto *evp = crypto();
    if (!evp) {
        return std::nullopt;
    }
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(evp->newContext(),
                                                                                   evp->freeContext);
    const auto init = encrypt ? evp->encryptInit : evp->decryptInit;
    const auto update = encrypt ? evp->encryptUpdate : evp->decryptUpdate;
    Block out{};
    int length = 0;
    if (!context || init(context.get(), evp->aes128Ecb(), nullptr, key.data(), nullptr) != 1
        || evp->setPadding(context.get(), 0) != 1
        || update(context.get(), out.data(), &length, in.data(), int(in.size())) != 1 || length != int(out.size())) {
        return std::nullopt;
    }
    return out;
}

// AES-128 of prand' under the key; no value only when libcrypto is missing or fails (out of memory).
std::optional<Hash> hash(const Block &irk, const Hash &prand)
{
    Block block{};
    std::copy(prand.begin(), prand.end(), block.end() - prand.size());
    const auto out = cipher(irk, block, true);
    if (!out) {
        return std::nullopt;
    }
    // mod 2^24: the three least significant octets, the last ones of the block.
    return Hash{(*out)[13], (*out)[14], (*out)[15]};
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

std::optional<Block> encryptBlock(const Block &key, const Block &block)
{
    return cipher(key, block, true);
}

std::optional<Block> decryptBlock(const Block &key, const Block &block)
{
    return cipher(key, block, false);
}

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
