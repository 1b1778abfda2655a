# SPDX-License-Identifier: GPL-3.0-or-later
add_library(testsupport STATIC support/TestEnvironment.h) # what the end-to-end tests share
target_include_directories(testsupport PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(testsupport PUBLIC shared Qt6::Core Qt6::DBus Qt6::Test)
