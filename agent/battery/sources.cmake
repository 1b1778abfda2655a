# SPDX-License-Identifier: GPL-3.0-or-later
target_sources(agent_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ProximityPairing.cpp ${CMAKE_CURRENT_LIST_DIR}/ProximityPairing.h)
target_sources(agent_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/AdvertisementBatterySource.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AdvertisementBatterySource.h
    ${CMAKE_CURRENT_LIST_DIR}/AdvertisementMatch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AdvertisementMatch.h
)
