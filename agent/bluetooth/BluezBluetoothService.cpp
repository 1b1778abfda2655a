// SPDX-License-Identifier: GPL-3.0-or-later
#include "BluezBluetoothService.h"

#include "BluezDiscovery.h"
#include "BluezValues.h"
#include "DBusNames.h"
#include "Logging.h"
#include "battery/AdvertisementMatch.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace
{
// A connection attempt is the radio's matter; leave it far more time than a page timeout takes.
constexpr int ConnectTimeoutMs = 60 * 1000;

const QString RssiProperty = QStringLiteral("RSSI");
const QString ManufacturerDataProperty = QStringLiteral("ManufacturerData");

// Device1 properties that bluetoothd refreshes with each advertisement it hears.
bool isAdvertisementOnly(const QVariantMap &changed)
{
    static const QStringList advertisementProperties = {
        QStringLiteral("RSSI"),
        QStringLiteral("TxPower"),
        QStringLiteral("ManufacturerData"),
        QStringLiteral("ServiceData"),
        QStringLiteral("AdvertisingFlags"),
        QStringLiteral("AdvertisingData"),
    };
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        if (!advertisementProperties.contains(it.key())) {
            return false;
        }
    }
    return !changed.isEmpty();
}

} // namespace

BluezBluetoothService::BluezBluetoothService(const QDBusConnection &systemBus, QObject *parent)
    : BluetoothService(parent)
    , m_bus(systemBus)
    , m_discovery(new BluezDiscovery(systemBus, this))
{
    qDBusRegisterMetaType<InterfaceMap>();
    qDBusRegisterMetaType<ManagedObjectMap>();
    connect(this, &BluezBluetoothService::adaptersChanged, this, [this] {
        // An adapter switched on or came back may now accept what it refused.
        m_discovery->retry();
        updateDiscovery();
    });

    if (!m_bus.isConnected()) {
        reportUnavailable(QStringLiteral("There is no system bus, so Bluetooth cannot be reached; no AirPods can be shown"));
        return;
    }

    m_watcher = new QDBusServiceWatcher(DBusNames::BluezService,
                                        m_bus,
                                        QDBusServiceWatcher::WatchForRegistration
                                            | QDBusServiceWatcher::WatchForUnregistration,
                                        this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        qCInfo(lcBluez) << "BlueZ appeared on the system bus";
        clear();
        load();
    });
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        qCWarning(lcBluez) << "BlueZ left the system bus; no AirPods can be shown until it is back";
        m_lastReportedProblem = QStringLiteral("left");
        const bool hadDevices = !m_objects.isEmpty();
        clear();
        if (m_available) {
            m_available = false;
            Q_EMIT availableChanged(false);
        }
        updateAllBatteries();
        if (hadDevices) {
            Q_EMIT devicesChanged();
        }
    });

    // clang-format off
    m_bus.connect(DBusNames::BluezService, QStringLiteral("/"), DBusNames::ObjectManagerInterface,
                  QStringLiteral("InterfacesAdded"), this, SLOT(onInterfacesAdded(QDBusMessage)));
    m_bus.connect(DBusNames::BluezService, QStringLiteral("/"), DBusNames::ObjectManagerInterface,
                  QStringLiteral("InterfacesRemoved"), this, SLOT(onInterfacesRemoved(QDBusMessage)));
    m_bus.connect(DBusNames::BluezService, QString(), DBusNames::PropertiesInterface,
                  QStringLiteral("PropertiesChanged"), {DBusNames::BluezDeviceInterface}, QString(),
                  this, SLOT(onPropertiesChanged(QDBusMessage)));
    m_bus.connect(DBusNames::BluezService, QString(), DBusNames::PropertiesInterface,
                  QStringLiteral("PropertiesChanged"), {DBusNames::BluezBatteryInterface}, QString(),
                  this, SLOT(onBatteryPropertiesChanged(QDBusMessage)));
    m_bus.connect(DBusNames::BluezService, QString(), DBusNames::PropertiesInterface,
                  QStringLiteral("PropertiesChanged"), {DBusNames::BluezAdapterInterface}, QString(),
                  this, SLOT(onAdapterPropertiesChanged(QDBusMessage)));
    // clang-format on

    load();
}

