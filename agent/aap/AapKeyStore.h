// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "aap/AapPacket.h"

#include <QMap>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

/*
 * The keys the AirPods handed over on their accessory protocol channel (Aap::KeysReport), kept per device address
 * in a small INI file of our own, so that the agent can resolve their private LE addresses after a restart:
 *
 *   [4C:11:22:33:44:01]
 *   irk=<32 hex digits>
 *   encryptionKey=<32 hex digits>
 *
 * The file is secret: it is written atomically, with mode 0600, in a folder created with mode 0700, and no key is
 * ever logged. It is read afresh on each call, which keeps several instances (and the file) consistent; it holds
 * a few lines only.
 */
class AapKeyStore
{
public:
    explicit AapKeyStore(const QString &filePath = defaultPath());

    /// $XDG_STATE_HOME/earlume/keys.ini, or ~/.local/state/earlume/keys.ini when XDG_STATE_HOME is unset.
    static QString defaultPath();

    QString filePath() const;

    /// The identity resolving key stored for @p address (either case), if any.
    std::optional<std::array<std::uint8_t, 16>> irk(const QString &address) const;
    /// Both keys stored for @p address (either case); empty ones where none is stored.
    Aap::KeysReport keys(const QString &address) const;

    /// Stores @p keys for @p address, replacing what was stored for it; leaves the file untouched when they are
    /// equal. False, with errorString(), for a malformed address or when the file cannot be read or written.
    bool store(const QString &address, const Aap::KeysReport &keys);

    /// Removes what is stored for @p address; true when nothing is left for it. False, with errorString(), when the
    /// file cannot be read or written.
    bool forget(const QString &address);

    /// Why the last store() or forget() failed.
    QString errorString() const;

private:
    using Entries = QMap<QString, Aap::KeysReport>;

    std::optional<Entries> read(QString *error) const;
    bool write(const Entries &entries);

    QString m_filePath;
    QString m_errorString;
};
