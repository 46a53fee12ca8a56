# The layers of the portable code, each a folder and a static library that
# links only the layers below it (tests/layers/layer_table.txt says which
# folder may include which).
#
# quenbus_add_layer(NAME SOURCES... [NATIVE sources...] [WINDOWS sources...] [LINKS layers...])
# Natively, when the sanitized tests are on, the layer is built a second
# time as NAME_san with the sanitizers, linking the _san twins of its layers.
function(quenbus_add_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 layer "" "" "NATIVE;WINDOWS;LINKS")
  set(sources ${layer_UNPARSED_ARGUMENTS})
  if(WIN32)
    list(APPEND sources ${layer_WINDOWS})
  else()
    list(APPEND sources ${layer_NATIVE})
  endif()
  set(variants ${name}:)
  if(NOT WIN32 AND QUENBUS_SANITIZED_TESTS)
    list(APPEND variants ${name}_san:_san)
  endif()
  foreach(variant IN LISTS variants)
    string(REPLACE ":" ";" parts "${variant}")
    list(GET parts 0 target)
    list(LENGTH parts count)
    set(suffix "")
    if(count EQUAL 2)
      list(GET parts 1 suffix)
    endif()
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    # The substitute libraries are shared libraries that take layers in.
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    set(links ${layer_LINKS})
    list(TRANSFORM links APPEND "${suffix}")
    target_link_libraries(${target} PUBLIC ${links})
    if(suffix)
      target_compile_options(${target} PUBLIC ${QUENBUS_SANITIZE_FLAGS})
      target_link_options(${target} PUBLIC ${QUENBUS_SANITIZE_FLAGS})
    endif()
  endforeach()
endfunction()

# Every portable layer, for the test programs that reach all of them.
set(QUENBUS_LAYERS
  quenbus_text quenbus_platform quenbus_config quenbus_service quenbus_discovery
  quenbus_setup_exports quenbus_framework quenbus_properties quenbus_applet_logic quenbus_buslink quenbus_trace quenbus_vxi11 quenbus_adapter quenbus_gpib)
set(QUENBUS_LAYERS_SAN ${QUENBUS_LAYERS})
list(TRANSFORM QUENBUS_LAYERS_SAN APPEND _san)
