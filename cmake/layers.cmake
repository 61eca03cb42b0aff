# The layers of the program as libraries. Each layer compiles against an
# include root of its own, in the build tree, that holds only its own folder;
# linking a lower layer adds that layer's root. An #include of a layer that
# is not linked (a higher one, or a sibling) therefore does not compile.

set(CLICKWISP_LAYER_ROOTS ${CMAKE_BINARY_DIR}/layers)

# clickwisp_include_root(NAME FOLDER) makes the include root NAME show the
# source folder FOLDER (like "core" or "platform/x11") under its own path.
# With FILES_ONLY only the headers directly in FOLDER are shown, not its
# subfolders (the platform interfaces without the backends).
function(clickwisp_include_root name folder)
  cmake_parse_arguments(R "FILES_ONLY" "" "" ${ARGN})
  set(root ${CLICKWISP_LAYER_ROOTS}/${name})
  if(R_FILES_ONLY)
    file(MAKE_DIRECTORY ${root}/${folder})
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.h)
    foreach(header ${headers})
      get_filename_component(file ${header} NAME)
      file(CREATE_LINK ${header} ${root}/${folder}/${file} SYMBOLIC)
    endforeach()
  else()
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
endfunction()

# clickwisp_layer(NAME FOLDER folder SOURCES ... [USES layer...] [PRIVATE_LIBS lib...]
#                 [FILES_ONLY])
# A static library of the given sources (relative to the folder) whose
# headers the layers that link it may include.
function(clickwisp_layer name)
  cmake_parse_arguments(L "FILES_ONLY" "FOLDER" "SOURCES;USES;PRIVATE_LIBS" ${ARGN})
  if(L_FILES_ONLY)
    clickwisp_include_root(${name} ${L_FOLDER} FILES_ONLY)
  else()
    clickwisp_include_root(${name} ${L_FOLDER})
  endif()
  list(TRANSFORM L_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/${L_FOLDER}/)
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${CLICKWISP_LAYER_ROOTS}/${name})
  target_link_libraries(${name} PUBLIC ${L_USES} PRIVATE ${L_PRIVATE_LIBS})
endfunction()
