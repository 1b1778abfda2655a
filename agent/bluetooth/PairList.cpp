// SPDX-License-Identifier: GPL-3.0-or-later
#include "PairList.h"

#include "BluetoothService.h"

#include <algorithm>

PairList::PairList(BluetoothService *bluetooth, QObject *parent)
    : QObject(parent)
    , m_bluetooth(bluetooth)
{
    connect(bluetooth, &BluetoothService::deviceConnectionChanged, this, [this](const BluetoothDevice &device) {
        m_connectOrder.removeAll(device.path);
        if (device.connected) {
            m_connectOrder.append(device.path);
        }
        Q_EMIT changed();
    });
    connect(bluetooth, &BluetoothService::deviceRemoved, this, [this](const BluetoothDevice &device) {
        m_connectOrder.removeAll(device.path);
        Q_EMIT changed();
    });
    connect(bluetooth, &BluetoothService::availableChanged, this, [this](bool available) {
        if (!available) {
            m_connectOrder.clear();
        }
        Q_EMIT changed();
    });
    connect(bluetooth, &BluetoothService::devicesChanged, this, &PairList::changed);
    connect(bluetooth, &BluetoothService::batteryChanged, this, &PairList::changed);
    connect(bluetooth, &BluetoothService::noiseModeChanged, this, &PairList::changed);
}

BluetoothService *PairList::bluetooth() const
{
    return m_bluetooth;
}

Pair PairList::pairOf(const BluetoothDevice &device) const
{
    return {device, m_bluetooth->battery(device.path), m_bluetooth->noiseMode(device.path)};
}

void PairList::order(QList<Pair> &pairs, const QStringList &connectOrder)
{
    // Unconnected pairs after connected ones; among connected ones, those of unknown order (connected before we
    // started) first, then by the order they connected. Stable: ties keep the service's order.
    const auto rank = [&connectOrder](const Pair &pair) {
        return pair.isConnected() ? connectOrder.indexOf(pair.path()) : connectOrder.size();
    };
    std::stable_sort(pairs.begin(), pairs.end(), [&rank](const Pair &a, const Pair &b) { return rank(a) < rank(b); });
}

QList<Pair> PairList::pairs() const
{
    QList<Pair> pairs;
    if (!m_bluetooth) {
        return pairs;
    }
    for (const BluetoothDevice &device : m_bluetooth->pairedDevices()) {
        if (device.isAirpods()) {
            pairs.append(pairOf(device));
        }
    }
    order(pairs, m_connectOrder);
    return pairs;
}

QList<Pair> PairList::connectedPairs() const
{
    QList<Pair> connected = pairs();
    connected.removeIf([](const Pair &pair) { return !pair.isConnected(); });
    return connected;
}

std::optional<Pair> PairList::pair(const QString &path) const
{
    if (!m_bluetooth) {
        return std::nullopt;
    }
    const BluetoothDevice device = m_bluetooth->device(path);
    if (device.path.isEmpty() || !device.isAirpods()) {
        return std::nullopt;
    }
    return pairOf(device);
}
