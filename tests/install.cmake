# SPDX-License-Identifier: GPL-3.0-or-later
# Both programs as installed: into a prefix with `cmake --install` (with their desktop entries and AppStream data,
# opened through the settings URL), and from the Debian package (built always; installed, run and removed only as root).
add_unit_test(NAME TestInstalledPrograms SOURCES TestInstalledPrograms.cpp LIBS shared testsupport
              LABELS integration HARNESS TIMEOUT 600)
target_compile_definitions(TestInstalledPrograms PRIVATE
    EARLUME_PROJECT_VERSION="${PROJECT_VERSION}"
    CMAKE_COMMAND="${CMAKE_COMMAND}"
    CPACK_COMMAND="${CMAKE_CPACK_COMMAND}")
# The test installs and packages the programs it runs.
add_dependencies(TestInstalledPrograms Earlume Earlume_Settings earlume-status earlume-update-check)
