# Compiles through ccache when the machine has it: a second clone, a second
# tree or a rebuild after a checkout then compiles only what changed. The
# base folder makes the cache blind to where the clone lives, and the
# prefix maps keep that folder out of what the compiler writes, so an
# object from another clone is the same object (and a build at another path
# gives the same bytes).

find_program(QW_CCACHE ccache)
if(QW_CCACHE AND NOT QW_NO_CCACHE)
  set(launcher /usr/bin/env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1 ${QW_CCACHE})
  set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
endif()
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
                    -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
