// SPDX-License-Identifier: GPL-3.0-or-later
#include "AapProfile.h"

#include "AapPacket.h"
#include "DBusNames.h"
#include "Logging.h"
#include "bluetooth/BluetoothService.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include <fcntl.h>
#include <unistd.h>

namespace
{
const QString ProfileManagerInterface = QStringLiteral("org.bluez.ProfileManager1");
// Opening the channel may wait for the radio, and AirPods often refuse it for a while after connecting.
constexpr int ConnectProfileTimeoutMs = 30 * 1000;
} // namespace

AapProfile::AapProfile(BluetoothService *bluetooth, const QDBusConnection &systemBus, QObject *parent)
    : QObject(parent)
    , m_bluetooth(bluetooth)
    , m_bus(systemBus)
{
    m_exported = m_bus.isConnected() && m_bus.registerObject(ObjectPath, this, QDBusConnection::ExportScriptableSlots);
    if (!m_exported) {
        qCWarning(lcAap) << "Cannot offer the accessory protocol profile on the system bus; exact levels are off";
        return;
    }
    // A BlueZ that comes (back) knows nothing of us; one that leaves forgets us.
    connect(bluetooth, &BluetoothService::availableChanged, this, [this](bool available) {
        ++m_generation;
        if (m_registered) {
            m_registered = false;
            Q_EMIT registeredChanged(false);
        }
        if (available) {
            registerProfile();
        }
    });
    if (bluetooth->isAvailable()) {
        registerProfile();
    }
}

AapProfile::~AapProfile()
{
    if (m_exported) {
        m_bus.unregisterObject(ObjectPath);
    }
}

void AapProfile::registerProfile()
{
    QVariantMap options;
    options.insert(QStringLiteral("Name"), QStringLiteral("Earlume accessory protocol"));
    options.insert(QStringLiteral("Role"), QStringLiteral("client"));
    options.insert(QStringLiteral("PSM"), QVariant::fromValue<quint16>(Aap::Psm));
    options.insert(QStringLiteral("RequireAuthentication"), false);
    options.insert(QStringLiteral("RequireAuthorization"), false);
    options.insert(QStringLiteral("AutoConnect"), false);
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::BluezService, QStringLiteral("/org/bluez"),
                                                          ProfileManagerInterface, QStringLiteral("RegisterProfile"));
    message << QVariant::fromValue(QDBusObjectPath(ObjectPath)) << QString::fromLatin1(Aap::ServiceUuid) << options;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    const quint64 generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (generation != m_generation) {
            return;
        }
        // BlueZ refuses a UUID that another program registered first (register_profile: "UUID already
        // registered"); that program owns the AirPods' channel then, which is nothing to warn about.
        if (call->isError() && call->error().name() == QLatin1String("org.bluez.Error.NotPermitted")) {
            m_heldElsewhere = true;
            qCInfo(lcAap).noquote() << "Another program holds the AirPods' accessory protocol channel ("
                                    << call->error().message() << "); levels come from other sources";
            return;
        }
        // Already registered by us (a reply that crossed BlueZ's restart) counts as registered.
        if (call->isError() && call->error().name() != QLatin1String("org.bluez.Error.AlreadyExists")) {
            qCWarning(lcAap).noquote() << "BlueZ refused the accessory protocol profile:" << call->error().name()
                                       << call->error().message() << "- levels come from advertisements only";
            return;
        }
        qCDebug(lcAap) << "Accessory protocol profile registered";
        m_heldElsewhere = false;
        m_registered = true;
        Q_EMIT registeredChanged(true);
    });
}

void AapProfile::connectProfile(const QString &path)
{
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::BluezService, path,
                                                          DBusNames::BluezDeviceInterface,
                                                          QStringLiteral("ConnectProfile"));
    message << QString::fromLatin1(Aap::ServiceUuid);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, ConnectProfileTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, path](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        Q_EMIT connectFinished(path, call->isError() ? call->error().name() : QString(),
                               call->isError() ? call->error().message() : QString());
    });
}

void AapProfile::disconnectProfile(const QString &path, std::function<void()> done)
{
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::BluezService, path,
                                                          DBusNames::BluezDeviceInterface,
                                                          QStringLiteral("DisconnectProfile"));
    message << QString::fromLatin1(Aap::ServiceUuid);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, ConnectProfileTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [done = std::move(done)](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (call->isError()) {
            qCDebug(lcAap).noquote() << "DisconnectProfile:" << call->error().name() << call->error().message();
        }
        done();
    });
}

void AapProfile::NewConnection(const QDBusObjectPath &device, const QDBusUnixFileDescriptor &fd, const QVariantMap &)
{
    // The descriptor object closes its own copy; ours lives on in the session.
    const int own = fd.isValid() ? ::fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 0) : -1;
    if (own >= 0 && m_handler && m_handler(device.path(), own)) {
        return;
    }
    if (own >= 0) {
        ::close(own);
    }
    // Refused, BlueZ drops its own copy and the channel ends (new_conn_reply); closing ours alone would end nothing.
    qCDebug(lcAap) << "Refusing an accessory protocol channel nobody waits for:" << device.path();
    if (calledFromDBus()) {
        sendErrorReply(QStringLiteral("org.bluez.Error.Rejected"), QStringLiteral("No channel wanted for this device"));
    }
}

void AapProfile::RequestDisconnection(const QDBusObjectPath &device)
{
    Q_EMIT disconnectionRequested(device.path());
}

void AapProfile::Release()
{
    // BlueZ dropped the profile (it is shutting down); its return registers us anew.
    ++m_generation;
    Q_EMIT released();
    if (m_registered) {
        m_registered = false;
        Q_EMIT registeredChanged(false);
    }
}
