// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessoryLink.h"

#include "AapProfile.h"
#include "AapSession.h"
#include "Logging.h"
#include "bluetooth/BluetoothService.h"

#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <bluetooth/bluetooth.h>
#include <bluetooth/l2cap.h>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
// BlueZ's answers that mean it cannot open this profile to this device at all (no service record for it):
// NotAvailable "br-connection-profile-unavailable" up to 5.83, BREDR.ProfileUnavailable from 5.84 on.
bool meansNoRecord(const QString &errorName)
{
    return errorName == QLatin1String("org.bluez.Error.NotSupported")
        || errorName == QLatin1String("org.bluez.Error.NotAvailable")
        || errorName == QLatin1String("org.bluez.Error.BREDR.ProfileUnavailable");
}

// "AA:BB:CC:DD:EE:FF" as the kernel wants it: least significant byte first.
std::optional<bdaddr_t> addressFrom(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 6) {
        return std::nullopt;
    }
    bdaddr_t address{};
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        const uint byte = parts.at(5 - i).toUInt(&ok, 16);
        if (!ok || byte > 0xFF || parts.at(5 - i).size() != 2) {
            return std::nullopt;
        }
        address.b[i] = static_cast<std::uint8_t>(byte);
    }
    return address;
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

AccessoryLink::AccessoryLink(const QString &path, AapProfile *profile, BluetoothService *bluetooth, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_profile(profile)
    , m_bluetooth(bluetooth)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(profile, &AapProfile::connectFinished, this,
            [this](const QString &path, const QString &errorName, const QString &errorMessage) {
                if (path == m_path) {
                    onConnectFinished(errorName, errorMessage);
                }
            });
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (m_stage == Stage::AwaitingChannel) {
            // Success without a socket: BlueZ still holds a channel from before (its service stays connected until
            // that socket hangs up). Ask it to end that one, then ask again.
            qCDebug(lcAap) << "BlueZ holds an old accessory protocol channel to" << m_path << "- ending it";
            m_stage = Stage::Waiting;
            if (m_profile) {
                m_profile->disconnectProfile(m_path, [self = QPointer(this)] {
                    if (self && self->m_stage == Stage::Waiting) {
                        self->retry(QStringLiteral("an old channel was in the way"));
                    }
                });
            }
            return;
        }
        if (m_stage == Stage::Waiting) {
            open();
        }
    });
}

AccessoryLink::~AccessoryLink()
{
    closeOwnSocket();
    delete m_session; // shuts the channel down for everyone
}

void AccessoryLink::setRetryTiming(std::chrono::milliseconds first, std::chrono::milliseconds longest)
{
    m_firstRetry = first;
    m_longestRetry = longest;
}

bool AccessoryLink::send(const std::vector<std::uint8_t> &packet)
{
    return m_session && m_session->send(packet);
}

void AccessoryLink::open()
{
    if (m_stage != Stage::Idle && m_stage != Stage::Waiting) {
        return;
    }
    if (!m_profile || !m_profile->isRegistered()) {
        m_stage = Stage::Idle;
        return;
    }
    m_timer->stop();
    m_stage = Stage::Asking;
    ++m_attempts;
    m_profile->connectProfile(m_path);
}

void AccessoryLink::onConnectFinished(const QString &errorName, const QString &errorMessage)
{
    if (m_stage != Stage::Asking) {
        return; // the socket came first, or the link moved on
    }
    if (errorName.isEmpty()) {
        m_stage = Stage::AwaitingChannel;
        m_timer->start(ChannelWait);
    } else if (meansNoRecord(errorName)) {
        openOwnSocket();
    } else {
        retry(errorName + QLatin1Char(' ') + errorMessage);
    }
}

bool AccessoryLink::accept(int fd)
{
    if (m_stage != Stage::Asking && m_stage != Stage::AwaitingChannel) {
        return false;
    }
    m_timer->stop();
    startSession(fd);
    return true;
}

void AccessoryLink::openOwnSocket()
{
    const BluetoothDevice device = m_bluetooth ? m_bluetooth->device(m_path) : BluetoothDevice();
    const std::optional<bdaddr_t> remoteAddress = addressFrom(device.address);
    const std::optional<bdaddr_t> localAddress = addressFrom(device.adapterAddress);
    if (!remoteAddress || !localAddress) {
        retry(QStringLiteral("the pair's or its adapter's address is unknown"));
        return;
    }
    const int fd = ::socket(AF_BLUETOOTH, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, BTPROTO_L2CAP);
    if (fd < 0) {
        retry(QStringLiteral("no L2CAP socket: %1").arg(errorText(errno)));
        return;
    }
    sockaddr_l2 local{};
    local.l2_family = AF_BLUETOOTH;
    local.l2_bdaddr = *localAddress;
    sockaddr_l2 remote{};
    remote.l2_family = AF_BLUETOOTH;
    remote.l2_psm = htobs(Aap::Psm);
    remote.l2_bdaddr = *remoteAddress;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0
        || (::connect(fd, reinterpret_cast<sockaddr *>(&remote), sizeof remote) != 0 && errno != EINPROGRESS)) {
        const int error = errno;
        ::close(fd);
        retry(errorText(error));
        return;
    }
    m_stage = Stage::Connecting;
    m_socketFd = fd;
    m_socketNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    connect(m_socketNotifier.get(), &QSocketNotifier::activated, this, [this] {
        const int fd = m_socketFd;
        m_socketNotifier.release()->deleteLater();
        m_socketFd = -1;
        int error = 0;
        socklen_t size = sizeof error;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0) {
            ::close(fd);
            retry(errorText(error));
            return;
        }
        startSession(fd);
    });
}

