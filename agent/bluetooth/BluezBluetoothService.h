// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BluetoothService.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QMap>
#include <QPointer>
#include <QVariantMap>

class BluezDiscovery;
class QDBusMessage;
class QDBusServiceWatcher;

/**
 * BlueZ on the system bus. One asynchronous GetManagedObjects fills a cache when org.bluez appears;
 * InterfacesAdded, InterfacesRemoved and PropertiesChanged keep it current, and org.bluez leaving the
 * bus empties it. Every getter answers from the cache, so nothing here ever waits on the bus.
 *
 * Its own battery reading is org.bluez.Battery1's single Percentage, unless that battery is the one BlueZ made
 * of our own battery provider (its Source is DBusNames::BatteryProviderSource), which is no reading of its own. It owns the Low Energy discovery
 * session (discoverNear()) and passes on what advertisers send as advertisementHeard().
 *
 * Each PropertiesChanged subscription names its interface (arg0), so the bus delivers only those of
 * Device1, Battery1 and Adapter1.
 */
class BluezBluetoothService : public BluetoothService
{
    Q_OBJECT

public:
    using InterfaceMap = QMap<QString, QVariantMap>;
    using ManagedObjectMap = QMap<QDBusObjectPath, InterfaceMap>;

    explicit BluezBluetoothService(const QDBusConnection &systemBus, QObject *parent = nullptr);
    ~BluezBluetoothService() override;

    QList<BluetoothDevice> pairedDevices() const override;
    BluetoothDevice device(const QString &path) const override;
    PendingConnect *connectDevice(const QString &path) override;
    void disconnectDevice(const QString &path) override;
    bool isAvailable() const override;
    void discoverNear(const QObject *caller, const QStringList &devices) override;

    /// Every device object, paired or not, in object-path order (LE advertisers included).
    QList<BluetoothDevice> allDevices() const;

    /// The signal strength @p path was last heard with.
    std::optional<qint16> rssi(const QString &path) const;

    /// Battery1's Percentage of @p path, if the device has one.
    std::optional<int> batteryPercentage(const QString &path) const;

    /// The adapters' object paths, in order.
    QStringList adapters() const;
    bool hasAdapter(const QString &adapterPath) const override { return adapters().contains(adapterPath); }

    /// Whether the object at @p path has @p interface.
    bool hasInterface(const QString &path, const QString &interface) const;

    BluezDiscovery *discovery() const { return m_discovery; }

    /// Maps a failed Connect's D-Bus error onto a connection status: 4 for a page timeout, 1 otherwise.
    static int connectStatusForError(const QString &errorName, const QString &errorMessage);

Q_SIGNALS:
    /// An adapter's properties changed or an adapter came or went.
    void adaptersChanged();

protected:
    std::optional<BatteryState> ownBattery(const QString &path) const override;

private Q_SLOTS:
    void onInterfacesAdded(const QDBusMessage &message);
    void onInterfacesRemoved(const QDBusMessage &message);
    void onPropertiesChanged(const QDBusMessage &message);
    void onBatteryPropertiesChanged(const QDBusMessage &message);
    void onAdapterPropertiesChanged(const QDBusMessage &message);

private:
    void load();
    void clear();
    void reportUnavailable(const QString &reason);
    bool isConnectedInCache(const QString &path) const;
    /// Stores a PropertiesChanged of @p interface; false when the object or interface is not known.
    bool storeChangedProperties(const QDBusMessage &message,
                                const QString &interface,
                                QVariantMap *changed = nullptr,
                                bool *invalidated = nullptr);
    void reportAdvertisement(const QString &path, const QVariantMap &properties);
    void updateDiscovery();
    BluetoothDevice deviceFromProperties(const QString &path, const QVariantMap &properties) const;

    QDBusConnection m_bus;
    QDBusServiceWatcher *m_watcher = nullptr;
    QMap<QString, InterfaceMap> m_objects;
    BluezDiscovery *m_discovery = nullptr;
    QHash<const QObject *, QStringList> m_discoverNear;
    bool m_available = false;
    // Bumped whenever org.bluez comes or goes, so that a reply from an earlier owner is ignored.
    quint64 m_generation = 0;
    QString m_lastReportedProblem;
};

Q_DECLARE_METATYPE(BluezBluetoothService::InterfaceMap)
Q_DECLARE_METATYPE(BluezBluetoothService::ManagedObjectMap)
