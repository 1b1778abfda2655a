// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReadingTrust.h"

namespace ReadingTrust
{
bool mayUse(BatteryOrigin origin, Use use)
{
    switch (origin) {
    case BatteryOrigin::Accessory:
    case BatteryOrigin::ProvenAdvertisement:
        return true;
    case BatteryOrigin::Battery1:
        return use == Use::Panel || use == Use::Warning;
    case BatteryOrigin::Advertisement:
        return use == Use::Panel;
    case BatteryOrigin::None:
        break;
    }
    return false;
}
} // namespace ReadingTrust