void AccessoryLink::closeOwnSocket()
{
    // The notifier goes first, so that it never outlives its descriptor.
    m_socketNotifier.reset();
    if (m_socketFd >= 0) {
        ::close(m_socketFd);
        m_socketFd = -1;
    }
}

void AccessoryLink::startSession(int fd)
{
    m_stage = Stage::Open;
    m_session = new AapSession(fd, this);
    connect(m_session, &AapSession::received, this, [this](const Aap::Message &message) {
        // A working session: the next drop starts over with short pauses.
        m_attempts = 0;
        Q_EMIT received(message);
    });
    connect(m_session, &AapSession::ready, this, [this] {
        m_ready = true;
        qCInfo(lcAap) << "Accessory protocol session open with" << m_path;
        Q_EMIT ready();
    });
    connect(m_session, &AapSession::closed, this, [this] {
        m_session->deleteLater();
        m_session = nullptr;
        m_ready = false;
        const bool endedOnRequest = m_stage == Stage::Stopped;
        if (!endedOnRequest) {
            m_stage = Stage::Waiting;
        }
        Q_EMIT ended();
        if (!endedOnRequest) {
            retry(QStringLiteral("the channel closed"));
        }
    });
    if (!m_session->isOpen()) {
        m_session->shutDown("the channel closed at once");
    }
}

void AccessoryLink::endOnRequest()
{
    if (!m_session) {
        return; // a channel that was never ours (an earlier agent's): BlueZ ends it, and we go on
    }
    m_timer->stop();
    closeOwnSocket();
    m_stage = Stage::Stopped;
    if (m_session) {
        m_session->shutDown("BlueZ asked for the channel");
    }
}

void AccessoryLink::retry(const QString &why)
{
    m_stage = Stage::Waiting;
    if (m_attempts >= MaximumAttempts) {
        qCWarning(lcAap).noquote() << QStringLiteral("The AirPods at %1 keep refusing exact levels (%2); levels come "
                                                     "from advertisements until they connect again")
                                          .arg(m_path, why);
        m_stage = Stage::Stopped;
        return;
    }
    // Doubling pauses up to a ceiling, each moved by up to a fifth either way so that retries do not fall in step.
    const int doublings = std::clamp(m_attempts - 1, 0, 10);
    const qint64 base = std::min<qint64>(m_firstRetry.count() * (qint64(1) << doublings), m_longestRetry.count());
    const qint64 jitter = base / 5 > 0 ? QRandomGenerator::global()->bounded(-base / 5, base / 5 + 1) : 0;
    qCDebug(lcAap).noquote() << "No accessory protocol channel to" << m_path << "(" << why << "); next try in"
                             << base + jitter << "ms";
    m_timer->start(std::chrono::milliseconds(std::max<qint64>(base + jitter, 0)));
}

AccessoryLinks::AccessoryLinks(BluetoothService *bluetooth, const QDBusConnection &systemBus, QObject *parent)
    : QObject(parent)
    , m_bluetooth(bluetooth)
    , m_profile(new AapProfile(bluetooth, systemBus, this))
{
    m_profile->setConnectionHandler([this](const QString &path, int fd) {
        AccessoryLink *link = m_links.value(path);
        return link && link->accept(fd);
    });
    connect(m_profile, &AapProfile::disconnectionRequested, this, [this](const QString &path) {
        if (AccessoryLink *link = m_links.value(path)) {
            link->endOnRequest();
        }
    });
    connect(m_profile, &AapProfile::released, this, &AccessoryLinks::dropAll);
    // Registered only now, or again after BlueZ came back: every pair connected meanwhile is due.
    connect(m_profile, &AapProfile::registeredChanged, this, [this](bool registered) {
        if (registered) {
            for (const BluetoothDevice &device : m_bluetooth->pairedDevices()) {
                follow(device);
            }
        }
    });
    connect(bluetooth, &BluetoothService::deviceConnectionChanged, this, &AccessoryLinks::follow);
    connect(bluetooth, &BluetoothService::availableChanged, this, [this](bool available) {
        if (!available) {
            dropAll();
        }
    });
}

AccessoryLinks::~AccessoryLinks()
{
    qDeleteAll(m_links);
}

void AccessoryLinks::setRetryTiming(std::chrono::milliseconds first, std::chrono::milliseconds longest)
{
    m_firstRetry = first;
    m_longestRetry = longest;
    for (AccessoryLink *link : std::as_const(m_links)) {
        link->setRetryTiming(first, longest);
    }
}

void AccessoryLinks::follow(const BluetoothDevice &device)
{
    if (!device.isAirpods()) {
        return;
    }
    if (!device.connected) {
        drop(device.path);
        return;
    }
    if (m_links.contains(device.path) || !m_profile->isRegistered()) {
        return;
    }
    auto *link = new AccessoryLink(device.path, m_profile, m_bluetooth, this);
    link->setRetryTiming(m_firstRetry, m_longestRetry);
    m_links.insert(device.path, link);
    Q_EMIT linkAdded(device.path, link);
    link->open();
}

void AccessoryLinks::drop(const QString &path)
{
    AccessoryLink *link = m_links.take(path);
    if (link) {
        Q_EMIT linkRemoved(path);
        delete link;
    }
}

void AccessoryLinks::dropAll()
{
    const QStringList paths = m_links.keys();
    for (const QString &path : paths) {
        drop(path);
    }
}
