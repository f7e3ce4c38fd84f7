# qw_add_native_test(NAME source... [LIBRARIES lib...] [PROPERTIES name value...])
# PROPERTIES are added to every test found in the program.
function(qw_add_native_test name)
  cmake_parse_arguments(ARG "" "" "LIBRARIES;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest_main GTest::gmock)
  qw_warnings(${name})
  # Through the runner that prints a non-zero exit (scripts/test-run.sh);
  # passed only on GoogleTest's own word (cmake/TestVerdict.cmake).
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/test-run.sh)
  gtest_discover_tests(${name} TEST_LIST ${name}_TESTS PROPERTIES LABELS native
                       PASS_REGULAR_EXPRESSION "${QW_TEST_PASS_REGEX}"
                       FAIL_REGULAR_EXPRESSION "${QW_TEST_FAIL_REGEX}" ${ARG_PROPERTIES})
  # The area label as well: a list does not pass through the discovery's
  # PROPERTIES, so a file that CTest reads after the discovered tests sets
  # both labels on them.
  qw_test_area(area)
  set(labels ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
  file(WRITE ${labels} "if(${name}_TESTS)\n"
       "  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"native;${area}\")\n"
       "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${labels})
endfunction()

# qw_add_fuzz_corpus_replay(NAME FUZZ_SOURCE CORPUS_DIR [LIBRARIES lib...])
# The committed corpus of a fuzz target, replayed through its fuzz entry by
# the ordinary compiler: the test FuzzCorpusReplay.NAME.
function(qw_add_fuzz_corpus_replay name fuzz_source corpus)
  cmake_parse_arguments(ARG "" "" "LIBRARIES" ${ARGN})
  set(program fuzz_corpus_replay_${name})
  add_executable(${program} ${fuzz_source} ${CMAKE_SOURCE_DIR}/tests/native/fuzz_corpus_replay.cpp)
  target_link_libraries(${program} PRIVATE ${ARG_LIBRARIES})
  qw_warnings(${program})
  add_test(NAME FuzzCorpusReplay.${name} COMMAND ${program} ${corpus})
  qw_test_area(area)
  set_tests_properties(FuzzCorpusReplay.${name} PROPERTIES LABELS "native;${area}")
endfunction()
