# What makes a GoogleTest program's run under CTest a pass: its own verdict,
# not its exit code. Every test runs one TEST, so GoogleTest's summary line
# "[  PASSED  ] 1 test." must be there; a run that died, was killed, ran no
# test or ran the wrong one lacks it and fails. A failed assertion prints
# "[  FAILED  ]". The runners (scripts/wine-run.sh, scripts/test-run.sh) print
# QW_TEST_EXIT_LINE when the program ends with another exit code than 0, so
# that a non-zero exit fails even after a "PASSED" line (CTest ignores the
# exit code once a pass expression is set). A GTEST_SKIP prints
# "[  SKIPPED ] 1 test" and "[  PASSED  ] 0 tests": CTest checks the skip
# expression first and shows the test as skipped.
#
# The expressions contain no ';' (they pass through list arguments) and are
# single alternations.
set(QW_TEST_EXIT_LINE "test program ended with exit code")
set(QW_TEST_PASS_REGEX "\\[  PASSED  \\] 1 test\\.")
set(QW_TEST_FAIL_REGEX "\\[  FAILED  \\]|${QW_TEST_EXIT_LINE}")
set(QW_TEST_SKIP_REGEX "\\[  SKIPPED \\]")

# qw_test_verdict(test...): gives the tests that rule.
function(qw_test_verdict)
  if(ARGN)
    set_tests_properties(${ARGN} PROPERTIES
                         PASS_REGULAR_EXPRESSION "${QW_TEST_PASS_REGEX}"
                         FAIL_REGULAR_EXPRESSION "${QW_TEST_FAIL_REGEX}"
                         SKIP_REGULAR_EXPRESSION "${QW_TEST_SKIP_REGEX}")
  endif()
endfunction()
