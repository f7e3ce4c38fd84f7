# Run by the IncludeLayers tests (cmake -P, see cmake/Layers.cmake): builds
# the probes of one library in its tree.
#   BUILD_DIR   the build tree
#   PROBES      target=header pairs; the first includes the library's own
#               header and must compile, every other one includes a header
#               of a folder above and must fail because that header is not
#               found.
cmake_minimum_required(VERSION 3.20)

set(failures 0)
set(first TRUE)
foreach(pair IN LISTS PROBES)
  string(REGEX REPLACE "=.*" "" target "${pair}")
  string(REGEX REPLACE "^[^=]*=" "" header "${pair}")
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${target}
                  OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE result)
  string(FIND "${output}" "${header}: No such file or directory" missing)
  if(first)
    set(first FALSE)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "FAIL the library's own header ${header} does not compile, "
                          "so the failures below would prove nothing:\n${output}")
    endif()
    message(STATUS "ok   ${header} compiles")
  elseif(result EQUAL 0)
    message(STATUS "FAIL ${header} compiles: the layer sees a folder above it")
    math(EXPR failures "${failures} + 1")
  elseif(missing EQUAL -1)
    message(STATUS "FAIL ${header} fails for another reason than a missing header:\n${output}")
    math(EXPR failures "${failures} + 1")
  else()
    message(STATUS "ok   ${header} is not found")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} probe(s) failed")
endif()
