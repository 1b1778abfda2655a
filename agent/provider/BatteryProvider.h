// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QMap>
#include <QObject>
#include <QSet>

class BluezBluetoothService;
class PairList;

/**
 * Our battery provider for BlueZ, so that the desktop's power panel (UPower, GNOME Settings, KDE's battery applet)
 * shows the AirPods. Where an adapter offers org.bluez.BatteryProviderManager1 it registers an object manager of
 * ours, DBusNames::BatteryProviderPath + "/<adapter>", with one org.bluez.BatteryProvider1 object per connected
 * pair below it: Device, Percentage (the lower bud's level) and Source DBusNames::BatteryProviderSource. Objects
 * come and go with InterfacesAdded and InterfacesRemoved, and a new level is announced with PropertiesChanged.
 *
 * Only readings of the pair's own (the accessory protocol, or an advertisement) are provided: BlueZ shows its own
 * Battery1 itself. Owns the exported objects and the registrations; where no adapter offers the manager it says
 * so once, in a debug line.
 */
class BatteryProvider : public QDBusVirtualObject
{
    Q_OBJECT

public:
    BatteryProvider(BluezBluetoothService *bluez, PairList *pairs, const QDBusConnection &systemBus,
                    QObject *parent = nullptr);
    ~BatteryProvider() override;

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    void refresh();
    void updateRegistrations();
    QVariantMap properties(const QString &device) const;
    static QString objectPath(const QString &device);
    static QString managerPath(const QString &adapter);
    void emitSignal(const QString &path, const QString &interface, const QString &member, const QVariantList &args);

    BluezBluetoothService *m_bluez;
    PairList *m_pairs;
    QDBusConnection m_bus;
    bool m_exported = false;
    QMap<QString, int> m_percentages;
    QSet<QString> m_registered;
    QSet<QString> m_registering;
    bool m_reportedNoManager = false;
};
