// SPDX-License-Identifier: GPL-3.0-or-later
#include "AdvertisementBatterySource.h"

#include "bluetooth/BluezValues.h"

#include "DBusNames.h"
#include "Logging.h"
#include "bluetooth/BluezBluetoothService.h"
#include "bluetooth/BluezDiscovery.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <limits>

namespace
{
const QString ManufacturerDataProperty = QStringLiteral("ManufacturerData");
const QString RssiProperty = QStringLiteral("RSSI");

// The bytes Device1.ManufacturerData holds under Apple's company id, if any.
std::optional<QByteArray> appleManufacturerData(const QVariant &value)
{
    const QMap<quint16, QByteArray> data = BluezValues::manufacturerData(value);
    const auto apple = data.constFind(ProximityPairing::AppleCompanyId);
    if (apple == data.cend()) {
        return std::nullopt;
    }
    return *apple;
}

std::optional<ProximityPairing::ProximityPairingMessage> decodeAirPodsMessage(const QByteArray &bytes)
{
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                             static_cast<std::size_t>(bytes.size()));
    auto message = ProximityPairing::decodeProximityPairing(data);
    if (!message || !message->isKnownAirPodsModel()) {
        return std::nullopt;
    }
    return message;
}

QString adapterOf(const QString &devicePath)
{
    return devicePath.section(QLatin1Char('/'), 0, -2);
}
} // namespace

AdvertisementBatterySource::AdvertisementBatterySource(BluezBluetoothService *bluetooth,
                                                       const QDBusConnection &systemBus,
                                                       QObject *parent)
    : BatterySource(parent)
    , m_bluetooth(bluetooth)
    , m_bus(systemBus)
    , m_discovery(new BluezDiscovery(systemBus, this))
    , m_ageingTimer(new QTimer(this))
    , m_burstEnd(new QTimer(this))
    , m_nextBurst(new QTimer(this))
    , m_clock(&AdvertisementBatterySource::bootTime)
{
    m_ageingTimer->setSingleShot(true);
    connect(m_ageingTimer, &QTimer::timeout, this, &AdvertisementBatterySource::refreshAges);
    m_burstEnd->setSingleShot(true);
    m_burstEnd->setInterval(BurstLength);
    connect(m_burstEnd, &QTimer::timeout, this, &AdvertisementBatterySource::updateDiscovery);
    m_nextBurst->setInterval(BurstInterval);
    connect(m_nextBurst, &QTimer::timeout, this, &AdvertisementBatterySource::startBurst);

    if (m_bus.isConnected()) {
        // clang-format off
        m_bus.connect(DBusNames::BluezService, QStringLiteral("/"), DBusNames::ObjectManagerInterface,
                      QStringLiteral("InterfacesAdded"), this, SLOT(onInterfacesAdded(QDBusMessage)));
        m_bus.connect(DBusNames::BluezService, QString(), DBusNames::PropertiesInterface,
                      QStringLiteral("PropertiesChanged"), {DBusNames::BluezDeviceInterface}, QString(),
                      this, SLOT(onPropertiesChanged(QDBusMessage)));
        // clang-format on
    }

    if (!bluetooth) {
        return;
    }
    connect(bluetooth, &BluetoothService::devicesChanged, this, [this] {
        updateDiscovery();
        // The service has announced this change itself; only keep track of what the readings are now.
        reevaluate(false);
    });
    connect(bluetooth, &BluezBluetoothService::adaptersChanged, this, [this] {
        // An adapter switched on or came back may now accept what it refused.
        m_discovery->retry();
        updateDiscovery();
    });
    connect(bluetooth, &BluetoothService::availableChanged, this, [this](bool available) {
        // A daemon that left took our sessions and its devices with it; one that came is a new one.
        m_discovery->forget();
        if (!available) {
            m_advertisements.clear();
        }
        updateDiscovery();
        reevaluate(false);
    });
    updateDiscovery();
}

AdvertisementBatterySource::~AdvertisementBatterySource() = default;

std::chrono::milliseconds AdvertisementBatterySource::bootTime()
{
    // CLOCK_BOOTTIME keeps counting during suspend, so a message heard before the computer slept is old after it.
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  std::chrono::nanoseconds(now.tv_nsec));
}

void AdvertisementBatterySource::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(&AdvertisementBatterySource::bootTime);
    reevaluate(true);
}

BluezDiscovery *AdvertisementBatterySource::discovery() const
{
    return m_discovery;
}

QList<AdvertisementMatch::Advertisement> AdvertisementBatterySource::advertisements() const
{
    return m_advertisements.values();
}

std::optional<BatteryReadings> AdvertisementBatterySource::readings(const BluetoothDevice &device) const
{
    return readingsAt(device, m_clock());
}

std::optional<BatteryReadings> AdvertisementBatterySource::readingsAt(const BluetoothDevice &device,
                                                                      std::chrono::milliseconds now) const
{
    if (!device.isAirpods() || !device.connected) {
        return std::nullopt;
    }
    const auto best = AdvertisementMatch::bestMatch(m_advertisements.values(), device, now);
    if (!best) {
        return std::nullopt;
    }
    return AdvertisementMatch::readingsFrom(best->message);
}

void AdvertisementBatterySource::refreshAges()
{
    reevaluate(true);
}

void AdvertisementBatterySource::onInterfacesAdded(const QDBusMessage &message)
{
    const QVariantList args = message.arguments();
    if (args.size() != 2) {
        return;
    }
    const QString path = BluezValues::as<QDBusObjectPath>(args.at(0)).path();
    const auto interfaces = BluezValues::as<QMap<QString, QVariantMap>>(args.at(1));
    const auto device = interfaces.constFind(DBusNames::BluezDeviceInterface);
    if (path.isEmpty() || device == interfaces.cend()) {
        return;
    }
    onDeviceProperties(path, *device);
}

