# SPDX-License-Identifier: GPL-3.0-or-later
add_unit_test(NAME TestProximityPairing SOURCES TestProximityPairing.cpp LIBS agent_bluetooth)
add_unit_test(NAME TestAapPacket SOURCES TestAapPacket.cpp LIBS agent_bluetooth)
