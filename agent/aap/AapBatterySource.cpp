// SPDX-License-Identifier: GPL-3.0-or-later
#include "AapBatterySource.h"

#include "AapKeyStore.h"
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
// BlueZ's answers that mean it cannot open this profile to this device at all (no service record for it).
bool meansNoRecord(const QString &errorName)
{
    return errorName == QLatin1String("org.bluez.Error.NotSupported")
        || errorName == QLatin1String("org.bluez.Error.NotAvailable");
}

std::optional<BatteryLevel> levelOf(const Aap::BatteryReport::Entry &entry)
{
    if (!entry.level || entry.status == static_cast<std::uint8_t>(Aap::ChargeStatus::NotPresent)) {
        return std::nullopt;
    }
    return BatteryLevel{*entry.level, entry.status == static_cast<std::uint8_t>(Aap::ChargeStatus::Charging)};
}

std::optional<NoiseMode> noiseModeFrom(std::uint8_t mode)
{
    switch (static_cast<Aap::NoiseMode>(mode)) {
    case Aap::NoiseMode::Off:
        return NoiseMode::Off;
    case Aap::NoiseMode::NoiseCancellation:
        return NoiseMode::NoiseCancellation;
    case Aap::NoiseMode::Transparency:
        return NoiseMode::Transparency;
    case Aap::NoiseMode::Adaptive:
        return NoiseMode::Adaptive;
    }
    return std::nullopt;
}

Aap::NoiseMode aapNoiseMode(NoiseMode mode)
{
    switch (mode) {
    case NoiseMode::Off:
        return Aap::NoiseMode::Off;
    case NoiseMode::NoiseCancellation:
        return Aap::NoiseMode::NoiseCancellation;
    case NoiseMode::Transparency:
        return Aap::NoiseMode::Transparency;
    case NoiseMode::Adaptive:
        return Aap::NoiseMode::Adaptive;
    }
    return Aap::NoiseMode::Off;
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
} // namespace

AapBatterySource::AapBatterySource(BluetoothService *bluetooth,
                                   const QDBusConnection &systemBus,
                                   AapKeyStore *keys,
                                   QObject *parent)
    : BatterySource(parent)
    , m_bluetooth(bluetooth)
    , m_profile(new AapProfile(bluetooth, systemBus, this))
    , m_keys(keys)
{
    connect(m_profile, &AapProfile::connectFinished, this, &AapBatterySource::onConnectFinished);
    connect(m_profile, &AapProfile::newConnection, this, &AapBatterySource::onNewConnection);
    connect(m_profile, &AapProfile::disconnectionRequested, this, [this](const QString &path) {
        if (Link *link = m_links.contains(path) ? &m_links[path] : nullptr; link && link->session) {
            delete link->session;
        }
    });
    // Registered only now, or again after BlueZ came back: every pair connected meanwhile is due.
    connect(m_profile, &AapProfile::registeredChanged, this, [this](bool registered) {
        if (!registered) {
            return;
        }
        for (const BluetoothDevice &device : m_bluetooth->pairedDevices()) {
            follow(device);
        }
    });
    connect(bluetooth, &BluetoothService::deviceConnectionChanged, this, &AapBatterySource::follow);
    connect(bluetooth, &BluetoothService::availableChanged, this, [this](bool available) {
        if (!available) {
            const QStringList paths = m_links.keys();
            for (const QString &path : paths) {
                drop(path);
            }
        }
    });
    connect(bluetooth, &BluetoothService::deviceRemoved, this, [this](const BluetoothDevice &device) {
        m_pairKeys.remove(device.address);
        if (m_keys && device.isAirpods() && !m_keys->forget(device.address)) {
            qCWarning(lcAap).noquote() << "Cannot forget the keys of a removed pair:" << m_keys->errorString();
        }
    });
}

AapBatterySource::~AapBatterySource()
{
    for (const Link &link : std::as_const(m_links)) {
        if (link.socketFd >= 0) {
            ::close(link.socketFd);
        }
    }
}

void AapBatterySource::setRetryTiming(std::chrono::milliseconds first, std::chrono::milliseconds longest)
{
    m_firstRetry = first;
    m_longestRetry = longest;
}

std::optional<BatteryState> AapBatterySource::state(const QString &path) const
{
    const auto link = m_links.constFind(path);
    if (link == m_links.cend() || !link->state.hasLevel()) {
        return std::nullopt;
    }
    return link->state;
}

std::optional<NoiseMode> AapBatterySource::noiseMode(const QString &path) const
{
    const auto link = m_links.constFind(path);
    return link == m_links.cend() ? std::nullopt : link->noiseMode;
}

