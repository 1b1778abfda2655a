// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AirpodsModels.h"

#include <QMetaType>
#include <QString>

/// The AirPods' 32-bit class of device: Audio and Rendering services, Audio/Video major class, Headphones
/// minor class. Compared as a whole: a device that differs in any bit is not AirPods.
inline constexpr quint32 AirpodsClassOfDevice = 0x240418;

/// One Bluetooth device as last reported by the system, identified by its object path.
struct BluetoothDevice {
    QString path;
    QString address;
    QString name;
    quint32 classOfDevice = 0;
    bool paired = false;
    bool connected = false;
    /// "usb:v004Cp2014d..." style identification, when the system knows it.
    QString modalias;
    /// The address of the adapter the device belongs to.
    QString adapterAddress;
    /// The AirPods model, from the Modalias or, without one, from what the AirPods said of themselves.
    const AirpodsModels::Model *model = nullptr;

    bool isAirpods() const { return classOfDevice == AirpodsClassOfDevice; }
    bool operator==(const BluetoothDevice &) const = default;
};

Q_DECLARE_METATYPE(BluetoothDevice)
