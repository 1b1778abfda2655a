# SPDX-License-Identifier: GPL-3.0-or-later
add_unit_test(NAME TestAirpodsPanelModel SOURCES TestAirpodsPanelModel.cpp LIBS agent_core)
add_unit_test(NAME TestMediaPausePolicy SOURCES TestMediaPausePolicy.cpp LIBS agent_core)
add_unit_test(NAME TestAirpodsViewController SOURCES TestAirpodsViewController.cpp fakes/FakeBluetoothService.h
              fakes/RecordingWorkspace.h LIBS agent_core testsupport)
add_unit_test(NAME TestAgentEndToEnd SOURCES TestAgentEndToEnd.cpp LIBS testsupport agent_bluetooth LABELS integration HARNESS
              HARNESS_ARGS --portal-v1 --color-scheme 1 --notifications)
add_unit_test(NAME TestBluezBluetoothService SOURCES TestBluezBluetoothService.cpp LIBS agent_bluetooth testsupport
              LABELS integration HARNESS HARNESS_ARGS --no-x)
add_unit_test(NAME TestAgentFaults SOURCES TestAgentFaults.cpp LIBS testsupport LABELS integration HARNESS)
add_unit_test(NAME TestAgentAccessibility SOURCES TestAgentAccessibility.cpp LIBS testsupport LABELS integration HARNESS
              HARNESS_ARGS --a11y)
add_unit_test(NAME TestLowBatteryRule SOURCES TestLowBatteryRule.cpp LIBS agent_core)
# The agent under a real tray host, xfce4-panel's status tray with xfwm4 (scripts/tray-hosts): a top bar in the
# dark and a bottom one in the light.
foreach(bar IN ITEMS top bottom)
    set(shade $<IF:$<STREQUAL:${bar},top>,--dark,--light>)
    add_test(NAME TrayHostXfce-${bar} COMMAND ${CMAKE_SOURCE_DIR}/scripts/tray-hosts xfce --bar ${bar} ${shade}
             --out ${CMAKE_BINARY_DIR}/tests/tray-hosts)
    set_tests_properties(TrayHostXfce-${bar} PROPERTIES LABELS integration TIMEOUT 300 RUN_SERIAL TRUE ENVIRONMENT
                         "LANG=C.UTF-8;LC_ALL=C.UTF-8;EARLUME_BIN_DIR=${CMAKE_BINARY_DIR}/bin;QT_QPA_PLATFORM=xcb;EARLUME_UPDATE_BASE_URL=http://127.0.0.1:9")
endforeach()
