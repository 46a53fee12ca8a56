# Writes a .def file exporting stdcall functions by their plain names.
# Each export is given as Name:ArgumentBytes; on i686 the linker's symbol
# is decorated as Name@ArgumentBytes.
function(quenbus_write_def output library)
  set(text "LIBRARY ${library}\nEXPORTS\n")
  foreach(export IN LISTS ARGN)
    string(REPLACE ":" ";" parts "${export}")
    list(GET parts 0 name)
    list(GET parts 1 bytes)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      string(APPEND text "    ${name} = ${name}@${bytes}\n")
    else()
      string(APPEND text "    ${name}\n")
    endif()
  endforeach()
  file(GENERATE OUTPUT ${output} CONTENT "${text}")
endfunction()
