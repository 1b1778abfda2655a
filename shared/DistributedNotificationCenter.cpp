// SPDX-License-Identifier: GPL-3.0-or-later
#include "DistributedNotificationCenter.h"

#include "DBusHelper.h"
#include "DBusNames.h"
#include "Logging.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QTimer>

DistributedNotificationCenter::DistributedNotificationCenter(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected()) {
        qCWarning(lcChannel) << "No session bus: the other Earlume program cannot be reached"
                             << m_bus.lastError().message();
        m_warnedUnreachable = true;
        return;
    }
    // The explicit "ss" signature keeps signals of any other shape away from the handler.
    m_listening = m_bus.connect(QString(),
                                DBusNames::ChannelPath,
                                DBusNames::ChannelInterface,
                                DBusNames::ChannelMember,
                                QStringLiteral("ss"),
                                this,
                                SLOT(handlePost(QString, QString)));
    if (!m_listening) {
        qCWarning(lcChannel) << "Cannot listen for notifications on the session bus" << m_bus.lastError().message();
    }
}

DistributedNotificationCenter *DistributedNotificationCenter::defaultCenter()
{
    static QPointer<DistributedNotificationCenter> center;
    if (!center) {
        center = new DistributedNotificationCenter(DBusHelper::sessionBus(), QCoreApplication::instance());
    }
    return center;
}

bool DistributedNotificationCenter::post(const QString &name, const QString &object)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(DBusNames::ChannelPath, DBusNames::ChannelInterface, DBusNames::ChannelMember);
    signal << name << object;
    if (m_bus.isConnected() && m_bus.send(signal)) {
        return true;
    }
    if (!m_warnedUnreachable) {
        qCWarning(lcChannel) << "Cannot post" << name << "- the session bus is unreachable";
        m_warnedUnreachable = true;
    }
    return false;
}

void DistributedNotificationCenter::addObserver(const QString &name,
                                                const QObject *context,
                                                std::function<void()> handler)
{
    m_observers.push_back(Observer{name, context, std::move(handler)});
}

bool DistributedNotificationCenter::isConnected() const
{
    return m_listening;
}

void DistributedNotificationCenter::handlePost(const QString &name, const QString &object)
{
    Q_EMIT notificationReceived(name, object);
    // A handler may add observers or end the program; work on a snapshot.
    const std::vector<Observer> observers = m_observers;
    for (const Observer &observer : observers) {
        if (observer.name == name && observer.context) {
            observer.handler();
        }
    }
}

void DistributedNotificationCenter::flush(const QObject *context, std::function<void()> done)
{
    if (!m_bus.isConnected()) {
        QTimer::singleShot(0, context, std::move(done));
        return;
    }
    // The bus daemon answers messages of one connection in order: once it has answered a Ping sent
    // after the posts, it has routed the posts.
    const QDBusMessage ping = QDBusMessage::createMethodCall(DBusNames::DBusService,
                                                             DBusNames::DBusPath,
                                                             QStringLiteral("org.freedesktop.DBus.Peer"),
                                                             QStringLiteral("Ping"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ping, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, context, [done = std::move(done)](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        done();
    });
}
