// SPDX-License-Identifier: GPL-3.0-or-later
#include "BluezValues.h"

#include <QDBusVariant>

namespace BluezValues
{
QMap<quint16, QByteArray> manufacturerData(const QVariant &value)
{
    QMap<quint16, QByteArray> result;
    if (!value.canConvert<QDBusArgument>()) {
        return result;
    }
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::MapType) {
        return result;
    }
    argument.beginMap();
    while (!argument.atEnd()) {
        quint16 company = 0;
        QDBusVariant data;
        argument.beginMapEntry();
        argument >> company >> data;
        argument.endMapEntry();
        QVariant bytes = data.variant();
        if (bytes.canConvert<QDBusArgument>()) {
            bytes = QVariant(qdbus_cast<QByteArray>(bytes.value<QDBusArgument>()));
        }
        if (bytes.typeId() == QMetaType::QByteArray) {
            result.insert(company, bytes.toByteArray());
        }
    }
    argument.endMap();
    return result;
}
} // namespace BluezValues
