// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// Every D-Bus service, path, interface and member name the programs use, in one place.
namespace DBusNames
{
// Our own programs: the names they own on the session bus.
inline const QString AgentService = QStringLiteral("com.vostel.Earlume");
inline const QString SettingsService = QStringLiteral("com.vostel.Earlume.Settings");

// The broadcast channel that carries the notifications between the programs.
inline const QString ChannelPath = QStringLiteral("/com/vostel/Earlume/DistributedNotificationCenter");
inline const QString ChannelInterface = QStringLiteral("com.vostel.Earlume.DistributedNotificationCenter");
inline const QString ChannelMember = QStringLiteral("Post");

// The settings program's own object, through which a second instance hands over to the first.
inline const QString SettingsPath = QStringLiteral("/com/vostel/Earlume/Settings");
inline const QString SettingsInterface = QStringLiteral("com.vostel.Earlume.Settings");
inline const QString SettingsRaiseMember = QStringLiteral("Raise");

// The bus daemon.
inline const QString DBusService = QStringLiteral("org.freedesktop.DBus");
inline const QString DBusPath = QStringLiteral("/org/freedesktop/DBus");
inline const QString DBusInterface = QStringLiteral("org.freedesktop.DBus");
inline const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
inline const QString ObjectManagerInterface = QStringLiteral("org.freedesktop.DBus.ObjectManager");

// BlueZ, on the system bus.
inline const QString BluezService = QStringLiteral("org.bluez");
inline const QString BluezAdapterInterface = QStringLiteral("org.bluez.Adapter1");
inline const QString BluezDeviceInterface = QStringLiteral("org.bluez.Device1");
inline const QString BluezBatteryInterface = QStringLiteral("org.bluez.Battery1");

// The desktop portal's appearance setting, on the session bus.
inline const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString PortalSettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
inline const QString AppearanceNamespace = QStringLiteral("org.freedesktop.appearance");
inline const QString ColorSchemeKey = QStringLiteral("color-scheme");

// The tray: the desktop's StatusNotifierWatcher, our item and the menu it exports, on the session bus.
inline const QString StatusNotifierWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
inline const QString StatusNotifierWatcherPath = QStringLiteral("/StatusNotifierWatcher");
inline const QString StatusNotifierWatcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
inline const QString StatusNotifierRegisterMember = QStringLiteral("RegisterStatusNotifierItem");
inline const QString StatusNotifierItemPath = QStringLiteral("/StatusNotifierItem");
inline const QString StatusNotifierItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
inline const QString DBusMenuPath = QStringLiteral("/MenuBar");
inline const QString DBusMenuInterface = QStringLiteral("com.canonical.dbusmenu");

// Media players (MPRIS), on the session bus: each owns a name under the prefix and serves the one object.
inline const QString MprisServicePrefix = QStringLiteral("org.mpris.MediaPlayer2.");
inline const QString MprisPath = QStringLiteral("/org/mpris/MediaPlayer2");
inline const QString MprisPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
// Desktop notifications, on the session bus.
inline const QString NotificationsService = QStringLiteral("org.freedesktop.Notifications");
inline const QString NotificationsPath = QStringLiteral("/org/freedesktop/Notifications");
inline const QString NotificationsInterface = QStringLiteral("org.freedesktop.Notifications");

// BlueZ's battery providers: the manager on each adapter, and the objects a provider exports.
inline const QString BluezBatteryProviderManagerInterface = QStringLiteral("org.bluez.BatteryProviderManager1");
inline const QString BluezBatteryProviderInterface = QStringLiteral("org.bluez.BatteryProvider1");
/// The Source of our provider's batteries, which BlueZ copies into the Battery1 it makes of them.
inline const QString BatteryProviderSource = QStringLiteral("Earlume");
/// Where the agent's provider lives on the system bus: one object manager per adapter below it.
inline const QString BatteryProviderPath = QStringLiteral("/com/vostel/Earlume/BatteryProvider");

// The agent's AirPods and their readings, for other programs (earlume-status), on the session bus.
inline const QString DevicesPath = QStringLiteral("/com/vostel/Earlume/Devices");
inline const QString DevicesInterface = QStringLiteral("com.vostel.Earlume.Devices1");
inline const QString DevicesGetMember = QStringLiteral("GetDevices");
inline const QString DevicesChangedMember = QStringLiteral("DevicesChanged");

// Whether the agent has a tray host to show its icon, for the settings program, on the session bus.
inline const QString TrayPath = QStringLiteral("/com/vostel/Earlume/Tray");
inline const QString TrayInterface = QStringLiteral("com.vostel.Earlume.Tray1");
inline const QString TrayHasHostMember = QStringLiteral("HasTrayHost");
inline const QString TrayHostChangedMember = QStringLiteral("TrayHostChanged");
} // namespace DBusNames
