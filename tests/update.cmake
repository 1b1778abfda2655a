# SPDX-License-Identifier: GPL-3.0-or-later
# The update check: real HTTP(S) servers on 127.0.0.1 inside the test, through the check process to the
# new-version alert.
add_unit_test(NAME TestUpdateChecker SOURCES TestUpdateChecker.cpp fakes/RecordingWorkspace.h
              LIBS agent_core Qt6::Network)
add_dependencies(TestUpdateChecker earlume-update-check)
# The real agent against an HTTP server on 127.0.0.1 inside the test, in the private desktop.
add_unit_test(NAME TestUpdateEndToEnd SOURCES TestUpdateEndToEnd.cpp LIBS testsupport Qt6::Network LABELS integration
              HARNESS TIMEOUT 300)
# The update server's source compiled as in a release build, without the testing hooks.
add_unit_test(NAME TestReleaseUpdateServer SOURCES TestReleaseUpdateServer.cpp ${PROJECT_SOURCE_DIR}/agent/update/UpdateServer.cpp
              LIBS shared)
target_include_directories(TestReleaseUpdateServer PRIVATE ${PROJECT_SOURCE_DIR}/agent
                           ${PROJECT_BINARY_DIR}/agent/generated)
