// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// The names of the notifications the two programs exchange, in their fixed order. Poster and
/// observer always take a name from here, so the two sides cannot drift apart.
struct Notifications {
    Notifications() = delete;

    static const QString MonitorEcho;
    static const QString MonitorQuit;
    static const QString ReloadSettings;
    static const QString Unping;
    static const QString Ping;
    static const QString ChangeDarkMode;
    static const QString LoginItemsListChanged;
};

/// The per-user settings suite both programs open by name.
extern const QString SettingsSuite;

/// The keys of the settings suite. An absent key reads false, except where Settings says otherwise.
struct SettingsKeys {
    SettingsKeys() = delete;

    static const QString HideMenu;
    static const QString ShowHudOnConnection;
    static const QString SettingsButton;
    static const QString ConnectButton;
    static const QString PauseMediaWhenTakenOut;
    static const QString ConnectWhenCaseOpens;
    static const QString LowBatteryWarning;
    static const QString LowBatteryThreshold;
};

/// Opening this URL starts the settings program, or brings it forward.
extern const QString SettingsURL;

/// The identifiers each program posts as the object of its notifications.
namespace BundleIdentifier
{
inline const QString Agent = QStringLiteral("com.vostel.Earlume");
inline const QString Settings = QStringLiteral("com.vostel.Earlume.Settings");
} // namespace BundleIdentifier