BluezBluetoothService::~BluezBluetoothService() = default;

void BluezBluetoothService::load()
{
    const quint64 generation = ++m_generation;
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::BluezService,
                                                          QStringLiteral("/"),
                                                          DBusNames::ObjectManagerInterface,
                                                          QStringLiteral("GetManagedObjects"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (generation != m_generation) {
            return;
        }
        const QDBusPendingReply<ManagedObjectMap> reply = *call;
        if (reply.isError()) {
            if (reply.error().type() == QDBusError::ServiceUnknown) {
                reportUnavailable(QStringLiteral("BlueZ (org.bluez) is not running on the system bus; no AirPods can be shown until it starts"));
            } else {
                reportUnavailable(QStringLiteral("Cannot read the Bluetooth devices from BlueZ: %1").arg(reply.error().message()));
            }
            return;
        }
        const ManagedObjectMap objects = reply.value();
        // Signals that arrived before the reply are already in the cache; the reply is the fuller picture.
        for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
            InterfaceMap &cached = m_objects[it.key().path()];
            for (auto iface = it.value().cbegin(); iface != it.value().cend(); ++iface) {
                cached.insert(iface.key(), iface.value());
            }
        }
        m_lastReportedProblem.clear();
        m_available = true;
        qCDebug(lcBluez) << "Loaded" << objects.size() << "BlueZ objects";
        Q_EMIT availableChanged(true);
        Q_EMIT adaptersChanged();
        for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it) {
            if (it->contains(DBusNames::BluezDeviceInterface)) {
                updateBattery(it.key());
            }
        }
        Q_EMIT devicesChanged();
    });
}

void BluezBluetoothService::clear()
{
    ++m_generation;
    m_objects.clear();
    // A daemon that left took our discovery session with it; one that came is a new one.
    m_discovery->forget();
}

void BluezBluetoothService::reportUnavailable(const QString &reason)
{
    if (m_lastReportedProblem != reason) {
        m_lastReportedProblem = reason;
        qCWarning(lcBluez).noquote() << reason;
    }
}

bool BluezBluetoothService::isConnectedInCache(const QString &path) const
{
    const auto object = m_objects.constFind(path);
    if (object == m_objects.cend()) {
        return false;
    }
    return object->value(DBusNames::BluezDeviceInterface).value(QStringLiteral("Connected")).toBool();
}

void BluezBluetoothService::onInterfacesAdded(const QDBusMessage &message)
{
    const QVariantList args = message.arguments();
    if (args.size() != 2) {
        return;
    }
    const QString path = BluezValues::as<QDBusObjectPath>(args.at(0)).path();
    const InterfaceMap interfaces = BluezValues::as<InterfaceMap>(args.at(1));
    if (path.isEmpty() || interfaces.isEmpty()) {
        return;
    }
    const bool wasConnected = isConnectedInCache(path);
    InterfaceMap &cached = m_objects[path];
    for (auto it = interfaces.cbegin(); it != interfaces.cend(); ++it) {
        cached.insert(it.key(), it.value());
    }
    if (interfaces.contains(DBusNames::BluezAdapterInterface)) {
        Q_EMIT adaptersChanged();
    }
    if (const auto properties = interfaces.constFind(DBusNames::BluezDeviceInterface); properties != interfaces.cend()) {
        reportAdvertisement(path, *properties);
    }
    if (interfaces.contains(DBusNames::BluezDeviceInterface) || interfaces.contains(DBusNames::BluezBatteryInterface)) {
        updateBattery(path);
    }
    Q_EMIT devicesChanged();
    if (isConnectedInCache(path) != wasConnected) {
        Q_EMIT deviceConnectionChanged(device(path));
    }
}

