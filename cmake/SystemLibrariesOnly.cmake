# Libraries from the system folder only, for a program that may run
# elevated from a folder others can write (a download folder, the
# temporary folder). Windows looks for a program's libraries in the
# program's own folder first, except for the "known DLLs"; so such a
# program imports only known DLLs statically, loads every other library
# late (delay-loaded) and restricts the library search to the system
# folder before any other initialisation.
#
#   qw_delay_import_library(dll)
#     Target qw_delay_<dll>: a delay-import library of the system library
#     <dll> (version, bcrypt, comctl32), made with the toolchain's dlltool
#     from the exports that MinGW's import library lists. Link it in place
#     of <dll> wherever <dll> would be linked, so that no target of the
#     program imports <dll> statically through another path.
#     With --gc-sections, GNU ld keeps the import tables but does not follow
#     their references into the call thunks: a function called through its
#     __imp_ pointer (every one that the headers declare dllimport) would
#     jump to address 0. The target therefore names every thunk as a
#     required symbol (a response file of --undefined options); the unused
#     ones cost a few dozen bytes each and are never bound.
#
#   qw_system_libraries_only(target DELAY_LOAD dll...)
#     Links into `target` the first initialisation step that restricts the
#     library search (platform/system_libraries_only.cpp, always linked
#     whole) and the delay-import libraries of the listed libraries. The
#     program's static imports must then be known DLLs only; a test of its
#     import table keeps it that way.

set(QW_DELAY_IMPORT_DIR "${CMAKE_BINARY_DIR}/delay_import")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(QW_SYMBOL_UNDERSCORE 1)  # i686: C symbols start with "_"
else()
  set(QW_SYMBOL_UNDERSCORE 0)
endif()

function(qw_delay_import_library dll)
  if(TARGET qw_delay_${dll})
    return()
  endif()
  if(NOT CMAKE_DLLTOOL OR NOT CMAKE_NM)
    message(FATAL_ERROR "dlltool and nm of the toolchain are needed for delay-loaded ${dll}")
  endif()
  find_library(QW_IMPORT_LIBRARY_${dll} NAMES ${dll} REQUIRED)
  set(output "${QW_DELAY_IMPORT_DIR}/lib${dll}_delay.a")
  set(keep "${QW_DELAY_IMPORT_DIR}/${dll}_delay.keep")
  add_custom_command(
    OUTPUT ${output} ${keep}
    COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DDLLTOOL=${CMAKE_DLLTOOL}
            -DIMPORT_LIBRARY=${QW_IMPORT_LIBRARY_${dll}} -DDLL=${dll}.dll
            -DUNDERSCORE=${QW_SYMBOL_UNDERSCORE}
            -DDEF=${QW_DELAY_IMPORT_DIR}/${dll}.def -DOUTPUT=${output} -DKEEP=${keep}
            -P ${CMAKE_SOURCE_DIR}/cmake/DelayImportLibrary.cmake
    DEPENDS ${QW_IMPORT_LIBRARY_${dll}} ${CMAKE_SOURCE_DIR}/cmake/DelayImportLibrary.cmake
    COMMENT "Delay-import library of ${dll}.dll"
    VERBATIM)
  add_custom_target(qw_delay_${dll}_library DEPENDS ${output})
  file(MAKE_DIRECTORY ${QW_DELAY_IMPORT_DIR})
  add_library(qw_delay_${dll} INTERFACE)
  target_link_libraries(qw_delay_${dll} INTERFACE ${output})
  target_link_options(qw_delay_${dll} INTERFACE "LINKER:@${keep}")
  add_dependencies(qw_delay_${dll} qw_delay_${dll}_library)
endfunction()

# The first initialisation step and the hook of the delay-load helper, as
# objects: a program gets them whole, whether or not it calls into them.
add_library(qw_system_libraries_only OBJECT
  ${CMAKE_SOURCE_DIR}/platform/system_libraries_only.cpp
  ${CMAKE_SOURCE_DIR}/platform/system_library.cpp)
qw_layer(qw_system_libraries_only platform)
qw_warnings(qw_system_libraries_only)

function(qw_system_libraries_only target)
  cmake_parse_arguments(ARG "" "" "DELAY_LOAD" ${ARGN})
  target_link_libraries(${target} PRIVATE qw_system_libraries_only)
  foreach(dll IN LISTS ARG_DELAY_LOAD)
    qw_delay_import_library(${dll})
    target_link_libraries(${target} PRIVATE qw_delay_${dll})
  endforeach()
endfunction()
