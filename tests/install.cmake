# SPDX-License-Identifier: GPL-3.0-or-later
# Both programs as installed: into a prefix with `cmake --install` (opened through the settings URL), and from
# the Debian package (installed, run and removed again; only as root).
add_unit_test(NAME TestInstalledPrograms SOURCES TestInstalledPrograms.cpp LIBS testsupport
              LABELS integration HARNESS TIMEOUT 600)
target_compile_definitions(TestInstalledPrograms PRIVATE
    CMAKE_COMMAND="${CMAKE_COMMAND}"
    CPACK_COMMAND="${CMAKE_CPACK_COMMAND}")
# The test installs and packages the programs it runs.
add_dependencies(TestInstalledPrograms Earlume Earlume_Settings)
