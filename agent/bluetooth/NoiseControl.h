// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BluetoothDevice.h"

#include <QList>

#include <optional>

/// A noise control mode of AirPods, in the order the panel lists them.
enum class NoiseMode { Off, NoiseCancellation, Transparency, Adaptive };

namespace NoiseControl
{
/**
 * The modes the pair at @p device offers, in panel order, once it has reported its current mode (@p reported);
 * nothing before that. The model's modes come from the table of models (AirpodsModels). A pair whose model we do
 * not know (no Modalias, or a product id newer than the table) is offered the three modes every AirPods with noise control has, plus adaptive
 * once it reported adaptive: a pair that reports a mode has noise control, and the three are safe to ask for.
 */
QList<NoiseMode> modesOf(const BluetoothDevice &device, std::optional<NoiseMode> reported);
} // namespace NoiseControl
