// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bluetooth/BluetoothDevice.h"

#include <QObject>

class BluetoothService;

/**
 * Tells the parts of the agent that react to AirPods coming and going (the heads-up window, the notices) when a
 * pair connects or disconnects: once per change of an AirPods-class device's connection, also for a pair that
 * appears already connected or vanishes while connected. Other devices are not reported.
 */
class ConnectionWatcher : public QObject
{
    Q_OBJECT

public:
    explicit ConnectionWatcher(BluetoothService *bluetooth, QObject *parent = nullptr);

Q_SIGNALS:
    void airpodsConnected(const BluetoothDevice &device);
    void airpodsDisconnected(const BluetoothDevice &device);
};