bool AapBatterySource::setNoiseMode(const QString &path, NoiseMode mode)
{
    const auto link = m_links.constFind(path);
    if (link == m_links.cend() || !link->session || !link->session->send(Aap::setNoiseControl(aapNoiseMode(mode)))) {
        return false;
    }
    // The AirPods' confirmation does not always come: the chosen mode shows at once.
    onNoiseMode(path, mode);
    return true;
}

std::optional<std::array<std::uint8_t, 16>> AapBatterySource::identityKey(const QString &path) const
{
    return pairKeys(path).irk;
}

Aap::KeysReport AapBatterySource::pairKeys(const QString &path) const
{
    if (!m_keys || !m_bluetooth) {
        return {};
    }
    const QString address = m_bluetooth->device(path).address;
    if (address.isEmpty()) {
        return {};
    }
    const auto known = m_pairKeys.constFind(address);
    if (known != m_pairKeys.cend()) {
        return *known;
    }
    return *m_pairKeys.insert(address, m_keys->keys(address));
}

void AapBatterySource::follow(const BluetoothDevice &device)
{
    if (!device.isAirpods()) {
        return;
    }
    if (!device.connected) {
        drop(device.path);
        return;
    }
    if (!m_links.contains(device.path) && m_profile->isRegistered()) {
        Link &link = m_links[device.path];
        link.retry = new QTimer(this);
        link.retry->setSingleShot(true);
        connect(link.retry, &QTimer::timeout, this, [this, path = device.path] { open(path); });
        open(device.path);
    }
}

void AapBatterySource::open(const QString &path)
{
    Link &link = m_links[path];
    if (link.session || link.requesting || link.socketFd >= 0) {
        return;
    }
    link.requesting = true;
    ++link.attempts;
    m_profile->connectProfile(path);
}

void AapBatterySource::onConnectFinished(const QString &path, const QString &errorName, const QString &errorMessage)
{
    if (!m_links.contains(path)) {
        return;
    }
    Link &link = m_links[path];
    link.requesting = false;
    if (errorName.isEmpty() || link.session) {
        return; // the socket comes (or came) through NewConnection
    }
    if (meansNoRecord(errorName)) {
        openOwnSocket(path);
        return;
    }
    scheduleRetry(path, errorName + QLatin1Char(' ') + errorMessage);
}

void AapBatterySource::onNewConnection(const QString &path, int fd)
{
    if (!m_links.contains(path) || m_links.value(path).session) {
        qCDebug(lcAap) << "Closing an accessory protocol channel nobody waits for:" << path;
        ::close(fd);
        return;
    }
    startSession(path, fd);
}

void AapBatterySource::openOwnSocket(const QString &path)
{
    const std::optional<bdaddr_t> address = addressFrom(m_bluetooth->device(path).address);
    const int fd = address ? ::socket(AF_BLUETOOTH, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, BTPROTO_L2CAP) : -1;
    if (fd < 0) {
        scheduleRetry(path, QStringLiteral("no L2CAP socket: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    sockaddr_l2 remote{};
    remote.l2_family = AF_BLUETOOTH;
    remote.l2_psm = htobs(Aap::Psm);
    remote.l2_bdaddr = *address;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&remote), sizeof remote) != 0 && errno != EINPROGRESS) {
        const int error = errno;
        ::close(fd);
        scheduleRetry(path, QString::fromLocal8Bit(std::strerror(error)));
        return;
    }
    m_links[path].socketFd = fd;
    auto *writable = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(writable, &QSocketNotifier::activated, this, [this, path, fd, writable] {
        writable->deleteLater();
        if (!m_links.contains(path) || m_links.value(path).socketFd != fd) {
            return; // dropped meanwhile; the socket is closed already
        }
        m_links[path].socketFd = -1;
        int error = 0;
        socklen_t size = sizeof error;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0) {
            ::close(fd);
            scheduleRetry(path, QString::fromLocal8Bit(std::strerror(error)));
            return;
        }
        startSession(path, fd);
    });
}

