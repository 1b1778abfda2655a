// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoiseControl.h"

#include "battery/AdvertisementMatch.h"

namespace NoiseControl
{

namespace
{
using Model = ProximityPairing::AirPodsModel;

const QList<NoiseMode> Basic{NoiseMode::Off, NoiseMode::NoiseCancellation, NoiseMode::Transparency};
const QList<NoiseMode> WithAdaptive = Basic + QList<NoiseMode>{NoiseMode::Adaptive};

// Which model has which modes. AirPods 1 to 4 have no noise control; AirPods 4 with noise cancelling, the second
// AirPods Pro (Lightning and USB-C), the third and the second AirPods Max have adaptive as well; the first AirPods
// Pro and the first AirPods Max (Lightning and USB-C) have off, noise cancellation and transparency.
std::optional<QList<NoiseMode>> modesOfModel(quint16 model)
{
    switch (static_cast<Model>(model)) {
    case Model::AirPods1:
    case Model::AirPods2:
    case Model::AirPods3:
    case Model::AirPods4:
        return QList<NoiseMode>();
    case Model::AirPodsPro:
    case Model::AirPodsMax:
    case Model::AirPodsMaxUsbC:
        return Basic;
    case Model::AirPods4NoiseCancelling:
    case Model::AirPodsPro2:
    case Model::AirPodsPro2UsbC:
    case Model::AirPodsPro3:
    case Model::AirPodsMax2:
        return WithAdaptive;
    }
    return std::nullopt;
}
} // namespace

QList<NoiseMode> modesOf(const BluetoothDevice &device, std::optional<NoiseMode> reported)
{
    if (!reported) {
        return {};
    }
    const std::optional<quint16> product = AdvertisementMatch::appleProductId(device.modalias);
    if (const auto known = product ? modesOfModel(AdvertisementMatch::modelForProductId(*product)) : std::nullopt) {
        return *known;
    }
    return reported == NoiseMode::Adaptive ? WithAdaptive : Basic;
}

} // namespace NoiseControl
