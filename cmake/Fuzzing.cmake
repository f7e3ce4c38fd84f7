# qw_add_fuzzer(NAME source...)
# A libFuzzer program built with clang++ (with address and undefined-
# behaviour checks), whatever compiler the native tree uses. Not part of
# the default build; nothing happens when clang++ is missing.
find_program(QW_CLANGXX NAMES clang++ clang++-14)

function(qw_add_fuzzer name)
  if(NOT QW_CLANGXX)
    return()
  endif()
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${name})
  set(sources)
  foreach(source ${ARGN})
    get_filename_component(source ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND sources ${source})
  endforeach()
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${QW_CLANGXX} -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined
            -fno-sanitize-recover=undefined -I${CMAKE_SOURCE_DIR} ${sources} -o ${output}
    DEPENDS ${sources}
    COMMENT "Building fuzzer ${name} with clang++"
    VERBATIM)
  add_custom_target(${name} DEPENDS ${output})
endfunction()
