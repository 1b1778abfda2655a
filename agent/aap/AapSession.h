// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AapPacket.h"

#include <QObject>

#include <chrono>

class QSocketNotifier;
class QTimer;

/**
 * One AAP session with a pair of AirPods on a connected L2CAP socket (SOCK_SEQPACKET: one packet per read), which
 * it owns and closes. It opens the session (handshake, then the host's capabilities and the request for
 * notifications, a short pause between the steps), asks for the keys when told to, and reports what the AirPods
 * send. Packets that arrive before they were asked for are handled like any other; unknown ones are ignored.
 *
 * Everything runs on the main thread from a QSocketNotifier: no thread, no polling, nothing wakes while nothing
 * arrives. closed() is emitted once, when the AirPods hang up, the socket fails, or the handshake goes unanswered.
 */
class AapSession : public QObject
{
    Q_OBJECT

public:
    /// Takes over @p fd, which must be a connected socket.
    explicit AapSession(int fd, bool wantKeys, QObject *parent = nullptr);
    ~AapSession() override;

    static constexpr std::chrono::milliseconds StepPause{150};
    static constexpr std::chrono::milliseconds HandshakeTimeout{5000};

    bool isOpen() const { return m_fd >= 0; }
    /// Whether the AirPods answered the handshake.
    bool isEstablished() const { return m_established; }

    /// Sends one packet; false when the socket is closed or refused it.
    bool send(const std::vector<std::uint8_t> &packet);

Q_SIGNALS:
    void batteryReported(const Aap::BatteryReport &report);
    void inEarReported(const Aap::InEarReport &report);
    void keysReported(const Aap::KeysReport &keys);
    void noiseControlReported(const Aap::NoiseControlReport &report);
    void closed();

private:
    void readPackets();
    void handle(const Aap::Message &message);
    void nextStep();
    void close(const char *reason);

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_steps = nullptr;
    bool m_established = false;
    bool m_wantKeys = false;
    int m_step = 0;
};
