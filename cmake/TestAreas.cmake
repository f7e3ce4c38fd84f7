# qw_test_area(OUT): the area of the tests defined in the current folder,
# the first folder below tests/windows or tests/native ("engine" for
# tests/windows/engine, "app" for tests/windows/app/planted), or "tests" for
# the tests of the test folder itself. Each test carries its area as a CTest
# label beside "windows" or "native", so that `ctest -L engine` runs the
# tests of engine/ (scripts/quick-test.sh).
function(qw_test_area out)
  file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  if(relative MATCHES "^(windows|native)/([^/]+)")
    set(${out} ${CMAKE_MATCH_2} PARENT_SCOPE)
  else()
    set(${out} tests PARENT_SCOPE)
  endif()
endfunction()
