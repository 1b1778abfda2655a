// SPDX-License-Identifier: GPL-3.0-or-later
#include "AapKeyStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace
{

const auto IrkKey = QByteArrayLiteral("irk");
const auto EncryptionKeyKey = QByteArrayLiteral("encryptionKey");

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// "AA:BB:CC:DD:EE:FF", in capitals; anything else gives an empty string.
QString normalized(const QString &address)
{
    if (address.size() != 17) {
        return QString();
    }
    for (qsizetype i = 0; i < address.size(); ++i) {
        if (i % 3 == 2 ? address.at(i) != u':' : !isHexDigit(address.at(i))) {
            return QString();
        }
    }
    return address.toUpper();
}

std::optional<std::array<std::uint8_t, 16>> keyFromHex(const QByteArray &hex)
{
    if (hex.size() != 32 || !std::all_of(hex.cbegin(), hex.cend(), [](char c) { return isHexDigit(QLatin1Char(c)); })) {
        return std::nullopt;
    }
    const QByteArray bytes = QByteArray::fromHex(hex);
    std::array<std::uint8_t, 16> key{};
    std::copy(bytes.begin(), bytes.end(), key.begin());
    return key;
}

QByteArray hex(const std::array<std::uint8_t, 16> &key)
{
    return QByteArray(reinterpret_cast<const char *>(key.data()), qsizetype(key.size())).toHex().toUpper();
}

} // namespace

AapKeyStore::AapKeyStore(const QString &filePath)
    : m_filePath(filePath)
{
}

QString AapKeyStore::defaultPath()
{
    // Qt 6.4 has no QStandardPaths::StateLocation.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state)) {
        state = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return state + QStringLiteral("/earlume/keys.ini");
}

QString AapKeyStore::filePath() const
{
    return m_filePath;
}

std::optional<std::array<std::uint8_t, 16>> AapKeyStore::irk(const QString &address) const
{
    return keys(address).irk;
}

Aap::KeysReport AapKeyStore::keys(const QString &address) const
{
    const auto entries = read(nullptr);
    return entries ? entries->value(normalized(address)) : Aap::KeysReport();
}

bool AapKeyStore::store(const QString &address, const Aap::KeysReport &keys)
{
    const QString key = normalized(address);
    if (key.isEmpty()) {
        m_errorString = QStringLiteral("not a Bluetooth address: %1").arg(address);
        return false;
    }
    auto entries = read(&m_errorString);
    if (!entries) {
        return false;
    }
    if (entries->contains(key) && entries->value(key) == keys) {
        return true;
    }
    entries->insert(key, keys);
    return write(*entries);
}

bool AapKeyStore::forget(const QString &address)
{
    auto entries = read(&m_errorString);
    if (!entries) {
        return false;
    }
    return entries->remove(normalized(address)) == 0 || write(*entries);
}

QString AapKeyStore::errorString() const
{
    return m_errorString;
}

// No value when the file exists but cannot be read: a store() must not replace the keys it could not see.
std::optional<AapKeyStore::Entries> AapKeyStore::read(QString *error) const
{
    QFile file(m_filePath);
    if (!file.exists()) {
        return Entries();
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = QStringLiteral("cannot read %1: %2").arg(m_filePath, file.errorString());
        }
        return std::nullopt;
    }
    Entries entries;
    Aap::KeysReport *current = nullptr;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            const QString address = normalized(QString::fromLatin1(line.mid(1, line.size() - 2)));
            current = address.isEmpty() ? nullptr : &entries[address];
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!current || equals < 0) {
            continue;
        }
        const QByteArray name = line.left(equals).trimmed();
        const auto value = keyFromHex(line.mid(equals + 1).trimmed());
        if (name == IrkKey) {
            current->irk = value;
        } else if (name == EncryptionKeyKey) {
            current->encryptionKey = value;
        }
    }
    return entries;
}

bool AapKeyStore::write(const Entries &entries)
{
    const QFileInfo info(m_filePath);
    const QString directory = info.absolutePath();
    if (!QFileInfo::exists(directory)) {
        if (!QDir().mkpath(directory)) {
            m_errorString = QStringLiteral("cannot create the folder %1").arg(directory);
            return false;
        }
        QFile::setPermissions(directory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QByteArray contents;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        contents += '[' + it.key().toLatin1() + "]\n";
        if (it->irk) {
            contents += IrkKey + '=' + hex(*it->irk) + '\n';
        }
        if (it->encryptionKey) {
            contents += EncryptionKeyKey + '=' + hex(*it->encryptionKey) + '\n';
        }
    }

    QSaveFile file(m_filePath);
    // The mode is set on the temporary file before a key is written to it; the rename keeps it.
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner)
        || file.write(contents) != contents.size() || !file.commit()) {
        m_errorString = QStringLiteral("cannot write %1: %2").arg(m_filePath, file.errorString());
        return false;
    }
    return true;
}
