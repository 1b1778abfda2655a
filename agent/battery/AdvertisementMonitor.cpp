// SPDX-License-Identifier: GPL-3.0-or-later
#include "AdvertisementMonitor.h"

#include "AdvertisementBatterySource.h"
#include "DBusNames.h"
#include "Logging.h"
#include "bluetooth/BluezBluetoothService.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>

namespace
{
// One entry of the monitor's Patterns, a(yyay): where in the AD structure's data the content starts, the AD type and
// the content.
struct MonitorPattern {
    uchar start = 0;
    uchar type = 0;
    QByteArray content;
};
using MonitorPatterns = QList<MonitorPattern>;

constexpr uchar ManufacturerSpecificData = 0xFF;
const QString MonitorName = QStringLiteral("proximity");
} // namespace

Q_DECLARE_METATYPE(MonitorPattern)

QDBusArgument &operator<<(QDBusArgument &argument, const MonitorPattern &pattern)
{
    argument.beginStructure();
    argument << pattern.start << pattern.type << pattern.content;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, MonitorPattern &pattern)
{
    argument.beginStructure();
    argument >> pattern.start >> pattern.type >> pattern.content;
    argument.endStructure();
    return argument;
}

AdvertisementMonitor::AdvertisementMonitor(BluezBluetoothService *bluez, AdvertisementBatterySource *source,
                                           const QDBusConnection &systemBus, QObject *parent)
    : QDBusVirtualObject(parent)
    , m_bluez(bluez)
    , m_source(source)
    , m_bus(systemBus)
{
    qDBusRegisterMetaType<MonitorPattern>();
    qDBusRegisterMetaType<MonitorPatterns>();
    if (!m_bus.isConnected()) {
        return;
    }
    m_exported = m_bus.registerVirtualObject(MonitorPath, this, QDBusConnection::SubPath);
    if (!m_exported) {
        qCWarning(lcBattery) << "Cannot export the advertisement monitor at" << MonitorPath;
        return;
    }
    connect(m_bluez, &BluetoothService::devicesChanged, this, &AdvertisementMonitor::update);
    connect(m_bluez, &BluezBluetoothService::adaptersChanged, this, &AdvertisementMonitor::update);
    connect(m_bluez, &BluetoothService::availableChanged, this, [this](bool available) {
        // A daemon that left forgot us; a new one has to be told again.
        if (!available) {
            m_registered.clear();
            m_active.clear();
            m_source->setNearbyHeardElsewhere(false);
        }
        update();
    });
    update();
}

AdvertisementMonitor::~AdvertisementMonitor()
{
    if (!m_exported) {
        return;
    }
    for (const QString &adapter : std::as_const(m_registered)) {
        call(adapter, QStringLiteral("UnregisterMonitor"));
    }
    m_bus.unregisterObject(MonitorPath, QDBusConnection::UnregisterTree);
}

QString AdvertisementMonitor::rootPath(const QString &adapter)
{
    return MonitorPath + QLatin1Char('/') + adapter.section(QLatin1Char('/'), -1);
}

QVariantMap AdvertisementMonitor::properties() const
{
    // Apple's company id, little-endian as it travels, and the proximity pairing message type.
    const MonitorPatterns patterns{{0, ManufacturerSpecificData, QByteArray::fromHex("4c0007")}};
    return {{QStringLiteral("Type"), QStringLiteral("or_patterns")}, {QStringLiteral("Patterns"), QVariant::fromValue(patterns)}};
}

void AdvertisementMonitor::call(const QString &adapter, const QString &method)
{
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::BluezService, adapter, ManagerInterface, method);
    message << QVariant::fromValue(QDBusObjectPath(rootPath(adapter)));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, adapter, method](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (call->isError()) {
            qCWarning(lcBattery) << method << adapter << "failed:" << call->error().message();
            if (method == QLatin1String("RegisterMonitor")) {
                m_registered.remove(adapter);
            }
        }
    });
}

