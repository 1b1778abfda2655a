// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

/**
 * The user's login items, kept as an XDG autostart entry: the file com.vostel.Earlume.desktop in
 * $XDG_CONFIG_HOME/autostart, whose Exec line starts the program at the given path when the user
 * logs in. An item "exists" for a path when that file is a valid application entry whose Exec names
 * the path and which is neither hidden nor disabled.
 *
 * Writes replace the file atomically, so a failure never leaves half an entry behind; every failure is
 * reported with one line on standard error and a false result.
 */
class LoginServiceKit
{
public:
    LoginServiceKit() = delete;

    /// Whether the user's autostart entry starts the program at @p path.
    static bool isExistLoginItems(const QString &path);

    /// Makes the autostart entry start @p path: an existing entry is switched on and keeps every other key
    /// and line (a desktop tool's delay, a user's comment); otherwise a fresh entry is written. False when
    /// the folder or the file cannot be written.
    static bool addLoginItems(const QString &path);

    /// Removes the autostart entry when it starts @p path; an entry for another program path is left
    /// alone. True when afterwards no entry starts @p path; false when the file cannot be removed.
    static bool removeLoginItems(const QString &path);

    /// $XDG_CONFIG_HOME/autostart, read afresh on every call.
    static QString autostartDirectory();

    /// The entry's file inside autostartDirectory().
    static QString entryFilePath();

    /// @p path as one argument of a desktop entry's Exec value, quoted and escaped as the desktop
    /// entry format asks, before the escaping of the value as a whole.
    static QString quoteExecArgument(const QString &path);

    /// The arguments of an Exec value (already unescaped as a string value), quotes and escapes removed.
    static QStringList splitExec(const QString &exec);
};
