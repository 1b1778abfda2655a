# SPDX-License-Identifier: GPL-3.0-or-later
#
# Self-test of the integration-test harness (tests/harness): the private buses and directories, every dbusmock
# service through the methods the tests use, the Xvfb display and harness-ctl, once per group of harness options.
# tests/harness/selftest is given the same options as with-test-env, so it knows what to expect.
function(add_harness_selftest name)
    add_test(NAME ${name} COMMAND ${EARLUME_HARNESS} ${ARGN} -- ${CMAKE_CURRENT_SOURCE_DIR}/harness/selftest ${ARGN})
    set_tests_properties(${name} PROPERTIES
        LABELS integration
        RUN_SERIAL TRUE
        TIMEOUT 120
        ENVIRONMENT "LANG=C.UTF-8;LC_ALL=C.UTF-8"
        FAIL_REGULAR_EXPRESSION "FAIL ")
endfunction()

add_harness_selftest(HarnessSelfTest)
add_harness_selftest(HarnessSelfTestReduced --no-system-bus --no-watcher --portal-v1 --color-scheme 1 --no-x)
add_harness_selftest(HarnessSelfTestCompositor --no-bluez --no-portal --compositor --background "#336699")
