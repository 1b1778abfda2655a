// SPDX-License-Identifier: GPL-3.0-or-later
#include "Notifications.h"

const QString Notifications::MonitorEcho = QStringLiteral("com.vostel.Earlume.monitor.echo");
const QString Notifications::MonitorQuit = QStringLiteral("com.vostel.Earlume.monitor.quit");
// "Notifiction" is how the name has always been spelled; the other program matches it exactly.
const QString Notifications::ReloadSettings = QStringLiteral("com.vostel.Earlume.settings.reloadSettingsNotifiction");
const QString Notifications::Unping = QStringLiteral("com.vostel.Earlume.monitor.echoUnping");
const QString Notifications::Ping = QStringLiteral("com.vostel.Earlume.monitor.echoPing");
const QString Notifications::ChangeDarkMode = QStringLiteral("AppleInterfaceThemeChangedNotification");
const QString Notifications::LoginItemsListChanged = QStringLiteral("com.apple.loginItemsListDidChnage");

const QString SettingsSuite = QStringLiteral("com.vostel.Earlume.settings-plist");

const QString SettingsKeys::HideMenu = QStringLiteral("Hide Menu");
const QString SettingsKeys::ShowHudOnConnection = QStringLiteral("Show Hud On Connection");
const QString SettingsKeys::SettingsButton = QStringLiteral("Settings Button");
const QString SettingsKeys::ConnectButton = QStringLiteral("Connect Button");
const QString SettingsKeys::PauseMediaWhenTakenOut = QStringLiteral("Pause Media When Taken Out");
const QString SettingsKeys::ConnectWhenCaseOpens = QStringLiteral("Connect When Case Opens");
const QString SettingsKeys::LowBatteryWarning = QStringLiteral("Low Battery Warning");
const QString SettingsKeys::LowBatteryThreshold = QStringLiteral("Low Battery Threshold");

const QString SettingsURL = QStringLiteral("x-com-vostel-earlume-settings://");
