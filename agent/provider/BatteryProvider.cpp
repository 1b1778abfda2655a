// SPDX-License-Identifier: GPL-3.0-or-later
#include "BatteryProvider.h"

#include "bluetooth/ReadingTrust.h"

#include "DBusNames.h"
#include "Logging.h"
#include "bluetooth/BluezBluetoothService.h"
#include "bluetooth/PairList.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <algorithm>

namespace
{
const QString Device = QStringLiteral("Device");
const QString Percentage = QStringLiteral("Percentage");
const QString Source = QStringLiteral("Source");

// The lower bud's level: what runs out first. None without a bud's reading, or for a reading that may not reach the
// system (BlueZ's own, or an advertisement that may be a stranger's).
std::optional<int> providedPercentage(const BatteryState &state)
{
    if (!ReadingTrust::mayUse(state.origin, ReadingTrust::Use::System)) {
        return std::nullopt;
    }
    const std::optional<BatteryLevel> left = state.leftBud();
    const std::optional<BatteryLevel> right = state.rightBud();
    if (left && right) {
        return std::min(left->percent, right->percent);
    }
    if (left || right) {
        return left ? left->percent : right->percent;
    }
    return std::nullopt;
}
} // namespace

BatteryProvider::BatteryProvider(BluezBluetoothService *bluez,
                                 PairList *pairs,
                                 const QDBusConnection &systemBus,
                                 QObject *parent)
    : QDBusVirtualObject(parent)
    , m_bluez(bluez)
    , m_pairs(pairs)
    , m_bus(systemBus)
{
    m_exported = m_bus.registerVirtualObject(DBusNames::BatteryProviderPath, this, QDBusConnection::SubPath);
    if (!m_bus.isConnected()) {
        return;
    }
    if (!m_exported) {
        qCWarning(lcProvider) << "Cannot export the battery provider at" << DBusNames::BatteryProviderPath;
        return;
    }
    connect(m_pairs, &PairList::changed, this, &BatteryProvider::refresh);
    connect(m_bluez, &BluezBluetoothService::adaptersChanged, this, &BatteryProvider::updateRegistrations);
    connect(m_bluez, &BluetoothService::availableChanged, this, [this](bool available) {
        // A daemon that left forgot us; a new one has to be told again.
        if (!available) {
            m_registered.clear();
            m_registering.clear();
        }
        updateRegistrations();
    });
    updateRegistrations();
    refresh();
}

BatteryProvider::~BatteryProvider()
{
    if (m_exported) {
        m_bus.unregisterObject(DBusNames::BatteryProviderPath, QDBusConnection::UnregisterTree);
    }
}

QString BatteryProvider::objectPath(const QString &device)
{
    // /org/bluez/hci0/dev_XX -> <provider>/hci0/dev_XX
    return DBusNames::BatteryProviderPath + QLatin1Char('/') + device.section(QLatin1Char('/'), 3);
}

QString BatteryProvider::managerPath(const QString &adapter)
{
    return DBusNames::BatteryProviderPath + QLatin1Char('/') + adapter.section(QLatin1Char('/'), -1);
}

QVariantMap BatteryProvider::properties(const QString &device) const
{
    return {{Device, QVariant::fromValue(QDBusObjectPath(device))},
            {Percentage, QVariant::fromValue(static_cast<uchar>(m_percentages.value(device)))},
            {Source, DBusNames::BatteryProviderSource}};
}

void BatteryProvider::emitSignal(const QString &path,
                                 const QString &interface,
                                 const QString &member,
                                 const QVariantList &args)
{
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, member);
    signal.setArguments(args);
    m_bus.send(signal);
}

void BatteryProvider::refresh()
{
    QMap<QString, int> now;
    for (const Pair &pair : m_pairs->connectedPairs()) {
        if (pair.path().startsWith(QLatin1String("/org/bluez/"))) {
            if (const std::optional<int> percent = providedPercentage(pair.battery)) {
                now.insert(pair.path(), std::clamp(*percent, 0, 100));
            }
        }
    }
    const QMap<QString, int> before = std::exchange(m_percentages, now);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!now.contains(it.key())) {
            const QString manager = managerPath(it.key().section(QLatin1Char('/'), 0, 3));
            emitSignal(manager, DBusNames::ObjectManagerInterface, QStringLiteral("InterfacesRemoved"),
                       {QVariant::fromValue(QDBusObjectPath(objectPath(it.key()))),
                        QStringList{DBusNames::BluezBatteryProviderInterface}});
        }
    }
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        const auto old = before.constFind(it.key());
        if (old == before.cend()) {
            const QString manager = managerPath(it.key().section(QLatin1Char('/'), 0, 3));
            const BluezBluetoothService::InterfaceMap interfaces{
                {DBusNames::BluezBatteryProviderInterface, properties(it.key())}};
            emitSignal(manager, DBusNames::ObjectManagerInterface, QStringLiteral("InterfacesAdded"),
                       {QVariant::fromValue(QDBusObjectPath(objectPath(it.key()))), QVariant::fromValue(interfaces)});
        } else if (*old != it.value()) {
            emitSignal(objectPath(it.key()), DBusNames::PropertiesInterface, QStringLiteral("PropertiesChanged"),
                       {DBusNames::BluezBatteryProviderInterface,
                        QVariantMap{{Percentage, QVariant::fromValue(static_cast<uchar>(it.value()))}},
                        QStringList()});
        }
    }
}