void AapBatterySource::startSession(const QString &path, int fd)
{
    Link &link = m_links[path];
    const QString address = m_bluetooth->device(path).address;
    const Aap::KeysReport known = pairKeys(path);
    const bool wantKeys = m_keys && (!known.irk || !known.encryptionKey);
    auto *session = new AapSession(fd, wantKeys, this);
    link.session = session;
    connect(session, &AapSession::batteryReported, this,
            [this, path](const Aap::BatteryReport &report) { onBattery(path, report); });
    connect(session, &AapSession::inEarReported, this,
            [this, path](const Aap::InEarReport &report) { onInEar(path, report); });
    connect(session, &AapSession::noiseControlReported, this, [this, path](const Aap::NoiseControlReport &report) {
        if (const std::optional<NoiseMode> mode = noiseModeFrom(report.mode)) {
            onNoiseMode(path, mode);
        }
    });
    connect(session, &AapSession::keysReported, this, [this, address](const Aap::KeysReport &keys) {
        m_pairKeys.remove(address);
        if (m_keys && !m_keys->store(address, keys)) {
            qCWarning(lcAap).noquote() << "Cannot keep the pair's keys:" << m_keys->errorString();
        }
    });
    connect(session, &AapSession::closed, this, [this, path, session] {
        session->deleteLater();
        if (!m_links.contains(path)) {
            return;
        }
        onNoiseMode(path, std::nullopt);
        // Without the channel nothing keeps these levels true; the next best source stands in until it is back.
        Link &link = m_links[path];
        const bool hadLevels = link.state.hasLevel();
        link.state = BatteryState();
        if (hadLevels) {
            Q_EMIT stateChanged(path);
        }
        scheduleRetry(path, QStringLiteral("the channel closed"));
    });
    if (!session->isOpen()) {
        session->deleteLater();
        scheduleRetry(path, QStringLiteral("the channel closed at once"));
        return;
    }
    qCInfo(lcAap) << "Accessory protocol session open with" << path;
}

void AapBatterySource::scheduleRetry(const QString &path, const QString &why)
{
    Link &link = m_links[path];
    if (link.attempts >= MaximumRetries) {
        qCWarning(lcAap).noquote() << QStringLiteral("The AirPods at %1 keep refusing exact levels (%2); levels come "
                                                     "from advertisements until they connect again")
                                          .arg(path, why);
        return;
    }
    // Doubling pauses up to a ceiling, each moved by up to a fifth either way so that retries do not fall in step.
    const qint64 base = std::min<qint64>(m_firstRetry.count() << std::clamp(link.attempts - 1, 0, 10), m_longestRetry.count());
    const qint64 jitter = base / 5 > 0 ? QRandomGenerator::global()->bounded(-base / 5, base / 5 + 1) : 0;
    qCDebug(lcAap).noquote() << "No accessory protocol channel to" << path << "(" << why << "); next try in"
                             << base + jitter << "ms";
    link.retry->start(std::chrono::milliseconds(std::max<qint64>(base + jitter, 0)));
}

void AapBatterySource::drop(const QString &path)
{
    const auto found = m_links.find(path);
    if (found == m_links.end()) {
        return;
    }
    Link link = *found;
    m_links.erase(found);
    delete link.retry;
    if (link.socketFd >= 0) {
        ::close(link.socketFd);
    }
    delete link.session;
    if (link.state.hasLevel()) {
        Q_EMIT stateChanged(path);
    }
    if (link.noiseMode) {
        Q_EMIT noiseModeChanged(path);
    }
}

void AapBatterySource::onBattery(const QString &path, const Aap::BatteryReport &report)
{
    Link &link = m_links[path];
    link.attempts = 0; // a working session: the next drop starts over with short pauses
    BatteryState &state = link.state;
    state.left.reset();
    state.right.reset();
    state.caseBattery.reset();
    state.single.reset();
    bool firstBud = true;
    for (const Aap::BatteryReport::Entry &entry : report.entries) {
        switch (entry.component) {
        case Aap::Component::Left:
            state.left = levelOf(entry);
            break;
        case Aap::Component::Right:
            state.right = levelOf(entry);
            break;
        case Aap::Component::Case:
            state.caseBattery = levelOf(entry);
            break;
        case Aap::Component::Single:
            state.single = levelOf(entry);
            break;
        }
        if (firstBud && (entry.component == Aap::Component::Left || entry.component == Aap::Component::Right)) {
            // The primary bud reports first; the in-ear report names the buds by that role.
            link.primaryIsLeft = entry.component == Aap::Component::Left;
            firstBud = false;
        }
    }
    state.origin = BatteryOrigin::Accessory;
    state.observedAt = BatteryState::now();
    Q_EMIT stateChanged(path);
}

void AapBatterySource::onInEar(const QString &path, const Aap::InEarReport &report)
{
    Link &link = m_links[path];
    const bool primaryInEar = report.primary == static_cast<std::uint8_t>(Aap::Placement::InEar);
    const bool secondaryInEar = report.secondary == static_cast<std::uint8_t>(Aap::Placement::InEar);
    link.state.leftInEar = link.primaryIsLeft ? primaryInEar : secondaryInEar;
    link.state.rightInEar = link.primaryIsLeft ? secondaryInEar : primaryInEar;
    Q_EMIT stateChanged(path);
}

void AapBatterySource::onNoiseMode(const QString &path, std::optional<NoiseMode> mode)
{
    Link &link = m_links[path];
    if (link.noiseMode != mode) {
        link.noiseMode = mode;
        Q_EMIT noiseModeChanged(path);
    }
}
