// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QStringList>

class QDBusPendingCall;

/**
 * Our own Low Energy discovery session on BlueZ adapters, run only on the adapters it is asked for.
 *
 * Starting on an adapter is two asynchronous calls: Adapter1.SetDiscoveryFilter with Transport "le" and
 * DuplicateData true (so that every advertisement is reported, not only changed ones), then StartDiscovery.
 * Stopping is StopDiscovery. bluetoothd keeps one session per D-Bus client and scans while any client has one,
 * so stopping ours never ends another program's discovery, and a program that starts or stops its own discovery
 * meanwhile does not touch ours. bluetoothd also ends our session by itself when we leave the bus.
 *
 * Failures, each reported once per adapter and message at warning level on earlume.agent.bluez:
 * - SetDiscoveryFilter or StartDiscovery refused (org.bluez.Error.NotReady for an adapter that is off,
 *   org.bluez.Error.Failed, org.bluez.Error.InvalidArguments, or no answer): refused() is emitted and the
 *   adapter is left alone until retry(), which the caller invokes when an adapter changes, or until it stops
 *   being wanted and is wanted again (the AirPods disconnect and connect again).
 *   org.bluez.Error.InProgress from StartDiscovery means we already hold a session there and counts as started.
 * - StopDiscovery failing ("No discovery started", or BlueZ gone) leaves nothing to stop: the adapter counts as
 *   stopped either way.
 * - BlueZ leaving the bus takes every session with it: forget() drops what is known about them.
 */
class BluezDiscovery : public QObject
{
    Q_OBJECT

public:
    explicit BluezDiscovery(const QDBusConnection &systemBus, QObject *parent = nullptr);
    /// Ends our sessions; nothing waits for BlueZ's answer.
    ~BluezDiscovery() override;

    /// Runs discovery on exactly these adapters (object paths): starts it where it is missing, stops it elsewhere.
    void setWantedAdapters(const QStringList &adapters);
    QStringList wantedAdapters() const;

    /// Whether our session on @p adapter is started (its StartDiscovery succeeded and no stop was sent since).
    bool isDiscovering(const QString &adapter) const;
    /// The adapters on which our session is started, in path order.
    QStringList discoveringAdapters() const;

    /// Tries again on every wanted adapter where discovery was refused.
    void retry();

    /// BlueZ left or came back: our sessions died with the old daemon. Forgets them, and any answer still on its
    /// way from that daemon; wanted adapters stay wanted and start on the next setWantedAdapters() or retry().
    void forget();

Q_SIGNALS:
    /// Our session on @p adapter started or stopped.
    void discoveringChanged(const QString &adapter, bool discovering);
    /// BlueZ refused to start discovery on @p adapter; nothing more is tried there until retry() or until it is
    /// wanted anew.
    void refused(const QString &adapter, const QString &errorName, const QString &errorMessage);

private:
    enum class State {
        Idle,
        Starting,
        Discovering,
        Stopping,
        Refused,
    };

    struct Adapter {
        State state = State::Idle;
        // The error last reported for this adapter, so that a repeated refusal is logged only once.
        QString lastError;
    };

    void update(const QString &path);
    void start(const QString &path);
    void stop(const QString &path);
    void setState(const QString &path, State state);
    void onRefused(const QString &path, const QString &method, const QString &errorName, const QString &errorMessage);
    template<typename Handler>
    void watch(const QDBusPendingCall &call, Handler handler);

    QDBusConnection m_bus;
    QSet<QString> m_wanted;
    QMap<QString, Adapter> m_adapters;
    // Bumped by forget(), so that an answer from a daemon that has since gone is ignored.
    quint64 m_generation = 0;
};
