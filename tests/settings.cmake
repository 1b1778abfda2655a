# SPDX-License-Identifier: GPL-3.0-or-later
# The settings program.
add_unit_test(NAME TestLoginServiceKit SOURCES TestLoginServiceKit.cpp TestSettingsSupport.h LIBS settings_core)
add_unit_test(NAME TestAutostartWatcher SOURCES TestAutostartWatcher.cpp TestSettingsSupport.h LIBS settings_core)
add_unit_test(NAME TestSettingsController SOURCES TestSettingsController.cpp TestSettingsSupport.h LIBS settings_core
              LABELS integration HARNESS)
add_unit_test(NAME TestSettingsViewController SOURCES TestSettingsViewController.cpp TestSettingsSupport.h LIBS settings_core
              LABELS integration HARNESS)
add_unit_test(NAME TestSettingsAppDelegate SOURCES TestSettingsAppDelegate.cpp TestSettingsSupport.h LIBS settings_core
              LABELS integration HARNESS)
add_unit_test(NAME TestSettingsEndToEnd SOURCES TestSettingsEndToEnd.cpp TestSettingsSupport.h LIBS settings_core testsupport
              LABELS integration HARNESS TIMEOUT 400)
add_unit_test(NAME TestSettingsPackaging SOURCES TestSettingsPackaging.cpp LIBS settings_core LABELS integration TIMEOUT 600)
target_compile_definitions(TestSettingsPackaging PRIVATE
    EARLUME_PROJECT_VERSION="${PROJECT_VERSION}"
    EARLUME_BUILD_DIR="${CMAKE_BINARY_DIR}"
    CMAKE_COMMAND="${CMAKE_COMMAND}"
    CPACK_COMMAND="${CMAKE_CPACK_COMMAND}")
