# The installer's folders are layers: one static library per folder, each
# linking and including only its own folder and those below it.
#
#   platform <- i18n <- payload <- engine <- ui <- app
#
# ui/'s dialog layer (the dialogs from templates, the application object,
# the window icons) sits on engine/ as a library of its own, qw_dialog, so
# that the uninstaller can use it without the wizard.
#
# How the build enforces it: a library does not get the source tree as its
# include directory but an include root of its own layer in the build tree,
# include_roots/LAYER, that holds a symbolic link to each folder the layer
# may see (and, for the dialog layer, links to its own headers only). An
# include of a folder above names a file the compiler cannot find, and the
# build fails on that line. The compiler runs on the build machine, so the
# links serve the MinGW trees as well; ccache sees ordinary include paths.
# The roots are PUBLIC: whatever links a layer sees what the layer sees,
# which for a layer above is a part of its own root. A "../" include would
# still step out of a root; the tree has none.
#
# The tests, the build-time tools and the programs of product/ sit above all
# layers and include from the source tree (tests/ and tools/ say so for
# their folders).
#
# The IncludeLayers.LAYER tests prove it in each tree for each library:
# cmake/LayerProbes.cmake compiles, with the library's own include
# directories, one line that includes a header of each folder above it,
# which must fail for want of that header, and one that includes the
# library's own header, which must compile.

set(QW_LAYERS platform i18n payload engine ui app)
set(QW_DIALOG_LAYER_HEADERS ui/dialog.h ui/win_app.h ui/window_icons.h)
set(QW_INCLUDE_ROOTS ${CMAKE_BINARY_DIR}/include_roots)

# qw_include_root(NAME [FOLDERS folder...] [FILES folder/file...])
# Makes include_roots/NAME with a link to each folder and file named.
# Links it no longer names are removed (never what they point to).
function(qw_include_root name)
  cmake_parse_arguments(ARG "" "" "FOLDERS;FILES" ${ARGN})
  set(root ${QW_INCLUDE_ROOTS}/${name})
  file(MAKE_DIRECTORY ${root})
  file(GLOB entries LIST_DIRECTORIES true ${root}/*)
  foreach(entry IN LISTS entries)
    if(IS_SYMLINK ${entry})
      file(REMOVE ${entry})
    elseif(IS_DIRECTORY ${entry})
      file(GLOB inner LIST_DIRECTORIES true ${entry}/*)
      foreach(link IN LISTS inner)
        if(IS_SYMLINK ${link})
          file(REMOVE ${link})
        endif()
      endforeach()
    endif()
  endforeach()
  foreach(folder IN LISTS ARG_FOLDERS)
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
  foreach(path IN LISTS ARG_FILES)
    get_filename_component(folder ${root}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${path} ${root}/${path} SYMBOLIC)
  endforeach()
endfunction()

set(qw_seen)
foreach(layer IN LISTS QW_LAYERS)
  list(APPEND qw_seen ${layer})
  qw_include_root(${layer} FOLDERS ${qw_seen})
  if(layer STREQUAL "engine")
    qw_include_root(dialog FOLDERS ${qw_seen} FILES ${QW_DIALOG_LAYER_HEADERS})
  endif()
endforeach()
unset(qw_seen)

# qw_layer(TARGET LAYER): `TARGET` (a library of the folder LAYER, or
# "dialog" for ui/'s dialog layer) includes through the layer's root. A
# static library gets its IncludeLayers test as well.
function(qw_layer target layer)
  target_include_directories(${target} PUBLIC ${QW_INCLUDE_ROOTS}/${layer})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "STATIC_LIBRARY")
    qw_layer_probes(${target} ${layer})
  endif()
endfunction()

# The folders above a layer, each with one of its headers that the layer
# must not find.
function(qw_headers_above layer out)
  if(layer STREQUAL "dialog")
    set(above ui app)
  else()
    list(FIND QW_LAYERS ${layer} index)
    math(EXPR first "${index} + 1")
    set(above)
    list(LENGTH QW_LAYERS count)
    if(first LESS count)
      list(SUBLIST QW_LAYERS ${first} -1 above)
    endif()
  endif()
  set(headers)
  foreach(folder IN LISTS above)
    file(GLOB candidates RELATIVE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/${folder}/*.h)
    list(REMOVE_ITEM candidates ${QW_DIALOG_LAYER_HEADERS})
    list(SORT candidates)
    list(GET candidates 0 header)
    list(APPEND headers ${header})
  endforeach()
  set(${out} ${headers} PARENT_SCOPE)
endfunction()

function(qw_layer_probes target layer)
  set(folder ${CMAKE_BINARY_DIR}/layer_probes/${target})
  # The control: the header of the library's first source that has one.
  get_target_property(sources ${target} SOURCES)
  set(own)
  foreach(source IN LISTS sources)
    get_filename_component(stem ${source} NAME_WE)
    if(NOT own AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${stem}.h)
      file(RELATIVE_PATH own ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${stem}.h)
    endif()
  endforeach()
  qw_headers_above(${layer} above)
  if(NOT above)
    return()  # the top layer: nothing above it to hide
  endif()
  set(probes)
  set(index 0)
  foreach(header IN LISTS own above)
    set(probe ${target}_probe_${index})
    file(CONFIGURE OUTPUT ${folder}/probe_${index}.cpp CONTENT "#include \"${header}\"\n" @ONLY)
    add_library(${probe} OBJECT EXCLUDE_FROM_ALL ${folder}/probe_${index}.cpp)
    set_target_properties(${probe} PROPERTIES
      INCLUDE_DIRECTORIES "$<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>"
      COMPILE_DEFINITIONS "$<TARGET_PROPERTY:${target},COMPILE_DEFINITIONS>")
    list(APPEND probes "${probe}=${header}")
    math(EXPR index "${index} + 1")
  endforeach()
  if(WIN32)
    set(labels "windows;layers")
  else()
    set(labels "native;layers")
  endif()
  add_test(NAME IncludeLayers.${target}
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} "-DPROBES=${probes}"
                   -P ${CMAKE_SOURCE_DIR}/cmake/LayerProbes.cmake)
  # The probes build in the tree: one build at a time.
  set_tests_properties(IncludeLayers.${target} PROPERTIES LABELS "${labels}" RESOURCE_LOCK build_tree)
endfunction()
