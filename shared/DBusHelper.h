// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>

/// The one place that hands out bus connections. Tests point DBUS_SESSION_BUS_ADDRESS and
/// DBUS_SYSTEM_BUS_ADDRESS at private buses; nothing else needs to know.
namespace DBusHelper
{
QDBusConnection sessionBus();
QDBusConnection systemBus();
/// A session bus connection of its own under @p name, with its own unique name; it ends, and that name
/// with it, at QDBusConnection::disconnectFromBus(@p name).
QDBusConnection openSessionBus(const QString &name);
} // namespace DBusHelper
