# Flags of every Windows target: Unicode API, static runtime, lean output.
add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
                        STRICT _WIN32_WINNT=0x0601 WINVER=0x0601)
add_compile_options(-ffunction-sections -fdata-sections)
# -static: no MinGW DLLs at run time (libstdc++, libgcc, winpthread).
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
# No link time stamp in the images: a build of the same sources gives the
# same bytes, wherever and whenever it runs.
add_link_options(-Wl,--no-insert-timestamp)
if(CMAKE_BUILD_TYPE STREQUAL "Release" OR CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
  add_link_options(-s)
endif()
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
# The installer waits on the user and the disk, not on its own code: small
# beats fast for a file that people download. bzip2 (C) keeps -O2.
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")
