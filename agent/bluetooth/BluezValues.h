// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QMap>
#include <QVariant>

/// Reading BlueZ's property values as they arrive from QtDBus, often still wrapped in a QDBusArgument.
namespace BluezValues
{
/// A value of type T, whether it arrived demarshalled or as a QDBusArgument.
template<typename T>
T as(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>()) {
        return qdbus_cast<T>(value.value<QDBusArgument>());
    }
    return value.value<T>();
}

/// Device1.ManufacturerData (a{qv}, each v an ay): company id to bytes. Anything else gives an empty map.
QMap<quint16, QByteArray> manufacturerData(const QVariant &value);
} // namespace BluezValues
