// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Notifications.h"

#include <QString>

#include <memory>

class QSettings;

/**
 * One opening of a settings suite: an INI file named after the suite in the user's config directory
 * ($XDG_CONFIG_HOME). Open one afresh for every read or write; keep none. Every value is a Boolean and
 * an absent key reads false. A file that cannot be read or parsed reads as all-false, with one line on
 * standard error; a write that cannot reach the disk is reported by synchronize() and never leaves a
 * half-written file, because the file is replaced atomically.
 */
class UserDefaults
{
public:
    explicit UserDefaults(const QString &suiteName = SettingsSuite);
    ~UserDefaults();
    UserDefaults(const UserDefaults &) = delete;
    UserDefaults &operator=(const UserDefaults &) = delete;

    /// Where the suite @p suiteName lives on disk.
    static QString filePath(const QString &suiteName = SettingsSuite);

    bool boolForKey(const QString &key) const;
    void setBool(bool value, const QString &key);

    /// Writes pending changes through. Returns false, with one line on standard error, when it could not.
    bool synchronize();

    bool hideMenu() const { return boolForKey(SettingsKeys::HideMenu); }
    bool showHudOnConnection() const { return boolForKey(SettingsKeys::ShowHudOnConnection); }
    bool settingsButton() const { return boolForKey(SettingsKeys::SettingsButton); }
    bool connectButton() const { return boolForKey(SettingsKeys::ConnectButton); }

private:
    bool isIntact() const;

    QString m_path;
    std::unique_ptr<QSettings> m_settings;
    bool m_readable = true;
};
