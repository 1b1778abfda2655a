# SPDX-License-Identifier: GPL-3.0-or-later
# The launch-time update check, the new-version alert and the menu's version line.
target_sources(agent_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/MessageBoxUpdatePrompt.cpp ${CMAKE_CURRENT_LIST_DIR}/MessageBoxUpdatePrompt.h
    ${CMAKE_CURRENT_LIST_DIR}/NewVersionAlert.cpp ${CMAKE_CURRENT_LIST_DIR}/NewVersionAlert.h
    ${CMAKE_CURRENT_LIST_DIR}/UpdateChecker.cpp ${CMAKE_CURRENT_LIST_DIR}/UpdateChecker.h
    ${CMAKE_CURRENT_LIST_DIR}/UpdateFlow.cpp ${CMAKE_CURRENT_LIST_DIR}/UpdateFlow.h
    ${CMAKE_CURRENT_LIST_DIR}/UpdatePrompt.cpp ${CMAKE_CURRENT_LIST_DIR}/UpdatePrompt.h
    ${CMAKE_CURRENT_LIST_DIR}/UpdateServer.cpp ${CMAKE_CURRENT_LIST_DIR}/UpdateServer.h
    ${CMAKE_CURRENT_LIST_DIR}/VersionCheck.cpp ${CMAKE_CURRENT_LIST_DIR}/VersionCheck.h
)