void AdvertisementBatterySource::onPropertiesChanged(const QDBusMessage &message)
{
    const QVariantList args = message.arguments();
    if (args.size() < 2 || args.at(0).toString() != DBusNames::BluezDeviceInterface) {
        return;
    }
    onDeviceProperties(message.path(), BluezValues::as<QVariantMap>(args.at(1)));
}

void AdvertisementBatterySource::onDeviceProperties(const QString &path, const QVariantMap &properties)
{
    const auto rssiValue = properties.constFind(RssiProperty);
    const auto dataValue = properties.constFind(ManufacturerDataProperty);
    if (rssiValue == properties.cend() && dataValue == properties.cend()) {
        return;
    }

    std::optional<qint16> rssi;
    if (rssiValue != properties.cend()) {
        rssi = static_cast<qint16>(BluezValues::as<int>(*rssiValue));
    } else if (const auto kept = m_advertisements.constFind(path); kept != m_advertisements.cend()) {
        rssi = kept->rssi;
    } else if (m_bluetooth) {
        rssi = m_bluetooth->rssi(path);
    }

    // Most of what discovery hears is no AirPods at all; only a message kept, replaced or dropped can change the
    // readings.
    bool relevant = false;
    if (dataValue != properties.cend()) {
        const auto bytes = appleManufacturerData(*dataValue);
        const auto decoded = bytes ? decodeAirPodsMessage(*bytes) : std::nullopt;
        if (decoded) {
            m_advertisements.insert(path, {path, *decoded, rssi, m_clock()});
            relevant = true;
        } else {
            // This advertiser's latest message is not an AirPods one (any more).
            relevant = m_advertisements.remove(path) > 0;
        }
    } else if (const auto entry = m_advertisements.find(path); entry != m_advertisements.end()) {
        // A new strength alone: the message it came with is the one kept, heard no later than then.
        entry->rssi = rssi;
        relevant = true;
    }
    if (relevant) {
        reevaluate(true);
    }
}

QList<BluetoothDevice> AdvertisementBatterySource::connectedAirpods() const
{
    QList<BluetoothDevice> devices;
    if (!m_bluetooth) {
        return devices;
    }
    const QList<BluetoothDevice> paired = m_bluetooth->pairedDevices();
    for (const BluetoothDevice &device : paired) {
        if (device.isAirpods() && device.connected) {
            devices.append(device);
        }
    }
    return devices;
}

void AdvertisementBatterySource::refresh()
{
    startBurst();
}

void AdvertisementBatterySource::setBurstTiming(std::chrono::milliseconds length, std::chrono::milliseconds interval)
{
    m_burstEnd->setInterval(length);
    m_nextBurst->setInterval(interval);
}

bool AdvertisementBatterySource::isBursting() const
{
    return m_burstEnd->isActive();
}

void AdvertisementBatterySource::startBurst()
{
    if (connectedAirpods().isEmpty()) {
        return;
    }
    m_burstEnd->start();
    updateDiscovery();
}

void AdvertisementBatterySource::updateDiscovery()
{
    const QList<BluetoothDevice> devices = connectedAirpods();
    QStringList connected;
    for (const BluetoothDevice &device : devices) {
        connected.append(device.path);
    }
    const bool newlyConnected = std::any_of(connected.cbegin(), connected.cend(), [this](const QString &path) {
        return !m_connectedAirpods.contains(path);
    });
    m_connectedAirpods = connected;
    if (connected.isEmpty()) {
        m_nextBurst->stop();
        m_burstEnd->stop();
    } else if (!m_nextBurst->isActive()) {
        m_nextBurst->start();
    }
    if (newlyConnected) {
        m_burstEnd->start();
    }

    QStringList adapters;
    if (m_bluetooth && isBursting()) {
        const QStringList known = m_bluetooth->adapters();
        for (const BluetoothDevice &device : devices) {
            const QString adapter = adapterOf(device.path);
            if (known.contains(adapter) && !adapters.contains(adapter)) {
                adapters.append(adapter);
            }
        }
    }
    m_discovery->setWantedAdapters(adapters);
}

void AdvertisementBatterySource::reevaluate(bool notify)
{
    const std::chrono::milliseconds now = m_clock();
    m_advertisements.removeIf([now](QMap<QString, AdvertisementMatch::Advertisement>::iterator entry) {
        return now - entry->receivedAt > AdvertisementMatch::MaximumAge;
    });

    QMap<QString, BatteryReadings> current;
    const QList<BluetoothDevice> devices = connectedAirpods();
    for (const BluetoothDevice &device : devices) {
        if (const auto readings = readingsAt(device, now)) {
            current.insert(device.path, *readings);
        }
    }
    if (current != m_reported) {
        for (auto it = current.cbegin(); it != current.cend(); ++it) {
            qCDebug(lcBattery) << "Advertised levels for" << it.key() << "left" << it->left << "right" << it->right
                               << "case" << it->caseLevel;
        }
        m_reported = current;
        if (notify) {
            Q_EMIT readingsChanged();
        }
    }

    const auto next = AdvertisementMatch::nextAgeingMoment(m_advertisements.values(), now);
    if (!next) {
        m_ageingTimer->stop();
        return;
    }
    const qint64 wait = std::min<qint64>((*next - now).count(), std::numeric_limits<int>::max());
    m_ageingTimer->start(static_cast<int>(std::max<qint64>(wait, 0)));
}
