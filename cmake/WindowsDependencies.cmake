# Boost.Filesystem, Boost.Iostreams' bzip2 filter and libbz2, compiled for
# MinGW from Debian's own source packages (fetched by scripts/setup.sh into
# QW_THIRD_PARTY_DIR). Boost headers come from Debian's libboost1.74-dev,
# reached through a folder that holds nothing but a "boost" link, so that
# /usr/include itself never lands on a MinGW include path.

file(GLOB QW_BOOST_SOURCE LIST_DIRECTORIES true "${QW_THIRD_PARTY_DIR}/boost1.74-*")
file(GLOB QW_BZIP2_SOURCE LIST_DIRECTORIES true "${QW_THIRD_PARTY_DIR}/bzip2-*")
list(FILTER QW_BOOST_SOURCE EXCLUDE REGEX "\\.(tar|dsc|xz|gz|bz2)")
list(FILTER QW_BZIP2_SOURCE EXCLUDE REGEX "\\.(tar|dsc|xz|gz|bz2)")
if(NOT QW_BOOST_SOURCE OR NOT QW_BZIP2_SOURCE)
  message(FATAL_ERROR "Debian's boost1.74 and bzip2 sources are missing from "
                      "${QW_THIRD_PARTY_DIR}; run scripts/setup.sh first.")
endif()
list(GET QW_BOOST_SOURCE 0 QW_BOOST_SOURCE)
list(GET QW_BZIP2_SOURCE 0 QW_BZIP2_SOURCE)

set(QW_BOOST_INCLUDE "${CMAKE_BINARY_DIR}/boost-include")
if(NOT EXISTS "${QW_BOOST_INCLUDE}/boost")
  file(MAKE_DIRECTORY "${QW_BOOST_INCLUDE}")
  file(CREATE_LINK /usr/include/boost "${QW_BOOST_INCLUDE}/boost" SYMBOLIC)
endif()

add_library(qw_bz2 STATIC
  ${QW_BZIP2_SOURCE}/blocksort.c ${QW_BZIP2_SOURCE}/huffman.c
  ${QW_BZIP2_SOURCE}/crctable.c  ${QW_BZIP2_SOURCE}/randtable.c
  ${QW_BZIP2_SOURCE}/compress.c  ${QW_BZIP2_SOURCE}/decompress.c
  ${QW_BZIP2_SOURCE}/bzlib.c)
target_include_directories(qw_bz2 SYSTEM PUBLIC ${QW_BZIP2_SOURCE})
target_compile_options(qw_bz2 PRIVATE -w)
add_library(BZip2::BZip2 ALIAS qw_bz2)

add_library(qw_boost_headers INTERFACE)
target_include_directories(qw_boost_headers SYSTEM INTERFACE ${QW_BOOST_INCLUDE})
target_compile_definitions(qw_boost_headers INTERFACE
  BOOST_ALL_NO_LIB BOOST_FILESYSTEM_STATIC_LINK=1 BOOST_IOSTREAMS_NO_LIB)
# Boost.UUID's random generator uses the CNG API on Windows; bcrypt.dll is
# not a known DLL, so it is delay-loaded (cmake/SystemLibrariesOnly.cmake).
qw_delay_import_library(bcrypt)
target_link_libraries(qw_boost_headers INTERFACE qw_delay_bcrypt)
add_library(Boost::headers ALIAS qw_boost_headers)

file(GLOB QW_BOOST_FS_SOURCES ${QW_BOOST_SOURCE}/libs/filesystem/src/*.cpp)
add_library(qw_boost_filesystem STATIC ${QW_BOOST_FS_SOURCES})
target_link_libraries(qw_boost_filesystem PUBLIC qw_boost_headers)
target_compile_definitions(qw_boost_filesystem PRIVATE BOOST_FILESYSTEM_SOURCE)
target_compile_options(qw_boost_filesystem PRIVATE -w)
add_library(Boost::filesystem ALIAS qw_boost_filesystem)

add_library(qw_boost_iostreams STATIC ${QW_BOOST_SOURCE}/libs/iostreams/src/bzip2.cpp)
target_link_libraries(qw_boost_iostreams PUBLIC qw_boost_headers qw_bz2)
target_compile_definitions(qw_boost_iostreams PRIVATE BOOST_IOSTREAMS_SOURCE)
target_compile_options(qw_boost_iostreams PRIVATE -w)
add_library(Boost::iostreams ALIAS qw_boost_iostreams)