void AdvertisementMonitor::update()
{
    const bool wanted = !m_source->nearbyCandidates().isEmpty();
    const QStringList adapters = m_bluez->adapters();
    bool offered = false;
    for (const QString &adapter : adapters) {
        if (!m_bluez->hasInterface(adapter, ManagerInterface)) {
            continue;
        }
        offered = true;
        if (wanted && !m_registered.contains(adapter)) {
            m_registered.insert(adapter);
            call(adapter, QStringLiteral("RegisterMonitor"));
        } else if (!wanted && m_registered.remove(adapter)) {
            m_active.remove(adapter);
            call(adapter, QStringLiteral("UnregisterMonitor"));
        }
    }
    // Adapters that went are forgotten, so that one coming back is registered with again.
    for (auto it = m_registered.begin(); it != m_registered.end();) {
        it = adapters.contains(*it) ? std::next(it) : m_registered.erase(it);
    }
    m_active.intersect(m_registered);
    m_source->setNearbyHeardElsewhere(isActive());
    if (wanted && !offered && !adapters.isEmpty() && !m_reportedMissing) {
        m_reportedMissing = true;
        qCInfo(lcBattery) << "BlueZ offers no advertisement monitor manager (org.bluez.AdvertisementMonitorManager1, "
                             "an experimental interface): pairs that are not connected here are heard only in short "
                             "discovery bursts";
    }
}

QString AdvertisementMonitor::introspect(const QString &path) const
{
    if (path.endsWith(QLatin1Char('/') + MonitorName)) {
        return QStringLiteral("<interface name=\"org.bluez.AdvertisementMonitor1\">"
                              "<method name=\"Release\"/><method name=\"Activate\"/>"
                              "<method name=\"DeviceFound\"><arg type=\"o\" direction=\"in\"/></method>"
                              "<method name=\"DeviceLost\"><arg type=\"o\" direction=\"in\"/></method>"
                              "<property name=\"Type\" type=\"s\" access=\"read\"/>"
                              "<property name=\"Patterns\" type=\"a(yyay)\" access=\"read\"/></interface>");
    }
    return QStringLiteral("<interface name=\"org.freedesktop.DBus.ObjectManager\">"
                          "<method name=\"GetManagedObjects\"><arg type=\"a{oa{sa{sv}}}\" direction=\"out\"/></method>"
                          "<signal name=\"InterfacesAdded\"><arg type=\"o\"/><arg type=\"a{sa{sv}}\"/></signal>"
                          "<signal name=\"InterfacesRemoved\"><arg type=\"o\"/><arg type=\"as\"/></signal></interface>"
                          "<node name=\"%1\"/>")
        .arg(MonitorName);
}

bool AdvertisementMonitor::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    const QString path = message.path();
    const QString member = message.member();
    const QString adapter = QStringLiteral("/org/bluez/") + path.mid(MonitorPath.size() + 1).section(QLatin1Char('/'), 0, 0);
    const QString monitor = rootPath(adapter) + QLatin1Char('/') + MonitorName;
    const auto answer = [&](const QDBusMessage &reply) { return !message.isReplyRequired() || connection.send(reply); };
    if (message.interface() == DBusNames::ObjectManagerInterface && member == QLatin1String("GetManagedObjects")) {
        BluezBluetoothService::ManagedObjectMap objects;
        if (m_registered.contains(adapter)) {
            objects.insert(QDBusObjectPath(monitor), {{MonitorInterface, properties()}});
        }
        return answer(message.createReply(QVariant::fromValue(objects)));
    }
    if (path != monitor) {
        return false;
    }
    if (message.interface() == DBusNames::PropertiesInterface) {
        const QVariantMap values = properties();
        if (member == QLatin1String("GetAll")) {
            return answer(message.createReply(values));
        }
        const QString name = message.arguments().value(1).toString();
        if (member == QLatin1String("Get") && values.contains(name)) {
            return answer(message.createReply(QVariant::fromValue(QDBusVariant(values.value(name)))));
        }
        return answer(message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("Read-only monitor")));
    }
    if (message.interface() != MonitorInterface) {
        return false;
    }
    if (member == QLatin1String("Activate") && m_registered.contains(adapter)) {
        qCInfo(lcBattery) << "Advertisement monitor active on" << adapter;
        m_active.insert(adapter);
    } else if (member == QLatin1String("Release")) {
        m_active.remove(adapter);
    }
    m_source->setNearbyHeardElsewhere(isActive());
    return answer(message.createReply());
}
