// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BluetoothService.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QMap>
#include <QPointer>
#include <QVariantMap>

class BatterySource;
class QDBusMessage;
class QDBusServiceWatcher;

/**
 * BlueZ on the system bus. One asynchronous GetManagedObjects fills a cache when org.bluez appears;
 * InterfacesAdded, InterfacesRemoved and PropertiesChanged keep it current, and org.bluez leaving the
 * bus empties it. Every getter answers from the cache, so nothing here ever waits on the bus.
 *
 * Battery readings come from the added battery sources, in order, and otherwise from
 * org.bluez.Battery1's single Percentage, which then stands for both buds (no case reading).
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
    BatteryReadings batteryReadings(const QString &path) const override;
    PendingConnect *connectDevice(const QString &path) override;
    void disconnectDevice(const QString &path) override;
    bool isAvailable() const override;
    void refreshReadings() override;

    /// Every device object, paired or not, in object-path order (LE advertisers included).
    QList<BluetoothDevice> allDevices() const;

    /// The manufacturer data (company id to bytes) and signal strength last advertised by @p path.
    QMap<quint16, QByteArray> manufacturerData(const QString &path) const;
    std::optional<qint16> rssi(const QString &path) const;

    /// Battery1's Percentage of @p path, if the device has one.
    std::optional<int> batteryPercentage(const QString &path) const;

    /// Adds a battery source, asked before Battery1. The service does not take ownership.
    void addBatterySource(BatterySource *source);

    /// The adapters' object paths, in order.
    QStringList adapters() const;

    /// Maps a failed Connect's D-Bus error onto a connection status: 4 for a page timeout, 1 otherwise.
    static int connectStatusForError(const QString &errorName, const QString &errorMessage);

Q_SIGNALS:
    /// An adapter's properties changed or an adapter came or went.
    void adaptersChanged();

private Q_SLOTS:
    void onInterfacesAdded(const QDBusMessage &message);
    void onInterfacesRemoved(const QDBusMessage &message);
    void onPropertiesChanged(const QDBusMessage &message);

private:
    void load();
    void clear();
    void reportUnavailable(const QString &reason);
    bool isConnectedInCache(const QString &path) const;
    static BluetoothDevice deviceFromProperties(const QString &path, const QVariantMap &properties);

    QDBusConnection m_bus;
    QDBusServiceWatcher *m_watcher = nullptr;
    QMap<QString, InterfaceMap> m_objects;
    QList<QPointer<BatterySource>> m_sources;
    bool m_available = false;
    // Bumped whenever org.bluez comes or goes, so that a reply from an earlier owner is ignored.
    quint64 m_generation = 0;
    QString m_lastReportedProblem;
};

Q_DECLARE_METATYPE(BluezBluetoothService::InterfaceMap)
Q_DECLARE_METATYPE(BluezBluetoothService::ManagedObjectMap)
