// SPDX-License-Identifier: GPL-3.0-or-later
#include "AirpodsModels.h"

#include <algorithm>
#include <array>

namespace AirpodsModels
{

namespace
{
using namespace std::string_view_literals;

// Model numbers as Apple prints them on each bud (or on the headphones), from Apple's "Identify your AirPods"
// support page; the metadata packet of the accessory protocol names the bud that answers.
constexpr std::array AirPods1Numbers{"A1523"sv, "A1722"sv};
constexpr std::array AirPods2Numbers{"A2032"sv, "A2031"sv};
constexpr std::array AirPods3Numbers{"A2565"sv, "A2564"sv};
constexpr std::array AirPods4Numbers{"A3053"sv, "A3050"sv, "A3054"sv};
constexpr std::array AirPods4AncNumbers{"A3056"sv, "A3055"sv, "A3057"sv};
constexpr std::array ProNumbers{"A2084"sv, "A2083"sv};
constexpr std::array Pro2Numbers{"A2931"sv, "A2699"sv, "A2698"sv};
constexpr std::array Pro2UsbCNumbers{"A3047"sv, "A3048"sv, "A3049"sv};
constexpr std::array Pro3Numbers{"A3063"sv, "A3064"sv, "A3065"sv};
constexpr std::array MaxNumbers{"A2096"sv};
constexpr std::array MaxUsbCNumbers{"A3184"sv};
constexpr std::array Max2Numbers{"A3454"sv};

// Product ids: Apple's Device ID records as BlueZ reports them (0x200A for the first AirPods Max and 0x201F for
// the USB-C one were posted with their System Information pages); the advertised model field mirrors them.
constexpr Model Models[] = {
    {"AirPods"sv, 0x2002, AirPods1Numbers, Batteries::BudsAndCase, NoiseModes::None, WearDetection::InEar,
     Picture::Earbuds},
    {"AirPods (2nd generation)"sv, 0x200F, AirPods2Numbers, Batteries::BudsAndCase, NoiseModes::None,
     WearDetection::InEar, Picture::Earbuds},
    {"AirPods (3rd generation)"sv, 0x2013, AirPods3Numbers, Batteries::BudsAndCase, NoiseModes::None,
     WearDetection::InEar, Picture::Earbuds},
    {"AirPods 4"sv, 0x2019, AirPods4Numbers, Batteries::BudsAndCase, NoiseModes::None, WearDetection::InEar,
     Picture::Earbuds},
    {"AirPods 4 with Active Noise Cancellation"sv, 0x201B, AirPods4AncNumbers, Batteries::BudsAndCase,
     NoiseModes::WithAdaptive, WearDetection::InEar, Picture::Earbuds},
    {"AirPods Pro"sv, 0x200E, ProNumbers, Batteries::BudsAndCase, NoiseModes::Basic, WearDetection::InEar,
     Picture::Earbuds},
    {"AirPods Pro 2"sv, 0x2014, Pro2Numbers, Batteries::BudsAndCase, NoiseModes::WithAdaptive, WearDetection::InEar,
     Picture::Earbuds},
    {"AirPods Pro 2 (USB-C)"sv, 0x2024, Pro2UsbCNumbers, Batteries::BudsAndCase, NoiseModes::WithAdaptive,
     WearDetection::InEar, Picture::Earbuds},
    {"AirPods Pro 3"sv, 0x2027, Pro3Numbers, Batteries::BudsAndCase, NoiseModes::WithAdaptive, WearDetection::InEar,
     Picture::Earbuds},
    {"AirPods Max"sv, 0x200A, MaxNumbers, Batteries::Single, NoiseModes::Basic, WearDetection::OnHead,
     Picture::OverEar},
    {"AirPods Max (USB-C)"sv, 0x201F, MaxUsbCNumbers, Batteries::Single, NoiseModes::Basic, WearDetection::OnHead,
     Picture::OverEar},
    {"AirPods Max 2"sv, 0x202D, Max2Numbers, Batteries::Single, NoiseModes::WithAdaptive, WearDetection::OnHead,
     Picture::OverEar},
};

template<typename Predicate>
const Model *find(Predicate predicate)
{
    const auto found = std::find_if(std::begin(Models), std::end(Models), predicate);
    return found == std::end(Models) ? nullptr : found;
}
} // namespace

std::span<const Model> all()
{
    return Models;
}

const Model *byProductId(std::uint16_t productId)
{
    return find([productId](const Model &model) { return model.productId == productId; });
}

const Model *byAdvertisedModel(std::uint16_t advertisedModel)
{
    return find([advertisedModel](const Model &model) { return model.advertisedModel() == advertisedModel; });
}

const Model *byModelNumber(std::string_view modelNumber)
{
    return find([modelNumber](const Model &model) {
        return std::find(model.modelNumbers.begin(), model.modelNumbers.end(), modelNumber) != model.modelNumbers.end();
    });
}

} // namespace AirpodsModels
