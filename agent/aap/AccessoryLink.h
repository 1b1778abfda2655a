// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AapPacket.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>

class AapProfile;
class AapSession;
class BluetoothService;
struct BluetoothDevice;
class QSocketNotifier;
class QTimer;

/**
 * The accessory protocol channel to one connected pair, and the only holder of it. It asks BlueZ for the channel
 * through our profile; where BlueZ has no service record for it, it opens an L2CAP socket of its own, bound to the
 * adapter the pair is connected through (an unbound socket leaves through whichever adapter comes first). AirPods
 * often refuse the channel for a while after connecting, and it can drop while the audio stays: the link tries
 * again with a growing pause (with some jitter, at most MaximumAttempts times per connection).
 *
 * BlueZ answers a ConnectProfile for a channel it still holds from before with success and no new socket; a link
 * that hears nothing within ChannelWait asks BlueZ to end that channel and tries again.
 */
class AccessoryLink : public QObject
{
    Q_OBJECT

public:
    AccessoryLink(const QString &path, AapProfile *profile, BluetoothService *bluetooth, QObject *parent = nullptr);
    ~AccessoryLink() override;

    static constexpr std::chrono::milliseconds FirstRetry{2000};
    static constexpr std::chrono::milliseconds LongestRetry{30000};
    static constexpr std::chrono::milliseconds ChannelWait{4000};
    static constexpr int MaximumAttempts = 12;

    bool isReady() const { return m_ready; }
    bool send(const std::vector<std::uint8_t> &packet);

    /// Starts asking for the channel, unless it is open or being asked for.
    void open();
    /// Takes a socket BlueZ handed over; false when this link did not ask for one.
    bool accept(int fd);
    /// BlueZ asked for the channel to end: it ends now, and the link waits for the pair's next connection.
    void endOnRequest();

    void setRetryTiming(std::chrono::milliseconds first, std::chrono::milliseconds longest);

Q_SIGNALS:
    void received(const Aap::Message &message);
    /// The session is open and the AirPods were asked for their notifications.
    void ready();
    /// An open session ended; what it reported holds no longer.
    void ended();

private:
    enum class Stage { Idle, Asking, AwaitingChannel, Connecting, Open, Waiting, Stopped };

    void onConnectFinished(const QString &errorName, const QString &errorMessage);
    void openOwnSocket();
    void startSession(int fd);
    void closeOwnSocket();
    void retry(const QString &why);

    QString m_path;
    QPointer<AapProfile> m_profile;
    QPointer<BluetoothService> m_bluetooth;
    Stage m_stage = Stage::Idle;
    int m_attempts = 0;
    bool m_ready = false;
    int m_socketFd = -1; // our own L2CAP socket while it connects
    std::unique_ptr<QSocketNotifier> m_socketNotifier;
    AapSession *m_session = nullptr;
    QTimer *m_timer = nullptr;
    std::chrono::milliseconds m_firstRetry = FirstRetry;
    std::chrono::milliseconds m_longestRetry = LongestRetry;
};

/**
 * One accessory link per connected AirPods, and our profile with BlueZ. Links come when a pair connects (and the
 * profile is registered) and go when it disconnects, BlueZ drops the profile or leaves. Whatever reads the AirPods
 * (battery, in-ear, noise control, keys) subscribes to linkAdded() and the link's signals.
 */
class AccessoryLinks : public QObject
{
    Q_OBJECT

public:
    AccessoryLinks(BluetoothService *bluetooth, const QDBusConnection &systemBus, QObject *parent = nullptr);
    ~AccessoryLinks() override;

    AccessoryLink *link(const QString &path) const { return m_links.value(path); }
    /// Applies to links made from now on.
    void setRetryTiming(std::chrono::milliseconds first, std::chrono::milliseconds longest);

Q_SIGNALS:
    void linkAdded(const QString &path, AccessoryLink *link);
    /// The link to @p path is about to go; emitted before it is deleted.
    void linkRemoved(const QString &path);

private:
    void follow(const BluetoothDevice &device);
    void drop(const QString &path);
    void dropAll();

    QPointer<BluetoothService> m_bluetooth;
    AapProfile *m_profile = nullptr;
    QHash<QString, AccessoryLink *> m_links;
    std::chrono::milliseconds m_firstRetry = AccessoryLink::FirstRetry;
    std::chrono::milliseconds m_longestRetry = AccessoryLink::LongestRetry;
};
