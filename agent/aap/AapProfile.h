// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QVariantMap>

class BluetoothService;

/**
 * Our client side of the AirPods' accessory protocol as an external BlueZ profile: the org.bluez.Profile1 object
 * that BlueZ hands connected sockets to, registered with org.bluez.ProfileManager1 (role "client", PSM 0x1001)
 * whenever BlueZ is on the bus. connectProfile() asks BlueZ to open the channel to a device; the socket arrives
 * through newConnection(), the outcome of the request through connectFinished().
 */
class AapProfile : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.bluez.Profile1")

public:
    static inline const QString ObjectPath = QStringLiteral("/com/vostel/Earlume/AccessoryProtocol");

    AapProfile(BluetoothService *bluetooth, const QDBusConnection &systemBus, QObject *parent = nullptr);
    ~AapProfile() override;

    bool isRegistered() const { return m_registered; }

    /// Asks BlueZ to connect the profile to the device at @p path (Device1.ConnectProfile).
    void connectProfile(const QString &path);

public Q_SLOTS:
    // org.bluez.Profile1, called by BlueZ.
    Q_SCRIPTABLE void NewConnection(const QDBusObjectPath &device,
                                    const QDBusUnixFileDescriptor &fd,
                                    const QVariantMap &properties);
    Q_SCRIPTABLE void RequestDisconnection(const QDBusObjectPath &device);
    Q_SCRIPTABLE void Release();

Q_SIGNALS:
    void registeredChanged(bool registered);
    /// A connected socket for @p path; the receiver owns @p fd and must close it.
    void newConnection(const QString &path, int fd);
    /// BlueZ wants the channel to @p path closed.
    void disconnectionRequested(const QString &path);
    /// The answer to connectProfile(): an empty @p errorName on success.
    void connectFinished(const QString &path, const QString &errorName, const QString &errorMessage);

private:
    void registerProfile();

    BluetoothService *m_bluetooth = nullptr;
    QDBusConnection m_bus;
    bool m_exported = false;
    bool m_registered = false;
    quint64 m_generation = 0;
};
