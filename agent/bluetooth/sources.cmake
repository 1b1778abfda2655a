# SPDX-License-Identifier: GPL-3.0-or-later
target_sources(agent_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/BatterySource.h
    ${CMAKE_CURRENT_LIST_DIR}/BluetoothDevice.h
    ${CMAKE_CURRENT_LIST_DIR}/BluetoothService.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BluetoothService.h
    ${CMAKE_CURRENT_LIST_DIR}/BluezBluetoothService.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BluezBluetoothService.h
    ${CMAKE_CURRENT_LIST_DIR}/BluezValues.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BluezValues.h
    ${CMAKE_CURRENT_LIST_DIR}/BluezDiscovery.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BluezDiscovery.h
)
