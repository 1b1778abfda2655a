// SPDX-License-Identifier: GPL-3.0-or-later
#include "AapBatterySource.h"

#include "AapKeyStore.h"
#include "AccessoryLink.h"
#include "Logging.h"
#include "bluetooth/AirpodsModels.h"
#include "bluetooth/BluetoothService.h"

#include <QTimer>

namespace
{
std::optional<BatteryLevel> levelOf(const Aap::BatteryReport::Entry &entry)
{
    if (!entry.level || entry.status == static_cast<std::uint8_t>(Aap::ChargeStatus::NotPresent)) {
        return std::nullopt;
    }
    return BatteryLevel{*entry.level, Aap::isCharging(entry.status)};
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
} // namespace

AapBatterySource::AapBatterySource(BluetoothService *bluetooth,
                                   const QDBusConnection &systemBus,
                                   AapKeyStore *keys,
                                   QObject *parent)
    : BatterySource(parent)
    , m_bluetooth(bluetooth)
    , m_links(new AccessoryLinks(bluetooth, systemBus, this))
    , m_keys(keys)
{
    connect(m_links, &AccessoryLinks::linkAdded, this, &AapBatterySource::subscribe);
    connect(m_links, &AccessoryLinks::linkRemoved, this, &AapBatterySource::forget);
    connect(bluetooth, &BluetoothService::deviceRemoved, this, &AapBatterySource::onRemoved);
}

AapBatterySource::~AapBatterySource() = default;

void AapBatterySource::setRetryTiming(std::chrono::milliseconds first, std::chrono::milliseconds longest)
{
    m_links->setRetryTiming(first, longest);
}

std::optional<BatteryState> AapBatterySource::state(const QString &path) const
{
    const auto reading = m_readings.constFind(path);
    if (reading == m_readings.cend() || !reading->state.hasLevel()) {
        return std::nullopt;
    }
    return reading->state;
}

std::optional<NoiseMode> AapBatterySource::noiseMode(const QString &path) const
{
    const auto reading = m_readings.constFind(path);
    return reading == m_readings.cend() ? std::nullopt : reading->noiseMode;
}

bool AapBatterySource::setNoiseMode(const QString &path, NoiseMode mode)
{
    AccessoryLink *link = m_links->link(path);
    if (!link || !link->send(Aap::setNoiseControl(aapNoiseMode(mode)))) {
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

void AapBatterySource::subscribe(const QString &path, AccessoryLink *link)
{
    connect(link, &AccessoryLink::received, this,
            [this, path](const Aap::Message &message) { onMessage(path, message); });
    connect(link, &AccessoryLink::ready, this, [this, path, link] {
        const Aap::KeysReport known = pairKeys(path);
        if (m_keys && (!known.irk || !known.encryptionKey)) {
            link->send(Aap::requestKeys());
        }
    });
    // Without the channel nothing keeps these readings true; the next best source stands in until it is back.
    connect(link, &AccessoryLink::ended, this, [this, path] { forget(path); });
}

void AapBatterySource::forget(const QString &path)
{
    const auto found = m_readings.find(path);
    if (found == m_readings.end()) {
        return;
    }
    const Reading reading = *found;
    m_readings.erase(found);
    if (reading.state.hasLevel() || reading.state.leftInEar || reading.state.rightInEar) {
        Q_EMIT stateChanged(path);
    }
    if (reading.noiseMode) {
        Q_EMIT noiseModeChanged(path);
    }
}

void AapBatterySource::onMessage(const QString &path, const Aap::Message &message)
{
    if (const auto *battery = std::get_if<Aap::BatteryReport>(&message)) {
        onBattery(path, *battery);
    } else if (const auto *inEar = std::get_if<Aap::InEarReport>(&message)) {
        onInEar(path, *inEar);
    } else if (const auto *noise = std::get_if<Aap::NoiseControlReport>(&message)) {
        if (const std::optional<NoiseMode> mode = noiseModeFrom(noise->mode)) {
            onNoiseMode(path, mode);
        }
    } else if (const auto *metadata = std::get_if<Aap::MetadataReport>(&message)) {
        if (m_bluetooth) {
            m_bluetooth->learnModel(path, AirpodsModels::byModelNumber(metadata->modelNumber));
        }
    } else if (const auto *keys = std::get_if<Aap::KeysReport>(&message)) {
        const QString address = m_bluetooth ? m_bluetooth->device(path).address : QString();
        m_pairKeys.remove(address);
        if (m_keys && !address.isEmpty() && !m_keys->store(address, *keys)) {
            qCWarning(lcAap).noquote() << "Cannot keep the pair's keys:" << m_keys->errorString();
        }
    }
}

void AapBatterySource::onBattery(const QString &path, const Aap::BatteryReport &report)
{
    Reading &reading = m_readings[path];
    BatteryState &state = reading.state;
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
            reading.primaryIsLeft = entry.component == Aap::Component::Left;
            firstBud = false;
        }
    }
    state.origin = BatteryOrigin::Accessory;
    state.observedAt = BatteryState::now();
    Q_EMIT stateChanged(path);
}

void AapBatterySource::onInEar(const QString &path, const Aap::InEarReport &report)
{
    Reading &reading = m_readings[path];
    const bool primaryInEar = report.primary == static_cast<std::uint8_t>(Aap::Placement::InEar);
    const bool secondaryInEar = report.secondary == static_cast<std::uint8_t>(Aap::Placement::InEar);
    reading.state.leftInEar = reading.primaryIsLeft ? primaryInEar : secondaryInEar;
    reading.state.rightInEar = reading.primaryIsLeft ? secondaryInEar : primaryInEar;
    Q_EMIT stateChanged(path);
}

void AapBatterySource::onNoiseMode(const QString &path, std::optional<NoiseMode> mode)
{
    Reading &reading = m_readings[path];
    if (reading.noiseMode != mode) {
        reading.noiseMode = mode;
        Q_EMIT noiseModeChanged(path);
    }
}

void AapBatterySource::onRemoved(const BluetoothDevice &device)
{
    m_pairKeys.remove(device.address);
    if (!m_keys || !device.isAirpods()) {
        return;
    }
    // BlueZ removes an adapter's devices before the adapter itself: wait a moment to tell an unpairing (the
    // adapter stays) from an adapter going away (a dongle unplugged, a controller re-enumerated on resume).
    const QString adapter = device.path.section(QLatin1Char('/'), 0, -2);
    QTimer::singleShot(AdapterGrace, this, [this, device, adapter] {
        if (!m_bluetooth || !m_bluetooth->hasAdapter(adapter)) {
            qCDebug(lcAap) << "Keeping the keys of" << device.path << "- its adapter went away";
            return;
        }
        m_pairKeys.remove(device.address);
        if (!m_keys->forget(device.address)) {
            qCWarning(lcAap).noquote() << "Cannot forget the keys of a removed pair:" << m_keys->errorString();
        }
    });
}
