// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MediaPausePolicy.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>

#include <functional>

class BluetoothService;
class PairList;
class QDBusMessage;

/**
 * Pauses the media players on the session bus (MPRIS) when an AirPod comes out of an ear, and plays the same ones
 * again when both are back, as MediaPausePolicy decides from the in-ear readings the AirPods themselves report
 * (battery states of origin Accessory) and the "Pause media when AirPods are taken out" option, read at each reading.
 *
 * Pausing lists the bus names under org.mpris.MediaPlayer2., reads each player's PlaybackStatus and calls Pause()
 * on those "Playing"; resuming calls Play() on the players paused so. Every call is asynchronous; a failed one is
 * logged once, at warning, with the player and the method, and that player is left alone.
 */
class MediaPause : public QObject
{
    Q_OBJECT

public:
    MediaPause(PairList *pairs, const QDBusConnection &sessionBus, QObject *parent = nullptr);

private:
    void onBatteryChanged(const QString &path);
    void pausePlaying();
    void call(const QString &service,
              const QString &path,
              const QString &interface,
              const QString &method,
              const QVariantList &arguments,
              const std::function<void(const QDBusMessage &)> &then = {});

    QPointer<PairList> m_pairs;
    QDBusConnection m_bus;
    MediaPausePolicy m_policy;
};
