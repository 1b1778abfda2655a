# SPDX-License-Identifier: GPL-3.0-or-later
# The settings program. The packaged and installed programs are tested in install.cmake.
add_unit_test(NAME TestLoginServiceKit SOURCES TestLoginServiceKit.cpp TestSettingsSupport.h LIBS settings_core)
add_unit_test(NAME TestAutostartWatcher SOURCES TestAutostartWatcher.cpp TestSettingsSupport.h LIBS settings_core)
add_unit_test(NAME TestSettingsViewController SOURCES TestSettingsViewController.cpp TestSettingsSupport.h
              LIBS settings_core testsupport LABELS integration HARNESS)
add_unit_test(NAME TestSettingsEndToEnd SOURCES TestSettingsEndToEnd.cpp TestSettingsSupport.h
              LIBS settings_core testsupport LABELS integration HARNESS TIMEOUT 400)