void BatteryProvider::updateRegistrations()
{
    const QStringList adapters = m_bluez->adapters();
    bool offered = false;
    for (const QString &adapter : adapters) {
        if (!m_bluez->hasInterface(adapter, DBusNames::BluezBatteryProviderManagerInterface)) {
            continue;
        }
        offered = true;
        if (m_registered.contains(adapter) || m_registering.contains(adapter)) {
            continue;
        }
        m_registering.insert(adapter);
        QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::BluezService,
                                                              adapter,
                                                              DBusNames::BluezBatteryProviderManagerInterface,
                                                              QStringLiteral("RegisterBatteryProvider"));
        message << QVariant::fromValue(QDBusObjectPath(managerPath(adapter)));
        auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, adapter](QDBusPendingCallWatcher *call) {
            call->deleteLater();
            if (!m_registering.remove(adapter)) {
                return; // BlueZ left meanwhile
            }
            if (call->isError()) {
                qCWarning(lcProvider) << "RegisterBatteryProvider" << adapter << "failed:" << call->error().message();
                return;
            }
            qCDebug(lcProvider) << "Battery provider registered with" << adapter;
            m_registered.insert(adapter);
        });
    }
    // Adapters that went are forgotten, so that one coming back is registered with again.
    for (auto it = m_registered.begin(); it != m_registered.end();) {
        it = adapters.contains(*it) ? std::next(it) : m_registered.erase(it);
    }
    if (!offered && !adapters.isEmpty() && !m_reportedNoManager) {
        m_reportedNoManager = true;
        qCDebug(lcProvider) << "BlueZ offers no battery provider manager (org.bluez.BatteryProviderManager1): the "
                               "desktop's power panel will not show the AirPods' levels";
    }
}

QString BatteryProvider::introspect(const QString &path) const
{
    const QString relative = path.mid(DBusNames::BatteryProviderPath.size());
    const int depth = relative.count(QLatin1Char('/'));
    if (depth == 1) {
        QString nodes;
        for (auto it = m_percentages.cbegin(); it != m_percentages.cend(); ++it) {
            if (managerPath(it.key().section(QLatin1Char('/'), 0, 3)) == path) {
                nodes += QStringLiteral("<node name=\"%1\"/>").arg(it.key().section(QLatin1Char('/'), -1));
            }
        }
        return QStringLiteral("<interface name=\"org.freedesktop.DBus.ObjectManager\">"
                              "<method name=\"GetManagedObjects\"><arg type=\"a{oa{sa{sv}}}\" direction=\"out\"/></method>"
                              "<signal name=\"InterfacesAdded\"><arg type=\"o\"/><arg type=\"a{sa{sv}}\"/></signal>"
                              "<signal name=\"InterfacesRemoved\"><arg type=\"o\"/><arg type=\"as\"/></signal></interface>")
            + nodes;
    }
    if (depth == 2) {
        return QStringLiteral("<interface name=\"org.bluez.BatteryProvider1\"><property name=\"Device\" type=\"o\" "
                              "access=\"read\"/><property name=\"Percentage\" type=\"y\" access=\"read\"/><property "
                              "name=\"Source\" type=\"s\" access=\"read\"/></interface>");
    }
    return {};
}

bool BatteryProvider::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    const QString path = message.path();
    const QString member = message.member();
    if (message.interface() == DBusNames::ObjectManagerInterface && member == QLatin1String("GetManagedObjects")) {
        BluezBluetoothService::ManagedObjectMap objects;
        for (auto it = m_percentages.cbegin(); it != m_percentages.cend(); ++it) {
            if (managerPath(it.key().section(QLatin1Char('/'), 0, 3)) == path) {
                objects.insert(QDBusObjectPath(objectPath(it.key())),
                               {{DBusNames::BluezBatteryProviderInterface, properties(it.key())}});
            }
        }
        return connection.send(message.createReply(QVariant::fromValue(objects)));
    }
    if (message.interface() != DBusNames::PropertiesInterface) {
        return false;
    }
    const auto device = std::find_if(m_percentages.keyBegin(), m_percentages.keyEnd(), [&path](const QString &key) {
        return objectPath(key) == path;
    });
    const QVariantList args = message.arguments();
    if (device == m_percentages.keyEnd() || args.value(0).toString() != DBusNames::BluezBatteryProviderInterface) {
        return connection.send(message.createErrorReply(QDBusError::UnknownObject, QStringLiteral("No such battery")));
    }
    const QVariantMap values = properties(*device);
    if (member == QLatin1String("GetAll")) {
        return connection.send(message.createReply(values));
    }
    const QString name = args.value(1).toString();
    if (member == QLatin1String("Get") && values.contains(name)) {
        return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(values.value(name)))));
    }
    return connection.send(message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("Read-only battery")));
}
