# SPDX-License-Identifier: GPL-3.0-or-later
target_sources(agent_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/HudWindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HudWindow.h
)
