# SPDX-License-Identifier: GPL-3.0-or-later
target_sources(agent_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/AirpodsPanelModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AirpodsPanelModel.h
    ${CMAKE_CURRENT_LIST_DIR}/AirpodsViewController.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AirpodsViewController.h
    ${CMAKE_CURRENT_LIST_DIR}/AirpodsViewController.ui
    ${CMAKE_CURRENT_LIST_DIR}/AppDelegate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AppDelegate.h
    ${CMAKE_CURRENT_LIST_DIR}/Icon.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Icon.h
    ${CMAKE_CURRENT_LIST_DIR}/PanelArtwork.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PanelArtwork.h
    ${CMAKE_CURRENT_LIST_DIR}/Popover.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Popover.h
    ${CMAKE_CURRENT_LIST_DIR}/Style.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Style.h
    ${CMAKE_CURRENT_LIST_DIR}/SystemAppearance.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SystemAppearance.h
    ${CMAKE_CURRENT_LIST_DIR}/UnixSignals.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UnixSignals.h
    ${CMAKE_CURRENT_LIST_DIR}/Workspace.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Workspace.h
    ${CMAKE_CURRENT_LIST_DIR}/resources/agent.qrc
)

add_executable(Earlume ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(Earlume PRIVATE agent_core)
