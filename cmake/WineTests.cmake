# Windows tests run under Wine through scripts/wine-run.sh, in private
# prefixes inside this build tree, one per lane (scripts/wine-lanes.sh). The
# fixture "wine" starts an Xvfb display and a persistent wineserver per lane
# for the whole CTest run and stops them afterwards, so a single test run by
# name gets them too.

set(QW_WINE_DIR "${CMAKE_BINARY_DIR}/wine")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QW_WINE_ARCH win64)
else()
  set(QW_WINE_ARCH win32)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh;${QW_WINE_DIR};${QW_WINE_ARCH}")

# Tests that change what the installation tests compare (they start the
# installer, install, or write to the system folder or below C:\) run one
# at a time in a lane, and as many at once as there are lanes. CTest hands
# the lanes out as resources: a test waits for a free lane before its
# timeout starts, and learns which one it got (wine-run.sh). Lanes 1 and 2
# ("lanes") take any such test; lane 3 ("display_lane") only the tests that
# change the display scale of every program their prefix starts.
set(QW_WINE_LANES 3)
file(WRITE "${CMAKE_BINARY_DIR}/wine_lanes.json"
     "{\"version\": {\"major\": 1, \"minor\": 0}, \"local\": [{"
     "\"lanes\": [{\"id\": \"1\", \"slots\": 1}, {\"id\": \"2\", \"slots\": 1}], "
     "\"display_lane\": [{\"id\": \"3\", \"slots\": 1}]}]}\n")
set(CTEST_RESOURCE_SPEC_FILE "${CMAKE_BINARY_DIR}/wine_lanes.json")

add_test(NAME wine_session_start
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh start ${QW_WINE_DIR} ${QW_WINE_ARCH} ${QW_WINE_LANES})
add_test(NAME wine_session_stop
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh stop ${QW_WINE_DIR} ${QW_WINE_ARCH})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)

# qw_in_a_lane(KIND test...): each of the tests runs in a lane of KIND that
# CTest gives it, one test at a time per lane (wine-run.sh).
function(qw_in_a_lane kind)
  set_tests_properties(${ARGN} PROPERTIES RESOURCE_GROUPS "${kind}:1")
  set_property(TEST ${ARGN} APPEND PROPERTY ENVIRONMENT "QW_WINE_LANE=any")
endfunction()

# qw_suite_tests(VAR SUITE): the tests of this folder's programs whose
# GoogleTest suite is SUITE.
function(qw_suite_tests var suite)
  get_property(tests DIRECTORY PROPERTY TESTS)
  list(FILTER tests INCLUDE REGEX "^${suite}\\.")
  set(${var} ${tests} PARENT_SCOPE)
endfunction()

# qw_alone_in_a_prefix(test...): the tests never share a prefix with
# another such test.
function(qw_alone_in_a_prefix)
  qw_in_a_lane(lanes ${ARGN})
endfunction()

# qw_alone_in_the_display_lane(test...): the tests run one at a time in
# lane 3, where nothing else starts a program.
function(qw_alone_in_the_display_lane)
  qw_in_a_lane(display_lane ${ARGN})
endfunction()

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
#                     [ALONE_IN_A_PREFIX])
# A GoogleTest program run under Wine; one CTest test per TEST() found in the
# sources (found by reading them: listing them would cost a Wine start).
# ALONE_IN_A_PREFIX: every test of the program needs a lane
# (qw_alone_in_a_prefix), for example the tests that start the installer,
# which allows one running copy.
function(qw_add_windows_test name)
  cmake_parse_arguments(ARG "ALONE_IN_A_PREFIX" "TIMEOUT" "LIBRARIES" ${ARGN})
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
  if(ARG_ALONE_IN_A_PREFIX)
    qw_alone_in_a_prefix(${tests})
  endif()
endfunction()

# qw_test_path(OUT path): for a test program, a C++ expression of the
# Windows path of `path`, a file of the build or the source tree, found when
# the program runs (tests/windows/support/build_tree.h): no object file
# holds the clone's folder, so that a second clone compiles the tests from
# the compiler cache. Other paths are given as they are.
function(qw_test_path out path)
  file(RELATIVE_PATH below_build "${CMAKE_BINARY_DIR}" "${path}")
  file(RELATIVE_PATH below_source "${CMAKE_SOURCE_DIR}" "${path}")
  if(NOT below_build MATCHES "^\\.\\.(/|$)")
    string(REPLACE "/" "\\\\" relative "${below_build}")
    set(${out} "::qw::test::InBuildTree(L\"${relative}\")" PARENT_SCOPE)
  elseif(NOT below_source MATCHES "^\\.\\.(/|$)")
    string(REPLACE "/" "\\\\" relative "${below_source}")
    set(${out} "::qw::test::InSourceTree(L\"${relative}\")" PARENT_SCOPE)
  else()
    qw_windows_path(windows "${path}")
    set(${out} "L\"${windows}\"" PARENT_SCOPE)
  endif()
endfunction()

# qw_windows_path(OUT path): the Unix path as Wine's drive Z: shows it.
function(qw_windows_path out path)
  string(REPLACE "/" "\\\\" windows "${path}")
  set(${out} "Z:${windows}" PARENT_SCOPE)
endfunction()
