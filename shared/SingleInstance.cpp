// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include "DBusNames.h"
#include "Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>

namespace
{
// Values of the bus daemon's RequestName protocol.
constexpr uint DoNotQueue = 0x4;
constexpr uint PrimaryOwner = 1;
constexpr uint AlreadyOwner = 4;
} // namespace

SingleInstance::SingleInstance(const QDBusConnection &bus, const QString &serviceName, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_serviceName(serviceName)
{
}

void SingleInstance::request()
{
    if (!m_bus.isConnected()) {
        qCWarning(lcShared) << "No session bus; cannot make sure only one" << m_serviceName << "runs";
        QTimer::singleShot(0, this, &SingleInstance::acquired);
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::DBusService,
                                                          DBusNames::DBusPath,
                                                          DBusNames::DBusInterface,
                                                          QStringLiteral("RequestName"));
    message << m_serviceName << DoNotQueue;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<uint> reply = *call;
        if (reply.isError()) {
            qCWarning(lcShared) << "RequestName" << m_serviceName << "failed:" << reply.error().message();
            Q_EMIT acquired();
            return;
        }
        const uint result = reply.value();
        if (result == PrimaryOwner || result == AlreadyOwner) {
            Q_EMIT acquired();
        } else {
            Q_EMIT alreadyRunning();
        }
    });
}
