// SPDX-License-Identifier: GPL-3.0-or-later
#include "BluezDiscovery.h"

#include "DBusNames.h"
#include "Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QVariantMap>

namespace
{
const QString SetDiscoveryFilterMethod = QStringLiteral("SetDiscoveryFilter");
const QString StartDiscoveryMethod = QStringLiteral("StartDiscovery");
const QString StopDiscoveryMethod = QStringLiteral("StopDiscovery");
const QString InProgressError = QStringLiteral("org.bluez.Error.InProgress");

QDBusMessage adapterCall(const QString &path, const QString &method)
{
    return QDBusMessage::createMethodCall(DBusNames::BluezService, path, DBusNames::BluezAdapterInterface, method);
}
} // namespace

BluezDiscovery::BluezDiscovery(const QDBusConnection &systemBus, QObject *parent)
    : QObject(parent)
    , m_bus(systemBus)
{
}

BluezDiscovery::~BluezDiscovery()
{
    for (auto it = m_adapters.cbegin(); it != m_adapters.cend(); ++it) {
        if (it->state == State::Discovering || it->state == State::Starting) {
            // No answer can be handled any more; bluetoothd would also end the session when we leave the bus.
            m_bus.send(adapterCall(it.key(), StopDiscoveryMethod));
        }
    }
}

void BluezDiscovery::setWantedAdapters(const QStringList &adapters)
{
    const QSet<QString> wanted(adapters.cbegin(), adapters.cend());
    QSet<QString> affected = m_wanted | wanted;
    for (auto it = m_adapters.cbegin(); it != m_adapters.cend(); ++it) {
        affected.insert(it.key());
    }
    m_wanted = wanted;
    QStringList paths(affected.cbegin(), affected.cend());
    paths.sort();
    for (const QString &path : std::as_const(paths)) {
        update(path);
    }
}

QStringList BluezDiscovery::wantedAdapters() const
{
    QStringList paths(m_wanted.cbegin(), m_wanted.cend());
    paths.sort();
    return paths;
}

bool BluezDiscovery::isDiscovering(const QString &adapter) const
{
    const auto it = m_adapters.constFind(adapter);
    return it != m_adapters.cend() && it->state == State::Discovering;
}

QStringList BluezDiscovery::discoveringAdapters() const
{
    QStringList paths;
    for (auto it = m_adapters.cbegin(); it != m_adapters.cend(); ++it) {
        if (it->state == State::Discovering) {
            paths.append(it.key());
        }
    }
    return paths;
}

void BluezDiscovery::retry()
{
    const QStringList paths = m_adapters.keys();
    for (const QString &path : paths) {
        if (m_adapters.value(path).state == State::Refused) {
            setState(path, State::Idle);
            update(path);
        }
    }
}

void BluezDiscovery::forget()
{
    ++m_generation;
    const QStringList paths = m_adapters.keys();
    for (const QString &path : paths) {
        setState(path, State::Idle);
    }
    m_adapters.clear();
}

void BluezDiscovery::update(const QString &path)
{
    const bool wanted = m_wanted.contains(path);
    switch (m_adapters.value(path).state) {
    case State::Idle:
        if (wanted) {
            start(path);
        }
        break;
    case State::Discovering:
        if (!wanted) {
            stop(path);
        }
        break;
    case State::Refused:
        if (!wanted) {
            setState(path, State::Idle);
        }
        break;
    case State::Starting:
    case State::Stopping:
        // The answer on its way calls update() again.
        break;
    }
}

template<typename Handler>
void BluezDiscovery::watch(const QDBusPendingCall &call, Handler handler)
{
    auto *watcher = new QDBusPendingCallWatcher(call, this);
    const quint64 generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, generation, handler](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (generation == m_generation) {
            handler(w->error());
        }
    });
}

void BluezDiscovery::start(const QString &path)
{
    setState(path, State::Starting);
    QDBusMessage filter = adapterCall(path, SetDiscoveryFilterMethod);
    QVariantMap properties;
    properties.insert(QStringLiteral("Transport"), QStringLiteral("le"));
    properties.insert(QStringLiteral("DuplicateData"), true);
    filter << properties;
    watch(m_bus.asyncCall(filter), [this, path](const QDBusError &error) {
        if (m_adapters.value(path).state != State::Starting) {
            return;
        }
        if (error.isValid()) {
            onRefused(path, SetDiscoveryFilterMethod, error.name(), error.message());
            return;
        }
        watch(m_bus.asyncCall(adapterCall(path, StartDiscoveryMethod)), [this, path](const QDBusError &error) {
            if (m_adapters.value(path).state != State::Starting) {
                return;
            }
            if (error.isValid() && error.name() != InProgressError) {
                onRefused(path, StartDiscoveryMethod, error.name(), error.message());
                return;
            }
            if (!m_adapters[path].lastError.isEmpty()) {
                qCInfo(lcBluez) << "Discovery on" << path << "started after all";
            }
            m_adapters[path].lastError.clear();
            qCDebug(lcBluez) << "Low Energy discovery started on" << path;
            setState(path, State::Discovering);
            update(path);
        });
    });
}

void BluezDiscovery::stop(const QString &path)
{
    setState(path, State::Stopping);
    watch(m_bus.asyncCall(adapterCall(path, StopDiscoveryMethod)), [this, path](const QDBusError &error) {
        if (m_adapters.value(path).state != State::Stopping) {
            return;
        }
        // Whatever the answer, no session of ours is left: either it ended now or it was gone already.
        if (error.isValid()) {
            qCDebug(lcBluez) << "StopDiscovery on" << path << "answered" << error.name() << error.message();
        } else {
            qCDebug(lcBluez) << "Low Energy discovery stopped on" << path;
        }
        setState(path, State::Idle);
        update(path);
    });
}

void BluezDiscovery::setState(const QString &path, State state)
{
    Adapter &adapter = m_adapters[path];
    const bool wasDiscovering = adapter.state == State::Discovering;
    adapter.state = state;
    const bool discovering = state == State::Discovering;
    if (wasDiscovering != discovering) {
        Q_EMIT discoveringChanged(path, discovering);
    }
}

void BluezDiscovery::onRefused(const QString &path,
                               const QString &method,
                               const QString &errorName,
                               const QString &errorMessage)
{
    const QString error = method + QLatin1Char(' ') + errorName + QLatin1Char(' ') + errorMessage;
    if (m_adapters[path].lastError != error) {
        m_adapters[path].lastError = error;
        qCWarning(lcBluez).noquote() << QStringLiteral(
                                            "%1 on %2 failed: %3 %4; per-bud battery levels from advertisements "
                                            "wait until the adapter changes or AirPods connect again")
                                            .arg(method, path, errorName, errorMessage);
    }
    setState(path, State::Refused);
    Q_EMIT refused(path, errorName, errorMessage);
}
