# Helpers of the MATLAB commands and the substitute libraries they load.

# Reads a substitute library's table of exports (drovane/exports.txt): one
# function a line in ordinal order from 1, its name, then its stdcall
# argument bytes or "cdecl", and "byname" for one that programs find by
# name at run time; "#" starts a comment. Writes from it `def`, the DLL's
# .def file, which exports by ordinal only (NONAME) so that importers bind
# by ordinal, with stdcall names decorated as Name@bytes on i686, and the
# "byname" functions by their plain names too; and
# `script`, the Linux library's version script, which exports the same names
# and hides every other symbol. With a fifth argument, writes there the
# .def of the import library, which binds every function by ordinal, with
# its decorated name on i686.
function(quenbus_write_exports table library def script)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
  file(STRINGS ${table} lines)
  set(def_text "LIBRARY ${library}\nEXPORTS\n")
  set(import_text "${def_text}")
  set(names)
  set(ordinal 1)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "#.*" "" line "${line}")
    string(STRIP "${line}" line)
    if(line STREQUAL "")
      continue()
    endif()
    if(NOT line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)[ \t]+([0-9]+|cdecl)([ \t]+byname)?$")
      message(FATAL_ERROR "${table}: \"${line}\" is not NAME BYTES or NAME cdecl, then perhaps byname")
    endif()
    set(name ${CMAKE_MATCH_1})
    set(bytes ${CMAKE_MATCH_2})
    set(byname ${CMAKE_MATCH_3})
    if(name IN_LIST names)
      message(FATAL_ERROR "${table}: ${name} is listed twice")
    endif()
    list(APPEND names ${name})
    set(symbol ${name})
    if(NOT bytes STREQUAL "cdecl" AND CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(symbol "${name}@${bytes}")
    endif()
    if(byname AND NOT symbol STREQUAL name)
      string(APPEND def_text "    ${name}=${symbol} @${ordinal}\n")
    elseif(byname)
      string(APPEND def_text "    ${name} @${ordinal}\n")
    else()
      string(APPEND def_text "    ${symbol} @${ordinal} NONAME\n")
    endif()
    string(APPEND import_text "    ${symbol} @${ordinal} NONAME\n")
    math(EXPR ordinal "${ordinal} + 1")
  endforeach()
  if(NOT names)
    message(FATAL_ERROR "${table}: no exports")
  endif()
  list(JOIN names "; " global)
  file(GENERATE OUTPUT ${def} CONTENT "${def_text}")
  if(ARGC GREATER 4)
    file(GENERATE OUTPUT ${ARGV4} CONTENT "${import_text}")
  endif()
  file(GENERATE OUTPUT ${script} CONTENT "{\n  global: ${global};\n  local: *;\n};\n")
endfunction()

# Where the MEX commands and the libraries they load are built, together.
set(QUENBUS_MEX_DIR ${CMAKE_BINARY_DIR}/mex)

# The commands, and for each the source it shares with its twins (the
# transfers themselves are the buslink layer). busquery and buswrite take in
# nothing of the block commands or the operations, so they import no more of
# the libraries.
set(QUENBUS_MEX_OPERATIONS busclear bustrigger busspoll buswaitsrq buslocal)
set(QUENBUS_MEX_COMMANDS busquery buswrite busblock buswriteblock ${QUENBUS_MEX_OPERATIONS})
set(QUENBUS_MEX_SOURCES_busquery ${PROJECT_SOURCE_DIR}/mex/bus_command.cpp)
set(QUENBUS_MEX_SOURCES_buswrite ${PROJECT_SOURCE_DIR}/mex/bus_command.cpp)
set(QUENBUS_MEX_SOURCES_busblock ${PROJECT_SOURCE_DIR}/mex/block_command.cpp)
set(QUENBUS_MEX_SOURCES_buswriteblock ${PROJECT_SOURCE_DIR}/mex/block_command.cpp)
foreach(command IN LISTS QUENBUS_MEX_OPERATIONS)
  set(QUENBUS_MEX_SOURCES_${command} ${PROJECT_SOURCE_DIR}/mex/operation_command.cpp)
endforeach()

# quenbus_add_exporting_library(TARGET FILE_NAME TABLE DIRECTORY): the shared
# library FILE_NAME.dll or libFILE_NAME.so in DIRECTORY, of the objects of
# FILE_NAME_objects, exporting what TABLE lists (quenbus_write_exports); its
# version script is its property QUENBUS_VERSION_SCRIPT.
function(quenbus_add_exporting_library target file_name table directory)
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  set(import_def ${CMAKE_CURRENT_BINARY_DIR}/${target}_import.def)
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  cmake_path(ABSOLUTE_PATH table BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  quenbus_write_exports(${table} ${file_name}.dll ${def} ${script} ${import_def})
  add_library(${target} SHARED $<TARGET_OBJECTS:${file_name}_objects>)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${file_name} QUENBUS_VERSION_SCRIPT ${script}
    RUNTIME_OUTPUT_DIRECTORY ${directory} LIBRARY_OUTPUT_DIRECTORY ${directory})
  if(WIN32)
    target_sources(${target} PRIVATE ${def})
    set_target_properties(${target} PROPERTIES PREFIX "")
    # The linker's import library would bind a function exported by name by
    # its name, and on i686 by its plain name, which importers of the
    # decorated Name@bytes do not find: programs bind every call by ordinal.
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_DLLTOOL} --input-def ${import_def} --dllname ${file_name}.dll
        --output-lib $<TARGET_LINKER_FILE:${target}>
      VERBATIM)
  else()
    # A name in the table that the library does not define is an error.
    target_link_options(${target} PRIVATE -Wl,--version-script=${script} -Wl,--no-undefined-version
      -Wl,--exclude-libs,ALL)
    set_target_properties(${target} PROPERTIES LINK_DEPENDS ${script})
  endif()
