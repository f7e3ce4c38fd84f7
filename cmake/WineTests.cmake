# Windows tests run under Wine through scripts/wine-run.sh, in a private
# 32-bit prefix inside this build tree. The fixture "wine" starts one Xvfb
# display and one persistent wineserver for the whole CTest run and stops
# them afterwards, so a single test run by name gets them too.

set(QW_WINE_DIR "${CMAKE_BINARY_DIR}/wine")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QW_WINE_ARCH win64)
else()
  set(QW_WINE_ARCH win32)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh;${QW_WINE_DIR};${QW_WINE_ARCH}")

add_test(NAME wine_session_start
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh start ${QW_WINE_DIR} ${QW_WINE_ARCH})
add_test(NAME wine_session_stop
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh stop ${QW_WINE_DIR} ${QW_WINE_ARCH})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)

# qw_windows_test_timeout(SECONDS test...): CTest ends a test after SECONDS
# and kills it without a word; scripts/test-run.sh ends the program 20 s
# before that and shows what it printed, so that the log says where it was.
function(qw_windows_test_timeout seconds)
  math(EXPR deadline "${seconds} - 20")
  if(deadline LESS 10)
    set(deadline 10)
  endif()
  set_tests_properties(${ARGN} PROPERTIES TIMEOUT ${seconds})
  set_property(TEST ${ARGN} APPEND PROPERTY ENVIRONMENT "QW_TEST_DEADLINE=${deadline}")
endfunction()

# qw_add_windows_test(NAME source... [LIBRARIES lib...] [TIMEOUT s]
#                     [RESOURCE_LOCK name])
# A GoogleTest program run under Wine; one CTest test per TEST() found in the
# sources (found by reading them: listing them would cost a Wine start).
# Tests sharing a RESOURCE_LOCK never run at the same time (for example the
# tests that start the installer, which allows one running copy).
function(qw_add_windows_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT;RESOURCE_LOCK" "LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} qw_test_main GTest::gmock)
  qw_warnings(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  gtest_add_tests(TARGET ${name} SOURCES ${ARG_UNPARSED_ARGUMENTS} TEST_LIST tests)
  qw_test_area(area)
  set_tests_properties(${tests} PROPERTIES FIXTURES_REQUIRED wine LABELS "windows;${area}")
  qw_windows_test_timeout(${ARG_TIMEOUT} ${tests})
  # Passed only on GoogleTest's own word; a GTEST_SKIP (something Wine
  # does not do) shows as skipped.
  qw_test_verdict(${tests})
  if(ARG_RESOURCE_LOCK)
    set_tests_properties(${tests} PROPERTIES RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
  endif()
endfunction()

# qw_windows_path(OUT path): the Unix path as Wine's drive Z: shows it.
function(qw_windows_path out path)
  string(REPLACE "/" "\\\\" windows "${path}")
  set(${out} "Z:${windows}" PARENT_SCOPE)
endfunction()
