# SPDX-License-Identifier: GPL-3.0-or-later
# The settings program. The installed programs are tested in install.cmake.
add_unit_test(NAME TestLoginServiceKit SOURCES TestLoginServiceKit.cpp LIBS settings_core)
add_unit_test(NAME TestSettingsViewController SOURCES TestSettingsViewController.cpp
              LIBS settings_core testsupport LABELS integration HARNESS)
# The test starts a second copy of the settings program.
add_dependencies(TestSettingsViewController Earlume Earlume_Settings)
