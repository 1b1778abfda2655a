// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LowBatteryRule.h"
#include "Settings.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>

class BluetoothService;
class PairList;

/**
 * Low-battery notices on the desktop: follows the battery states of the AirPods the Bluetooth service knows, asks a
 * LowBatteryRule per pair which parts warn, and shows them with org.freedesktop.Notifications.Notify. The notices
 * of one pair replace each other (replaces_id); each is urgent when a part is at CriticalPercent or below.
 *
 * Owns the rules and the ids of the notices it showed. Whether to warn and the threshold are read from the settings
 * at construction and at reloadSettings(). Without a notification service it says so once, in a debug line.
 */
class LowBatteryNotifier : public QObject
{
    Q_OBJECT

public:
    static constexpr int CriticalPercent = 10;

    LowBatteryNotifier(PairList *pairs, const QDBusConnection &sessionBus, QObject *parent = nullptr);
    ~LowBatteryNotifier() override;

    /// Reads whether to warn and the threshold from the settings file again.
    void reloadSettings();

    /// "Left AirPod at 15 %", "AirPods case at 8 %", "AirPods at 12 %", in the user's language.
    static QString text(const LowBatteryWarning &warning);

private:
    struct Pair {
        LowBatteryRule rule{Settings::DefaultLowBatteryThreshold};
        quint32 notificationId = 0;
        /// The notice on screen is critical: it stays until the part charges above the threshold or the pair goes.
        bool critical = false;
        bool callPending = false;
        /// The notice that waits for the id of the one before, which it replaces.
        QVariantList queued;
    };

    void batteryChanged(const QString &path);
    void show(const QString &path, const QList<LowBatteryWarning> &warnings);
    void send(const QString &path, QVariantList arguments);
    void withdraw(const QString &path);

    PairList *m_list;
    BluetoothService *m_bluetooth;
    QDBusConnection m_bus;
    QHash<QString, Pair> m_pairs;
    bool m_enabled = true;
    int m_threshold = Settings::DefaultLowBatteryThreshold;
    bool m_reportedMissingService = false;
};
