// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QVariantMap>

#include <functional>

class BluetoothService;

/**
 * Our client side of the AirPods' accessory protocol as an external BlueZ profile: the org.bluez.Profile1 object
 * that BlueZ hands connected sockets to, registered with org.bluez.ProfileManager1 (role "client", PSM 0x1001)
 * whenever BlueZ is on the bus. connectProfile() asks BlueZ to open the channel to a device; the socket arrives
 * through the connection handler, the outcome of the request through connectFinished(). A socket the handler does
 * not take is refused with org.bluez.Error.Rejected, so that BlueZ ends the channel.
 *
 * BlueZ lets one program at a time offer a profile UUID: when another holds it, isHeldElsewhere() is true and the
 * channel is that program's.
 */
class AapProfile : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.bluez.Profile1")

public:
    static inline const QString ObjectPath = QStringLiteral("/com/vostel/Earlume/AccessoryProtocol");

    AapProfile(BluetoothService *bluetooth, const QDBusConnection &systemBus, QObject *parent = nullptr);
    ~AapProfile() override;

    bool isRegistered() const { return m_registered; }
    bool isHeldElsewhere() const { return m_heldElsewhere; }

    /// Takes a connected socket for a device path, owning it when it answers true.
    using ConnectionHandler = std::function<bool(const QString &path, int fd)>;
    void setConnectionHandler(ConnectionHandler handler) { m_handler = std::move(handler); }

    /// Asks BlueZ to connect the profile to the device at @p path (Device1.ConnectProfile).
    void connectProfile(const QString &path);
    /// Asks BlueZ to end the profile's channel to @p path (Device1.DisconnectProfile); @p done runs on its answer.
    void disconnectProfile(const QString &path, std::function<void()> done);

public Q_SLOTS:
    // org.bluez.Profile1, called by BlueZ.
    Q_SCRIPTABLE void NewConnection(const QDBusObjectPath &device,
                                    const QDBusUnixFileDescriptor &fd,
                                    const QVariantMap &properties);
    Q_SCRIPTABLE void RequestDisconnection(const QDBusObjectPath &device);
    Q_SCRIPTABLE void Release();

Q_SIGNALS:
    void registeredChanged(bool registered);
    /// BlueZ wants the channel to @p path closed; it is, once the receivers return.
    void disconnectionRequested(const QString &path);
    /// BlueZ dropped the profile: every channel it handed over is gone.
    void released();
    /// The answer to connectProfile(): an empty @p errorName on success.
    void connectFinished(const QString &path, const QString &errorName, const QString &errorMessage);

private:
    void registerProfile();

    BluetoothService *m_bluetooth = nullptr;
    QDBusConnection m_bus;
    bool m_exported = false;
    bool m_registered = false;
    bool m_heldElsewhere = false;
    ConnectionHandler m_handler;
    quint64 m_generation = 0;
};
