# SPDX-License-Identifier: GPL-3.0-or-later
add_unit_test(NAME TestSettings SOURCES TestSettings.cpp LIBS shared)
add_unit_test(NAME TestDistributedNotificationCenter SOURCES TestDistributedNotificationCenter.cpp LIBS shared
              LABELS integration HARNESS HARNESS_ARGS --no-x)
