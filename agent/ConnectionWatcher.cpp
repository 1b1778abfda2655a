// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConnectionWatcher.h"

#include "bluetooth/BluetoothService.h"

ConnectionWatcher::ConnectionWatcher(BluetoothService *bluetooth, QObject *parent)
    : QObject(parent)
{
    connect(bluetooth, &BluetoothService::deviceConnectionChanged, this, [this](const BluetoothDevice &device) {
        if (!device.isAirpods()) {
            return;
        }
        if (device.connected) {
            Q_EMIT airpodsConnected(device);
        } else {
            Q_EMIT airpodsDisconnected(device);
        }
    });
}
