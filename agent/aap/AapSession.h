// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AapPacket.h"

#include <QObject>

#include <chrono>

class QSocketNotifier;
class QTimer;

/**
 * One AAP session with a pair of AirPods on a connected L2CAP socket (SOCK_SEQPACKET: one packet per read), which
 * it owns. It opens the session (handshake, then the host's capabilities and the request for notifications, a
 * short pause between the steps) and hands on every packet the AirPods send. Packets that arrive before the
 * handshake's reply are handed on like any other; unknown ones are ignored.
 *
 * Ending the session shuts the socket down before closing it: BlueZ keeps a copy of a profile's socket, so a plain
 * close would leave the channel open and the AirPods would never hear that we left.
 *
 * Everything runs on the main thread from a QSocketNotifier: no thread, no polling, nothing wakes while nothing
 * arrives. closed() is emitted once, when the AirPods hang up, the socket fails, the handshake goes unanswered or
 * shutDown() is called; never from the destructor.
 */
class AapSession : public QObject
{
    Q_OBJECT

public:
    /// Takes over @p fd, which must be a connected socket.
    explicit AapSession(int fd, QObject *parent = nullptr);
    ~AapSession() override;

    static constexpr std::chrono::milliseconds StepPause{150};
    static constexpr std::chrono::milliseconds HandshakeTimeout{5000};

    bool isOpen() const { return m_fd >= 0; }
    /// Whether the AirPods answered the handshake.
    bool isEstablished() const { return m_established; }

    /// Sends one packet; false when the socket is closed or refused it.
    bool send(const std::vector<std::uint8_t> &packet);
    /// Ends the channel for everyone holding it and emits closed().
    void shutDown(const char *reason);

Q_SIGNALS:
    void received(const Aap::Message &message);
    /// The AirPods answered the handshake and were asked for their notifications.
    void ready();
    void closed();

private:
    void readPackets();
    void nextStep();
    void release();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_steps = nullptr;
    bool m_established = false;
    int m_step = 0;
};
