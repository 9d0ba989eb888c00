# Each library's headers are reachable only through its own include root: a
# folder in the build tree holding nothing but a link to the library's source
# folder, under the name its headers are included by ("sysutil/...",
# "archive/lha/..."). A header of a library the target does not link is
# simply not found: a wrong include fails to build instead of linking by luck.
function(fzarc_include_root target folder)
  set(root "${CMAKE_BINARY_DIR}/include/${target}")
  get_filename_component(parent "${root}/${folder}" DIRECTORY)
  file(MAKE_DIRECTORY "${parent}")
  if(NOT EXISTS "${root}/${folder}")
    file(CREATE_LINK "${CMAKE_SOURCE_DIR}/${folder}" "${root}/${folder}" SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC "${root}")
endfunction()