void BluezBluetoothService::onInterfacesRemoved(const QDBusMessage &message)
{
    const QVariantList args = message.arguments();
    if (args.size() != 2) {
        return;
    }
    const QString path = BluezValues::as<QDBusObjectPath>(args.at(0)).path();
    const QStringList interfaces = BluezValues::as<QStringList>(args.at(1));
    const auto object = m_objects.find(path);
    if (object == m_objects.end()) {
        return;
    }
    const bool wasConnected = isConnectedInCache(path);
    BluetoothDevice last = device(path);
    for (const QString &interface : interfaces) {
        object->remove(interface);
    }
    if (object->isEmpty()) {
        m_objects.erase(object);
    }
    if (interfaces.contains(DBusNames::BluezAdapterInterface)) {
        Q_EMIT adaptersChanged();
    }
    if (interfaces.contains(DBusNames::BluezDeviceInterface) || interfaces.contains(DBusNames::BluezBatteryInterface)) {
        updateBattery(path);
    }
    if (interfaces.contains(DBusNames::BluezDeviceInterface) && !last.path.isEmpty()) {
        Q_EMIT deviceRemoved(last);
    }
    Q_EMIT devicesChanged();
    if (wasConnected && !isConnectedInCache(path)) {
        last.connected = false;
        Q_EMIT deviceConnectionChanged(last);
    }
}

bool BluezBluetoothService::storeChangedProperties(const QDBusMessage &message,
                                                   const QString &interface,
                                                   QVariantMap *changed,
                                                   bool *invalidated)
{
    const QVariantList args = message.arguments();
    if (args.size() < 2 || args.at(0).toString() != interface) {
        return false;
    }
    const auto object = m_objects.find(message.path());
    // Properties of an object we never heard of (its InterfacesAdded may still be on its way) are
    // not enough to describe it; the object's own announcement will bring everything.
    if (object == m_objects.end() || !object->contains(interface)) {
        return false;
    }
    const QVariantMap values = BluezValues::as<QVariantMap>(args.at(1));
    const QStringList gone = args.size() > 2 ? BluezValues::as<QStringList>(args.at(2)) : QStringList();
    QVariantMap &properties = (*object)[interface];
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        properties.insert(it.key(), it.value());
    }
    for (const QString &name : gone) {
        properties.remove(name);
    }
    if (changed) {
        *changed = values;
    }
    if (invalidated) {
        *invalidated = !gone.isEmpty();
    }
    return true;
}

void BluezBluetoothService::onPropertiesChanged(const QDBusMessage &message)
{
    const QString path = message.path();
    const bool wasConnected = isConnectedInCache(path);
    const BluetoothDevice before = device(path);
    QVariantMap changed;
    bool invalidated = false;
    if (!storeChangedProperties(message, DBusNames::BluezDeviceInterface, &changed, &invalidated)) {
        return;
    }
    reportAdvertisement(path, changed);
    if (!invalidated && isAdvertisementOnly(changed)) {
        // While LE discovery runs every advertisement heard lands here; nothing shown depends on these but the
        // battery sources, which hear them through advertisementHeard().
        return;
    }
    // Connected, Modalias or Class can change which source knows this device.
    updateBattery(path);
    Q_EMIT devicesChanged();
    if (isConnectedInCache(path) != wasConnected) {
        Q_EMIT deviceConnectionChanged(device(path));
    }
    if (before.paired && changed.contains(QStringLiteral("Paired")) && !device(path).paired) {
        Q_EMIT deviceRemoved(before); // unpaired: forgotten as if removed
    }
}

void BluezBluetoothService::onBatteryPropertiesChanged(const QDBusMessage &message)
{
    if (storeChangedProperties(message, DBusNames::BluezBatteryInterface)) {
        updateBattery(message.path());
    }
}

