// SPDX-License-Identifier: GPL-3.0-or-later
#include "AapSession.h"

#include "Logging.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
// Larger than any packet AirPods send; a longer one is cut and then fails to decode.
constexpr std::size_t MaximumPacket = 1024;
} // namespace

AapSession::AapSession(int fd, QObject *parent)
    : QObject(parent)
    , m_fd(fd)
    , m_steps(new QTimer(this))
{
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_fd, F_SETFD, FD_CLOEXEC);
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &AapSession::readPackets);
    m_steps->setSingleShot(true);
    connect(m_steps, &QTimer::timeout, this, &AapSession::nextStep);
    if (send(Aap::handshake())) {
        m_steps->start(HandshakeTimeout);
    }
}

AapSession::~AapSession()
{
    release();
}

bool AapSession::send(const std::vector<std::uint8_t> &packet)
{
    if (m_fd < 0) {
        return false;
    }
    if (::send(m_fd, packet.data(), packet.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(packet.size())) {
        return true;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
        // A full send queue on a link this quiet means the other side stopped reading; the next step tries again.
        qCDebug(lcAap) << "AAP send queue full; packet dropped";
        return false;
    }
    shutDown(std::strerror(errno));
    return false;
}

void AapSession::readPackets()
{
    std::uint8_t buffer[MaximumPacket];
    while (m_fd >= 0) {
        const ssize_t size = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (size > 0) {
            const auto message = Aap::decode(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(size)));
            if (message && std::holds_alternative<Aap::ConnectReply>(*message)) {
                if (!m_established) {
                    m_established = true;
                    m_step = 0;
                    m_steps->start(StepPause);
                }
            } else if (message) {
                Q_EMIT received(*message);
            }
            continue;
        }
        if (size < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (size < 0 && errno == EINTR) {
            continue;
        }
        shutDown(size == 0 ? "the AirPods closed the link" : std::strerror(errno));
    }
}

void AapSession::nextStep()
{
    if (!m_established) {
        shutDown("no answer to the handshake");
        return;
    }
    switch (m_step++) {
    case 0:
        send(Aap::capabilities());
        m_steps->start(StepPause);
        break;
    case 1:
        send(Aap::enableNotifications());
        m_steps->start(StepPause);
        break;
    case 2:
        Q_EMIT ready();
        break;
    default:
        break;
    }
}

void AapSession::shutDown(const char *reason)
{
    if (m_fd < 0) {
        return;
    }
    qCInfo(lcAap) << "AAP session ended:" << reason;
    release();
    Q_EMIT closed();
}

void AapSession::release()
{
    if (m_fd < 0) {
        return;
    }
    // The notifier goes before its descriptor, so that it never watches a number the system may hand out again.
    delete m_notifier;
    m_notifier = nullptr;
    ::shutdown(m_fd, SHUT_RDWR);
    ::close(m_fd);
    m_fd = -1;
    m_steps->stop();
}
