// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QSet>

class AdvertisementBatterySource;
class BluezBluetoothService;

/**
 * Passive listening for the proximity pairing messages of our pairs that are not connected here, through BlueZ's
 * advertisement monitor manager (org.bluez.AdvertisementMonitorManager1, still experimental: bluetoothd offers it
 * only when started with --experimental or with Experimental = true in /etc/bluetooth/main.conf).
 *
 * While the advertisement source holds the keys of a paired AirPods that is not connected here, each adapter that
 * offers the manager gets our monitor application registered: an object manager at MonitorPath + "/<adapter>" with
 * one org.bluez.AdvertisementMonitor1 below it, of type "or_patterns", whose one pattern is Apple's manufacturer
 * data starting with the proximity pairing type (ff: 4c 00 07). The controller filters where it can, so nothing
 * wakes while nothing matches; the messages that match arrive as the devices' ManufacturerData, like any other.
 * Once bluetoothd activates a monitor, the source stops its discovery bursts for those pairs; when it releases
 * it, or the pairs are connected or gone, they start again.
 *
 * Where no adapter offers the manager, it says so once on the log and leaves the pairs to the bursts.
 */
class AdvertisementMonitor : public QDBusVirtualObject
{
    Q_OBJECT

public:
    static inline const QString MonitorPath = QStringLiteral("/com/vostel/Earlume/AdvertisementMonitor");
    static inline const QString ManagerInterface = QStringLiteral("org.bluez.AdvertisementMonitorManager1");
    static inline const QString MonitorInterface = QStringLiteral("org.bluez.AdvertisementMonitor1");

    AdvertisementMonitor(BluezBluetoothService *bluez, AdvertisementBatterySource *source,
                         const QDBusConnection &systemBus, QObject *parent = nullptr);
    ~AdvertisementMonitor() override;

    /// Whether bluetoothd activated a monitor of ours.
    bool isActive() const { return !m_active.isEmpty(); }

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    void update();
    void call(const QString &adapter, const QString &method);
    static QString rootPath(const QString &adapter);
    QVariantMap properties() const;

    BluezBluetoothService *m_bluez;
    AdvertisementBatterySource *m_source;
    QDBusConnection m_bus;
    bool m_exported = false;
    bool m_reportedMissing = false;
    // Adapters with our application registered (or being registered), and those whose monitor is active.
    QSet<QString> m_registered;
    QSet<QString> m_active;
};