void BluezBluetoothService::onAdapterPropertiesChanged(const QDBusMessage &message)
{
    if (storeChangedProperties(message, DBusNames::BluezAdapterInterface)) {
        Q_EMIT adaptersChanged();
    }
}

void BluezBluetoothService::reportAdvertisement(const QString &path, const QVariantMap &properties)
{
    const auto data = properties.constFind(ManufacturerDataProperty);
    if (data == properties.cend() && !properties.contains(RssiProperty)) {
        return;
    }
    BluetoothAdvertisement advertisement;
    advertisement.advertiser = path;
    if (data != properties.cend()) {
        advertisement.manufacturerData = BluezValues::manufacturerData(*data);
    }
    advertisement.rssi = rssi(path);
    Q_EMIT advertisementHeard(advertisement);
}

void BluezBluetoothService::discoverNear(const QObject *caller, const QStringList &devices)
{
    if (devices.isEmpty()) {
        m_discoverNear.remove(caller);
    } else {
        m_discoverNear.insert(caller, devices);
    }
    updateDiscovery();
}

void BluezBluetoothService::updateDiscovery()
{
    const QStringList known = adapters();
    QStringList wanted;
    for (const QStringList &devices : std::as_const(m_discoverNear)) {
        for (const QString &path : devices) {
            const QString adapter = path.section(QLatin1Char('/'), 0, -2);
            if (known.contains(adapter) && !wanted.contains(adapter)) {
                wanted.append(adapter);
            }
        }
    }
    m_discovery->setWantedAdapters(wanted);
}

BluetoothDevice BluezBluetoothService::deviceFromProperties(const QString &path, const QVariantMap &properties) const
{
    BluetoothDevice device;
    device.path = path;
    device.address = properties.value(QStringLiteral("Address")).toString();
    device.name = properties.value(QStringLiteral("Alias")).toString();
    if (device.name.isEmpty()) {
        device.name = properties.value(QStringLiteral("Name")).toString();
    }
    if (device.name.isEmpty()) {
        device.name = device.address;
    }
    // A Low Energy only device has no class at all; it reads 0, which is no AirPods.
    device.classOfDevice = properties.value(QStringLiteral("Class")).toUInt();
    device.paired = properties.value(QStringLiteral("Paired")).toBool();
    device.connected = properties.value(QStringLiteral("Connected")).toBool();
    device.modalias = properties.value(QStringLiteral("Modalias")).toString();
    const QString adapter = BluezValues::as<QDBusObjectPath>(properties.value(QStringLiteral("Adapter"))).path();
    device.adapterAddress = m_objects.value(adapter).value(DBusNames::BluezAdapterInterface)
                                .value(QStringLiteral("Address")).toString();
    const std::optional<quint16> product = AdvertisementMatch::appleProductId(device.modalias);
    device.model = product ? AirpodsModels::byProductId(*product) : nullptr;
    if (!device.model) {
        device.model = learnedModel(path);
    }
    return device;
}

QList<BluetoothDevice> BluezBluetoothService::allDevices() const
{
    QList<BluetoothDevice> devices;
    for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it) {
        const auto properties = it.value().constFind(DBusNames::BluezDeviceInterface);
        if (properties != it.value().cend()) {
            devices.append(deviceFromProperties(it.key(), *properties));
        }
    }
    return devices;
}

QList<BluetoothDevice> BluezBluetoothService::pairedDevices() const
{
    QList<BluetoothDevice> devices = allDevices();
    devices.removeIf([](const BluetoothDevice &device) { return !device.paired; });
    return devices;
}

BluetoothDevice BluezBluetoothService::device(const QString &path) const
{
    const auto object = m_objects.constFind(path);
    if (object == m_objects.cend() || !object->contains(DBusNames::BluezDeviceInterface)) {
        return {};
    }
    return deviceFromProperties(path, object->value(DBusNames::BluezDeviceInterface));
}

