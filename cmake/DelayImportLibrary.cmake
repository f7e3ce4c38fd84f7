# Run at build time (cmake -P) by qw_delay_import_library: makes a
# delay-import library for one system library from the exports that
# MinGW's import library of it lists.
#   NM, DLLTOOL        the toolchain's nm and dlltool
#   IMPORT_LIBRARY     MinGW's import library (libversion.a)
#   DLL                the library's file name (version.dll)
#   UNDERSCORE         1 where C symbols carry a leading underscore (i686)
#   DEF, OUTPUT        the module definition written, the library made
#   KEEP               linker options that keep every call thunk of the
#                      library (see qw_delay_import_library)
cmake_minimum_required(VERSION 3.20)

execute_process(COMMAND ${NM} -g --defined-only ${IMPORT_LIBRARY}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} cannot read ${IMPORT_LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${symbols}")
set(code "")
set(imported "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]+ T (.+)$")
    list(APPEND code "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^[0-9a-fA-F]+ I __imp_(.+)$")
    list(APPEND imported "${CMAKE_MATCH_1}")
  endif()
endforeach()
if(NOT imported)
  message(FATAL_ERROR "${IMPORT_LIBRARY} lists no imports")
endif()
list(REMOVE_DUPLICATES imported)

set(def "LIBRARY \"${DLL}\"\nEXPORTS\n")
set(keep "")
foreach(symbol IN LISTS imported)
  set(name "${symbol}")
  if(UNDERSCORE)
    string(REGEX REPLACE "^_" "" name "${name}")
  endif()
  # An import without a call thunk is a variable.
  if(symbol IN_LIST code)
    string(APPEND def "  ${name}\n")
    string(APPEND keep "--undefined=${symbol}\n")
  else()
    string(APPEND def "  ${name} DATA\n")
  endif()
endforeach()
file(WRITE ${DEF} "${def}")
file(WRITE ${KEEP} "${keep}")

# --kill-at: the library exports the undecorated names (GetFileVersionInfoW),
# the program's calls use the decorated ones (GetFileVersionInfoW@16).
set(kill_at "")
if(UNDERSCORE)
  set(kill_at --kill-at)
endif()
execute_process(COMMAND ${DLLTOOL} --input-def ${DEF} --dllname ${DLL} ${kill_at}
                        --output-delaylib ${OUTPUT}
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${DLLTOOL} could not make ${OUTPUT}")
endif()
