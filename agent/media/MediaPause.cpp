// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaPause.h"

#include "bluetooth/ReadingTrust.h"

#include "DBusNames.h"
#include "Logging.h"
#include "Settings.h"
#include "bluetooth/BluetoothService.h"
#include "bluetooth/PairList.h"

#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

MediaPause::MediaPause(PairList *pairs, const QDBusConnection &sessionBus, QObject *parent)
    : QObject(parent)
    , m_pairs(pairs)
    , m_bus(sessionBus)
{
    connect(pairs->bluetooth(), &BluetoothService::batteryChanged, this, &MediaPause::onBatteryChanged);
}

void MediaPause::onBatteryChanged(const QString &path)
{
    if (!m_pairs) {
        return;
    }
    // Advertisements say where the buds are too, but they can come from another pair nearby.
    const BatteryState state = m_pairs->pair(path).value_or(Pair()).battery;
    const bool own = ReadingTrust::mayUse(state.origin, ReadingTrust::Use::MediaPause);
    const MediaPausePolicy::Decision decision
        = m_policy.update(path, own ? state.leftInEar : std::nullopt, own ? state.rightInEar : std::nullopt,
                          BatteryState::now(), Settings().pauseMediaWhenTakenOut());
    if (decision.pausePlaying) {
        pausePlaying();
    }
    for (const QString &player : decision.resume) {
        call(player, DBusNames::MprisPath, DBusNames::MprisPlayerInterface, QStringLiteral("Play"), {});
    }
}

void MediaPause::pausePlaying()
{
    call(DBusNames::DBusService, DBusNames::DBusPath, DBusNames::DBusInterface, QStringLiteral("ListNames"), {},
         [this](const QDBusMessage &names) {
             for (const QString &player : names.arguments().value(0).toStringList()) {
                 if (!player.startsWith(DBusNames::MprisServicePrefix)) {
                     continue;
                 }
                 const QVariantList property{DBusNames::MprisPlayerInterface, QStringLiteral("PlaybackStatus")};
                 call(player, DBusNames::MprisPath, DBusNames::PropertiesInterface, QStringLiteral("Get"), property,
                      [this, player](const QDBusMessage &status) {
                          if (status.arguments().value(0).value<QDBusVariant>().variant().toString()
                              != QLatin1String("Playing")) {
                              return;
                          }
                          call(player, DBusNames::MprisPath, DBusNames::MprisPlayerInterface, QStringLiteral("Pause"),
                               {}, [this, player](const QDBusMessage &) { m_policy.paused(player); });
                      });
             }
         });
}

void MediaPause::call(const QString &service,
                      const QString &path,
                      const QString &interface,
                      const QString &method,
                      const QVariantList &arguments,
                      const std::function<void(const QDBusMessage &)> &then)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [service, method, then](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (call->isError()) {
            qCWarning(lcMedia).noquote() << method << "on" << service << "failed:" << call->error().message();
            return;
        }
        if (then) {
            then(call->reply());
        }
    });
}
