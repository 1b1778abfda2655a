// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

/*
 * Every AirPods model the agent knows, in one table (AirpodsModels.cpp), and what differs between them: how
 * the model is named on the wire, which batteries it has, which noise control modes it offers, how it tells
 * that it is worn, and which picture shows it. Plain C++ with the standard library only, so that the
 * advertisement decoder (which is fuzzed on its own) can use it too.
 *
 * A model is recognised by any of three names:
 *  - the product id of its Device ID record (BlueZ's Modalias "bluetooth:v004Cp200Ed0100"), vendor 0x004C;
 *  - the model field of its proximity pairing advertisement, which is the same two bytes in the other order
 *    (product 0x200E advertises 0x0E20);
 *  - the model numbers ("A2084") its accessory protocol metadata names, for a device without a Modalias.
 */
namespace AirpodsModels
{

/// Two buds in a charging case, or one battery (over-ear headphones, which have no case).
enum class Batteries { BudsAndCase, Single };
/// How the model knows that it is worn: in each ear, on the head, or not at all.
enum class WearDetection { None, InEar, OnHead };
/// Which noise control modes it offers: none; off, noise cancellation and transparency; those and adaptive.
enum class NoiseModes { None, Basic, WithAdaptive };
/// The artwork that shows it.
enum class Picture { Earbuds, OverEar };

struct Model {
    std::string_view name;
    std::uint16_t productId;
    std::span<const std::string_view> modelNumbers;
    Batteries batteries;
    NoiseModes noiseModes;
    WearDetection wear;
    Picture picture;

    /// The model field of its proximity pairing advertisement.
    std::uint16_t advertisedModel() const
    {
        return static_cast<std::uint16_t>(((productId & 0x00FF) << 8) | (productId >> 8));
    }
    bool hasSingleBattery() const { return batteries == Batteries::Single; }
};

/// All known models.
std::span<const Model> all();

const Model *byProductId(std::uint16_t productId);
const Model *byAdvertisedModel(std::uint16_t advertisedModel);
/// The model whose model numbers include @p modelNumber ("A2084"), compared exactly.
const Model *byModelNumber(std::string_view modelNumber);

} // namespace AirpodsModels
