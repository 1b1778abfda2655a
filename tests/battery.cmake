# SPDX-License-Identifier: GPL-3.0-or-later
add_unit_test(NAME TestProximityPairing SOURCES TestProximityPairing.cpp LIBS agent_core)
add_unit_test(NAME TestAdvertisementBatterySource SOURCES TestAdvertisementBatterySource.cpp LIBS agent_core testsupport
              LABELS integration HARNESS HARNESS_ARGS --no-x --no-watcher --no-portal)
