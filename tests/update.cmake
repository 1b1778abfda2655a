# SPDX-License-Identifier: GPL-3.0-or-later
# The update check: real HTTP(S) servers on 127.0.0.1 inside the test, and the new-version alert.
add_unit_test(NAME TestUpdateChecker SOURCES TestUpdateChecker.cpp LIBS agent_core)
add_unit_test(NAME TestNewVersionAlert SOURCES TestNewVersionAlert.cpp LIBS agent_core)
