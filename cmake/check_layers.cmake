# Fails when a file includes a folder above its own. The folders stand in
# this order, each including only itself and those below it:
#   platform/, ui/  <-  files/  <-  device/  <-  app/  <-  cli/
# pkgtool/ may include files/, ui/ and platform/; installer/ only platform/.
# tests/, bench/ and tools/ may include anything.
# Run as: cmake -DSOURCE_DIR=<tree> -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR not given")
endif()

set(allowed_platform platform)
set(allowed_ui ui)
set(allowed_files files ui platform)
set(allowed_device device files ui platform)
set(allowed_app app device files ui platform)
set(allowed_cli cli app device files ui platform)
set(allowed_pkgtool pkgtool files ui platform)
set(allowed_installer installer platform)
set(layered platform ui files device app cli pkgtool installer)
set(project_folders ${layered} tests bench tools)

set(checked 0)
set(upward 0)
foreach(folder IN LISTS layered)
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.hpp
    ${SOURCE_DIR}/${folder}/*.c ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    math(EXPR checked "${checked} + 1")
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "[\"<]([a-z_]+)/" _ "${line}")
      set(target ${CMAKE_MATCH_1})
      if(NOT target IN_LIST project_folders OR target IN_LIST allowed_${folder})
        continue()
      endif()
      string(STRIP "${line}" line)
      list(JOIN allowed_${folder} ", " below)
      message("${source}: ${line} (${folder}/ may include only ${below})")
      math(EXPR upward "${upward} + 1")
    endforeach()
  endforeach()
endforeach()

if(upward GREATER 0)
  message(FATAL_ERROR "${upward} upward include(s) in ${checked} files")
endif()
message("${checked} files checked, no include goes upward")