std::optional<qint16> BluezBluetoothService::rssi(const QString &path) const
{
    const auto object = m_objects.constFind(path);
    if (object == m_objects.cend()) {
        return std::nullopt;
    }
    const QVariant value = object->value(DBusNames::BluezDeviceInterface).value(QStringLiteral("RSSI"));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return static_cast<qint16>(value.toInt());
}

std::optional<int> BluezBluetoothService::batteryPercentage(const QString &path) const
{
    const auto object = m_objects.constFind(path);
    if (object == m_objects.cend() || !object->contains(DBusNames::BluezBatteryInterface)) {
        return std::nullopt;
    }
    const QVariantMap battery = object->value(DBusNames::BluezBatteryInterface);
    // What we provide ourselves would otherwise come back as BlueZ's reading, and outlive our own.
    if (battery.value(QStringLiteral("Source")).toString() == DBusNames::BatteryProviderSource) {
        return std::nullopt;
    }
    const QVariant value = battery.value(QStringLiteral("Percentage"));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toInt();
}

std::optional<BatteryState> BluezBluetoothService::ownBattery(const QString &path) const
{
    const std::optional<int> percentage = batteryPercentage(path);
    if (!percentage || *percentage < 0 || *percentage > 100) {
        return std::nullopt;
    }
    BatteryState state;
    state.single = BatteryLevel{*percentage, false};
    state.origin = BatteryOrigin::Battery1;
    return state;
}

QStringList BluezBluetoothService::adapters() const
{
    QStringList result;
    for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it) {
        if (it.value().contains(DBusNames::BluezAdapterInterface)) {
            result.append(it.key());
        }
    }
    return result;
}

bool BluezBluetoothService::hasInterface(const QString &path, const QString &interface) const
{
    const auto object = m_objects.constFind(path);
    return object != m_objects.cend() && object->contains(interface);
}

int BluezBluetoothService::connectStatusForError(const QString &errorName, const QString &errorMessage)
{
    Q_UNUSED(errorName)
    if (errorMessage.contains(QLatin1String("Page Timeout"), Qt::CaseInsensitive)
        || errorMessage.contains(QLatin1String("page-timeout"), Qt::CaseInsensitive)) {
        return PendingConnect::PageTimeout;
    }
    return PendingConnect::Failed;
}

PendingConnect *BluezBluetoothService::connectDevice(const QString &path)
{
    auto *pending = new PendingConnect(this);
    if (!m_available || path.isEmpty()) {
        qCWarning(lcBluez) << "Cannot connect" << path << "- BlueZ is not available";
        pending->finish(PendingConnect::Failed);
        return pending;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::BluezService,
                                                          path,
                                                          DBusNames::BluezDeviceInterface,
                                                          QStringLiteral("Connect"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, ConnectTimeoutMs), pending);
    connect(watcher, &QDBusPendingCallWatcher::finished, pending, [pending, path](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<> reply = *call;
        if (!reply.isError()) {
            pending->finish(PendingConnect::Success);
            return;
        }
        qCWarning(lcBluez) << "Connect" << path << "failed:" << reply.error().name() << reply.error().message();
        pending->finish(connectStatusForError(reply.error().name(), reply.error().message()));
    });
    return pending;
}

void BluezBluetoothService::disconnectDevice(const QString &path)
{
    if (!m_available || path.isEmpty()) {
        qCWarning(lcBluez) << "Cannot disconnect" << path << "- BlueZ is not available";
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::BluezService,
                                                          path,
                                                          DBusNames::BluezDeviceInterface,
                                                          QStringLiteral("Disconnect"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [path](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (call->isError()) {
            qCWarning(lcBluez) << "Disconnect" << path << "failed:" << call->error().message();
        }
    });
}

bool BluezBluetoothService::isAvailable() const
{
    return m_available;
}
