// SPDX-License-Identifier: GPL-3.0-or-later
#include "DevicesObject.h"

#include "DBusNames.h"
#include "Logging.h"
#include "bluetooth/BluetoothService.h"
#include "bluetooth/PairList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace
{
QString sourceName(BatteryOrigin origin)
{
    switch (origin) {
    case BatteryOrigin::Accessory:
        return QStringLiteral("accessory");
    case BatteryOrigin::ProvenAdvertisement:
        return QStringLiteral("proven-advertisement");
    case BatteryOrigin::Advertisement:
        return QStringLiteral("advertisement");
    case BatteryOrigin::Battery1:
        return QStringLiteral("battery1");
    case BatteryOrigin::None:
        break;
    }
    return QStringLiteral("none");
}
} // namespace

DevicesObject::DevicesObject(PairList *pairs, const QDBusConnection &sessionBus, QObject *parent)
    : QObject(parent)
    , m_pairs(pairs)
    , m_bus(sessionBus)
{
    m_last = devicesJson();
    m_registered = m_bus.registerObject(DBusNames::DevicesPath, DBusNames::DevicesInterface, this,
                                        QDBusConnection::ExportScriptableSlots
                                            | QDBusConnection::ExportScriptableSignals);
    if (m_bus.isConnected() && !m_registered) {
        qCWarning(lcDevices) << "Cannot export" << DBusNames::DevicesPath << "on the session bus";
    }
    connect(m_pairs, &PairList::changed, this, &DevicesObject::update);
}

DevicesObject::~DevicesObject()
{
    if (m_registered) {
        m_bus.unregisterObject(DBusNames::DevicesPath);
    }
}

QString DevicesObject::devicesJson() const
{
    const auto level = [](const BatteryLevel &level) {
        return QJsonObject{{QStringLiteral("percent"), level.percent}, {QStringLiteral("charging"), level.charging}};
    };
    QJsonArray devices;
    for (const Pair &pair : m_pairs->pairs()) {
        const BluetoothDevice &device = pair.device;
        const BatteryState &state = pair.battery;
        QJsonObject entry{{QStringLiteral("path"), device.path},
                          {QStringLiteral("address"), device.address},
                          {QStringLiteral("name"), device.name},
                          {QStringLiteral("connected"), device.connected},
                          {QStringLiteral("source"), sourceName(state.origin)}};
        for (const auto &[key, value] : {std::pair{QStringLiteral("left"), state.left},
                                         std::pair{QStringLiteral("right"), state.right},
                                         std::pair{QStringLiteral("case"), state.caseBattery},
                                         std::pair{QStringLiteral("single"), state.single}}) {
            if (value) {
                entry.insert(key, level(*value));
            }
        }
        if (state.leftInEar) {
            entry.insert(QStringLiteral("leftInEar"), *state.leftInEar);
        }
        if (state.rightInEar) {
            entry.insert(QStringLiteral("rightInEar"), *state.rightInEar);
        }
        devices.append(entry);
    }
    return QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("devices"), devices}}).toJson(QJsonDocument::Compact));
}

QString DevicesObject::GetDevices() const
{
    return devicesJson();
}

void DevicesObject::update()
{
    QString now = devicesJson();
    if (now != m_last) {
        m_last = std::move(now);
        Q_EMIT DevicesChanged(m_last);
    }
}
