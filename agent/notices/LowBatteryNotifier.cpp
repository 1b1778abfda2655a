// SPDX-License-Identifier: GPL-3.0-or-later
#include "LowBatteryNotifier.h"

#include "DBusNames.h"
#include "Logging.h"
#include "Settings.h"
#include "bluetooth/BluetoothService.h"
#include "bluetooth/PairList.h"
#include "panel/AirpodsPanelModel.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>

LowBatteryNotifier::LowBatteryNotifier(PairList *pairs, const QDBusConnection &sessionBus, QObject *parent)
    : QObject(parent)
    , m_list(pairs)
    , m_bluetooth(pairs->bluetooth())
    , m_bus(sessionBus)
{
    reloadSettings();
    connect(m_bluetooth, &BluetoothService::batteryChanged, this, &LowBatteryNotifier::batteryChanged);
    // A pair that connects again may warn again about everything.
    connect(m_bluetooth, &BluetoothService::deviceConnectionChanged, this, [this](const BluetoothDevice &device) {
        if (const auto pair = m_pairs.find(device.path); pair != m_pairs.end()) {
            pair->rule.reset();
        }
        if (!device.connected) {
            withdraw(device.path);
        }
    });
    connect(m_bluetooth, &BluetoothService::deviceRemoved, this, [this](const BluetoothDevice &device) {
        m_pairs.remove(device.path);
    });
}

LowBatteryNotifier::~LowBatteryNotifier() = default;

QString LowBatteryNotifier::text(const LowBatteryWarning &warning)
{
    using Part = LowBatteryWarning::Part;
    switch (warning.part) {
    case Part::Left:
        return tr("Left AirPod at %1 %").arg(warning.percent);
    case Part::Right:
        return tr("Right AirPod at %1 %").arg(warning.percent);
    case Part::Case:
        return tr("AirPods case at %1 %").arg(warning.percent);
    case Part::Single:
        break;
    }
    return tr("AirPods at %1 %").arg(warning.percent);
}

void LowBatteryNotifier::reloadSettings()
{
    const Settings settings;
    m_enabled = settings.lowBatteryWarning();
    m_threshold = settings.lowBatteryThreshold();
    for (Pair &pair : m_pairs) {
        pair.rule.setThreshold(m_threshold);
    }
}

void LowBatteryNotifier::batteryChanged(const QString &path)
{
    // A pair only heard nearby (on the phone, say) is that device's to warn about, not ours.
    const std::optional<::Pair> known = m_list->pair(path);
    if (!m_enabled || !known || !known->isConnected()) {
        return;
    }
    Pair &pair = m_pairs[path];
    pair.rule.setThreshold(m_threshold);
    const BatteryState &state = known->battery;
    const QList<LowBatteryWarning> warnings = pair.rule.update(state);
    if (!warnings.isEmpty()) {
        show(path, warnings);
    } else if (pair.critical && state.hasLevel() && !pair.rule.isLow(state)) {
        withdraw(path);
    }
}

void LowBatteryNotifier::show(const QString &path, const QList<LowBatteryWarning> &warnings)
{
    QStringList parts;
    bool critical = false;
    for (const LowBatteryWarning &warning : warnings) {
        parts.append(text(warning));
        critical = critical || warning.percent <= CriticalPercent;
    }
    const std::optional<::Pair> known = m_list->pair(path);
    if (!known) {
        return;
    }
    // The body may be read as markup: a name like "<Tom's> AirPods" must show as it is.
    const QString body = known->device.name.toHtmlEscaped() + QStringLiteral(": ")
        + AirpodsPanelModel::levelsText(known->battery);
    m_pairs[path].critical = critical;
    const QVariantMap hints{
        {QStringLiteral("category"), QStringLiteral("device")},
        {QStringLiteral("desktop-entry"), QStringLiteral("com.vostel.Earlume")},
        {QStringLiteral("urgency"), QVariant::fromValue(static_cast<uchar>(critical ? 2 : 1))},
    };
    // The replaced notice's id is filled in when sent.
    send(path,
         {QStringLiteral("Earlume"), 0u, QStringLiteral("com.vostel.Earlume"), parts.join(QStringLiteral(", ")), body,
          QStringList(), hints, -1});
}

void LowBatteryNotifier::withdraw(const QString &path)
{
    const auto pair = m_pairs.find(path);
    if (pair == m_pairs.end() || !pair->critical) {
        return;
    }
    pair->critical = false;
    pair->queued.clear();
    if (pair->notificationId == 0) {
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::NotificationsService,
                                                          DBusNames::NotificationsPath,
                                                          DBusNames::NotificationsInterface,
                                                          QStringLiteral("CloseNotification"));
    message << std::exchange(pair->notificationId, 0u);
    m_bus.asyncCall(message);
}

void LowBatteryNotifier::send(const QString &path, QVariantList arguments)
{
    Pair &pair = m_pairs[path];
    // Until the server has told the id of the notice before, a new one could not replace it.
    if (pair.callPending) {
        pair.queued = arguments;
        return;
    }
    arguments[1] = pair.notificationId;
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::NotificationsService,
                                                          DBusNames::NotificationsPath,
                                                          DBusNames::NotificationsInterface,
                                                          QStringLiteral("Notify"));
    message.setArguments(arguments);
    pair.callPending = true;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, path](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<quint32> reply = *call;
        const auto pair = m_pairs.find(path);
        if (pair == m_pairs.end()) {
            return;
        }
        pair->callPending = false;
        if (reply.isError()) {
            if (reply.error().type() == QDBusError::ServiceUnknown) {
                if (!m_reportedMissingService) {
                    m_reportedMissingService = true;
                    qCDebug(lcNotices) << "No notification service on the session bus; no low-battery notices";
                }
            } else {
                qCWarning(lcNotices) << "Notify" << DBusNames::NotificationsPath
                                     << "failed:" << reply.error().message();
            }
        } else {
            m_reportedMissingService = false;
            pair->notificationId = reply.value();
        }
        if (!pair->queued.isEmpty()) {
            send(path, std::exchange(pair->queued, {}));
        }
    });
}
