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
add_unit_test(NAME TestLowBatteryRule SOURCES TestLowBatteryRule.cpp LIBS agent_core)