endfunction()

# quenbus_add_substitute_library(NAME SOURCES sources... LINKS layers... EXPORTS table)
# Builds a substitute library: NAME_objects, the object library of its
# sources on the given layers, which test programs take in too (natively,
# with the sanitized tests on, also NAME_objects_san on the layers' _san
# twins); and from it, except in the fuzz build, the shared library
# drovane.dll or libdrovane.so, which exports what the table lists (see
# quenbus_write_exports); the static libraries it takes in export nothing.
function(quenbus_add_substitute_library name)
  cmake_parse_arguments(PARSE_ARGV 1 library "" "EXPORTS" "SOURCES;LINKS")
  set(variants "")
  if(NOT WIN32 AND QUENBUS_SANITIZED_TESTS)
    set(variants _san)
  endif()
  foreach(suffix "" ${variants})
    add_library(${name}_objects${suffix} OBJECT ${library_SOURCES})
    set(links ${library_LINKS})
    list(TRANSFORM links APPEND "${suffix}")
    target_link_libraries(${name}_objects${suffix} PUBLIC ${links})
    set_target_properties(${name}_objects${suffix} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  endforeach()
  if(QUENBUS_FUZZ)
    return()
  endif()

  quenbus_add_exporting_library(${name} ${name} ${library_EXPORTS} ${QUENBUS_MEX_DIR})
  target_link_libraries(${name} PRIVATE ${library_LINKS})
  target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
endfunction()

# quenbus_add_library_copy(NAME COPY EXPORTS table DIRECTORY dir [BESIDE targets...])
# COPY, a second build of the substitute library NAME from the same objects,
# under the same file name, that exports only what the table lists; built
# into `dir` with copies of the files of the BESIDE targets (MEX files, the
# other library), which load the copy there: on Windows it is found beside
# them, natively their run path is their own folder (BUILD_RPATH_USE_ORIGIN).
function(quenbus_add_library_copy name copy)
  cmake_parse_arguments(PARSE_ARGV 2 library "" "EXPORTS;DIRECTORY" "BESIDE")
  get_target_property(links ${name} LINK_LIBRARIES)
  quenbus_add_exporting_library(${copy} ${name} ${library_EXPORTS} ${library_DIRECTORY})
  target_link_libraries(${copy} PRIVATE ${links})
  set(files)
  foreach(target IN LISTS library_BESIDE)
    list(APPEND files $<TARGET_FILE:${target}>)
  endforeach()
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${copy}_beside.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${library_DIRECTORY}
    COMMAND ${CMAKE_COMMAND} -E copy ${files} ${library_DIRECTORY}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${library_BESIDE} VERBATIM)
  add_custom_target(${copy}_beside ALL DEPENDS ${copy} ${stamp})
endfunction()
