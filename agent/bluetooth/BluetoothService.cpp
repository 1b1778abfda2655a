// SPDX-License-Identifier: GPL-3.0-or-later
#include "BluetoothService.h"

#include "BatterySource.h"

#include <QTimer>

void PendingConnect::finish(int status)
{
    // Even a failure known at once arrives through the event loop, so callers have a single path.
    QTimer::singleShot(0, this, [this, status] {
        Q_EMIT finished(status);
        deleteLater();
    });
}

BluetoothService::~BluetoothService() = default;

BatteryState BluetoothService::battery(const QString &path) const
{
    return m_batteries.value(path);
}

void BluetoothService::addBatterySource(BatterySource *source)
{
    m_sources.append(source);
    connect(source, &BatterySource::stateChanged, this, &BluetoothService::updateBattery);
    connect(source, &BatterySource::noiseModeChanged, this, &BluetoothService::noiseModeChanged);
    connect(source, &BatterySource::caseOpened, this, &BluetoothService::caseOpened);
}

void BluetoothService::disconnectByUser(const QString &path)
{
    Q_EMIT disconnectedByUser(path);
    disconnectDevice(path);
}

std::optional<NoiseMode> BluetoothService::noiseMode(const QString &path) const
{
    for (const QPointer<BatterySource> &source : std::as_const(m_sources)) {
        if (const std::optional<NoiseMode> mode = source ? source->noiseMode(path) : std::nullopt) {
            return mode;
        }
    }
    return std::nullopt;
}

void BluetoothService::setNoiseMode(const QString &path, NoiseMode mode)
{
    for (const QPointer<BatterySource> &source : std::as_const(m_sources)) {
        if (source && source->setNoiseMode(path, mode)) {
            return;
        }
    }
}

void BluetoothService::refreshReadings()
{
    for (const QPointer<BatterySource> &source : std::as_const(m_sources)) {
        if (source) {
            source->refresh();
        }
    }
}

void BluetoothService::learnModel(const QString &path, const AirpodsModels::Model *model)
{
    if (m_learnedModels.value(path) == model) {
        return;
    }
    m_learnedModels.insert(path, model);
    Q_EMIT devicesChanged();
    updateBattery(path);
}

void BluetoothService::updateBattery(const QString &path)
{
    std::optional<BatteryState> best = ownBattery(path);
    for (const QPointer<BatterySource> &source : std::as_const(m_sources)) {
        const std::optional<BatteryState> candidate = source ? source->state(path) : std::nullopt;
        if (candidate && candidate->hasLevel() && (!best || candidate->origin < best->origin)) {
            best = candidate;
        }
    }
    if (best) {
        best = best->shapedFor(device(path).model);
    }
    if (best && !best->hasLevel()) {
        best.reset();
    }
    const auto known = m_batteries.constFind(path);
    if (!best) {
        if (known != m_batteries.cend()) {
            m_batteries.erase(known);
            Q_EMIT batteryChanged(path);
        }
        return;
    }
    // A new message with the same levels is no change anyone could see; it is kept for its time all the same.
    bool changed = known == m_batteries.cend();
    if (!changed) {
        BatteryState previous = *known;
        previous.observedAt = best->observedAt;
        changed = previous != *best;
    }
    m_batteries.insert(path, *best);
    if (changed) {
        Q_EMIT batteryChanged(path);
    }
}

void BluetoothService::updateAllBatteries()
{
    const QStringList paths = m_batteries.keys();
    for (const QString &path : paths) {
        updateBattery(path);
    }
}
