// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgentDevicesClient.h"

#include "DBusNames.h"
#include "Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QJsonDocument>

AgentDevicesClient::AgentDevicesClient(const QDBusConnection &sessionBus, QObject *parent)
    : QObject(parent)
    , m_bus(sessionBus)
{
}

AgentDevicesClient::~AgentDevicesClient() = default;

void AgentDevicesClient::start()
{
    if (!m_bus.isConnected()) {
        qCWarning(lcStatus) << "There is no session bus; Earlume cannot be asked";
        Q_EMIT devicesChanged(std::nullopt);
        return;
    }
    m_bus.connect(DBusNames::AgentService, DBusNames::DevicesPath, DBusNames::DevicesInterface,
                  DBusNames::DevicesChangedMember, this, SLOT(onDevicesChanged(QString)));
    m_watcher = new QDBusServiceWatcher(DBusNames::AgentService, m_bus,
                                        QDBusServiceWatcher::WatchForRegistration
                                            | QDBusServiceWatcher::WatchForUnregistration,
                                        this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &AgentDevicesClient::ask);
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        ++m_generation;
        Q_EMIT devicesChanged(std::nullopt);
    });
    ask();
}

void AgentDevicesClient::ask()
{
    const quint64 generation = ++m_generation;
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::AgentService,
                                                          DBusNames::DevicesPath,
                                                          DBusNames::DevicesInterface,
                                                          DBusNames::DevicesGetMember);
    // The agent is started by the user or at login, never by a question of ours.
    message.setAutoStartService(false);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (generation != m_generation) {
            return;
        }
        const QDBusPendingReply<QString> reply = *call;
        // No agent on the bus is the disconnected state, not a failure.
        const bool noAgent = reply.error().type() == QDBusError::ServiceUnknown
            || reply.error().name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
        if (reply.isError() && !noAgent) {
            qCWarning(lcStatus) << DBusNames::DevicesGetMember << DBusNames::DevicesPath
                                << "failed:" << reply.error().message();
        }
        Q_EMIT devicesChanged(reply.isError() ? std::nullopt : parse(reply.value()));
    });
}

void AgentDevicesClient::onDevicesChanged(const QString &devices)
{
    ++m_generation;
    Q_EMIT devicesChanged(parse(devices));
}

std::optional<QJsonObject> AgentDevicesClient::parse(const QString &json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (!document.isObject()) {
        qCWarning(lcStatus) << "Earlume's answer is no JSON object:" << error.errorString();
        return std::nullopt;
    }
    return document.object();
}
