// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BatteryState.h"
#include "BluetoothDevice.h"
#include "NoiseControl.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <optional>

class BluetoothService;

/// One paired pair of AirPods as the agent knows it now.
struct Pair {
    /// The device, with its connection and model.
    BluetoothDevice device;
    /// The best reading, with its origin (and the buds' places where known); empty when there is none.
    BatteryState battery;
    /// The noise control mode the pair reported; none without noise control or before it said.
    std::optional<NoiseMode> noiseMode;

    const QString &path() const { return device.path; }
    bool isConnected() const { return device.connected; }
    bool operator==(const Pair &) const = default;
};

/**
 * Every paired AirPods, in one order that everything showing them follows: the connected pairs first, in the order
 * they connected (those already connected when the agent started in the Bluetooth service's order, before any that
 * connected since), then the others in the service's order. The first connected pair is the one the panel shows at
 * the top, the tool tip names first and earlume-status speaks of.
 *
 * It keeps nothing but that order: devices, readings and modes are read from the service's cache when asked, so no
 * two consumers can disagree on them.
 */
class PairList : public QObject
{
    Q_OBJECT

public:
    explicit PairList(BluetoothService *bluetooth, QObject *parent = nullptr);

    /// Every paired AirPods, in the order above.
    QList<Pair> pairs() const;
    /// The connected ones among pairs(), in its order.
    QList<Pair> connectedPairs() const;
    /// The pair at @p path, paired or not, if it is AirPods.
    std::optional<Pair> pair(const QString &path) const;

    /// Orders @p pairs as pairs() does, given the paths of connected pairs in the order they connected.
    static void order(QList<Pair> &pairs, const QStringList &connectOrder);

    BluetoothService *bluetooth() const;

Q_SIGNALS:
    /// Something about the pairs changed: one came, went, connected or disconnected, or a reading or mode changed.
    void changed();

private:
    Pair pairOf(const BluetoothDevice &device) const;

    QPointer<BluetoothService> m_bluetooth;
    // Paths of the pairs that connected while the agent ran and are still connected, the earliest first.
    QStringList m_connectOrder;
};
