# Compiler settings shared by every target of the project. Warnings stop the
# build only when PICTAVO_WERROR asks for it (the project's own builds do): a
# newer or older compiler's false positive must not stop anyone else's build.
function(pictavo_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  target_compile_definitions(${target} PRIVATE QT_NO_FOREACH)
  set_target_properties(${target} PROPERTIES COMPILE_WARNING_AS_ERROR ${PICTAVO_WERROR})
endfunction()

set(PICTAVO_TEST_WRAPPER ${CMAKE_CURRENT_LIST_DIR}/../tests/run_isolated.sh)
set(PICTAVO_OFFSCREEN_CONFIG ${CMAKE_CURRENT_LIST_DIR}/../tests/offscreen.json)

# A GoogleTest binary for logic that needs no display.
#   pictavo_add_gtest(NAME name SOURCES a.cpp b.cpp [LABELS l...])
function(pictavo_add_gtest)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE pictavo_core pictavo_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  pictavo_target_defaults(${T_NAME})
  add_test(NAME ${T_NAME} COMMAND ${PICTAVO_TEST_WRAPPER} $<TARGET_FILE:${T_NAME}>)
  set_tests_properties(${T_NAME} PROPERTIES LABELS "core;${T_LABELS}" TIMEOUT 900)
endfunction()

# Runs a test binary a second time with the plain pixel loops forced, so the
# loops most processors take are tested on a machine with the vector paths.
#   pictavo_test_plain_loops_too(name)
function(pictavo_test_plain_loops_too name)
  add_test(NAME ${name}_plain COMMAND ${PICTAVO_TEST_WRAPPER} $<TARGET_FILE:${name}>)
  get_test_property(${name} LABELS labels)
  set_tests_properties(${name}_plain PROPERTIES LABELS "${labels};plain" TIMEOUT 900
    ENVIRONMENT "PICTAVO_PLAIN_LOOPS=1")
endfunction()

# A QtTest binary for windows. Runs offscreen on a 1280 x 800 screen unless
# labelled x11, in which case the test command runs it under Xvfb.
#   pictavo_add_qtest(NAME name SOURCES a.cpp [LABELS x11])
function(pictavo_add_qtest)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE pictavo_ui pictavo_qtest_support Qt6::Test)
  pictavo_target_defaults(${T_NAME})
  add_test(NAME ${T_NAME} COMMAND ${PICTAVO_TEST_WRAPPER} $<TARGET_FILE:${T_NAME}>)
  if("x11" IN_LIST T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "ui;${T_LABELS}" TIMEOUT 900
      ENVIRONMENT "QT_QPA_PLATFORM=xcb")
  else()
    set_tests_properties(${T_NAME} PROPERTIES LABELS "ui;${T_LABELS}" TIMEOUT 900
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${PICTAVO_OFFSCREEN_CONFIG}")
  endif()
endfunction()
