// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoiseControl.h"


namespace NoiseControl
{

namespace
{
const QList<NoiseMode> Basic{NoiseMode::Off, NoiseMode::NoiseCancellation, NoiseMode::Transparency};
const QList<NoiseMode> WithAdaptive = Basic + QList<NoiseMode>{NoiseMode::Adaptive};
} // namespace

QList<NoiseMode> modesOf(const BluetoothDevice &device, std::optional<NoiseMode> reported)
{
    if (!reported) {
        return {};
    }
    if (device.model) {
        switch (device.model->noiseModes) {
        case AirpodsModels::NoiseModes::None:
            return {};
        case AirpodsModels::NoiseModes::Basic:
            return Basic;
        case AirpodsModels::NoiseModes::WithAdaptive:
            return WithAdaptive;
        }
    }
    return reported == NoiseMode::Adaptive ? WithAdaptive : Basic;
}

} // namespace NoiseControl
