// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusHelper.h"

namespace DBusHelper
{
QDBusConnection sessionBus()
{
    return QDBusConnection::sessionBus();
}

QDBusConnection systemBus()
{
    return QDBusConnection::systemBus();
}

QDBusConnection openSessionBus(const QString &name)
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
}
} // namespace DBusHelper
