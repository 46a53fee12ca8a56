# Helpers of the MATLAB commands and the substitute libraries they load.

# Writes a .def file that exports functions by ordinal only (NONAME), so that
# importers bind by ordinal. The exports are given in ordinal order, from 1:
# Name:ArgumentBytes for a stdcall function (decorated Name@ArgumentBytes on
# i686), plain Name for a cdecl one.
function(quenbus_write_ordinal_def output library)
  set(text "LIBRARY ${library}\nEXPORTS\n")
  set(ordinal 1)
  foreach(export IN LISTS ARGN)
    string(REPLACE ":" ";" parts "${export}")
    list(GET parts 0 name)
    list(LENGTH parts count)
    if(count EQUAL 2 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
      list(GET parts 1 bytes)
      set(name "${name}@${bytes}")
    endif()
    string(APPEND text "    ${name} @${ordinal} NONAME\n")
    math(EXPR ordinal "${ordinal} + 1")
  endforeach()
  file(GENERATE OUTPUT ${output} CONTENT "${text}")
endfunction()

# Where the MEX commands and the libraries they load are built, together.
set(QUENBUS_MEX_DIR ${CMAKE_BINARY_DIR}/mex)

# The two commands, and the sources they share (the transfers themselves are
# the buslink layer).
set(QUENBUS_MEX_COMMANDS busquery buswrite)
set(QUENBUS_MEX_SHARED_SOURCES ${PROJECT_SOURCE_DIR}/mex/bus_command.cpp)

# Builds a substitute library from its object library: drovane.dll or
# libdrovane.so. On Windows its exports are the ordinals of `def`, on Linux
# the names of `map` (a version script); the static libraries it takes in
# export nothing.
function(quenbus_add_substitute_library name objects def map)
  add_library(${name} SHARED $<TARGET_OBJECTS:${objects}>)
  set_target_properties(${name} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${QUENBUS_MEX_DIR} LIBRARY_OUTPUT_DIRECTORY ${QUENBUS_MEX_DIR})
  if(WIN32)
    target_sources(${name} PRIVATE ${def})
    set_target_properties(${name} PROPERTIES PREFIX "")
  else()
    target_link_options(${name} PRIVATE -Wl,--version-script=${map} -Wl,--exclude-libs,ALL)
    set_target_properties(${name} PROPERTIES LINK_DEPENDS ${map})
  endif()
endfunction()
