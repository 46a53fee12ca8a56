# The runs of the MATLAB commands' case tables, whoever runs them (our MEX
# host, GNU Octave, the quenbus tool). A run is NAME:REGISTRY:BENCH[:CHANNEL]:
# the cases of NAME.cases, on the configuration of the REGISTRY file and the
# instruments of the BENCH file (either empty for none), all in
# tests/mex/cases; CHANNEL is how a run through the "++" adapter reaches it
# (empty for TCP, serial for a serial port).
set(QUENBUS_CASE_DIR ${PROJECT_SOURCE_DIR}/tests/mex/cases)

# The runs of the transfers themselves; a present board exists only natively.
set(QUENBUS_CASE_RUNS default_bench:: configured:configured.reg: eos_bench::eos.bench)
if(NOT WIN32)
  list(APPEND QUENBUS_CASE_RUNS present_board:present_board.reg:)
endif()

# quenbus_case_run(PREFIX RUN [WINE])
# Sets PREFIX_NAME and PREFIX_CHANNEL, and the paths PREFIX_CASES,
# PREFIX_REGISTRY and PREFIX_BENCH (the last two empty for none); with WINE
# the paths as Windows programs under Wine see them.
function(quenbus_case_run prefix run)
  cmake_parse_arguments(PARSE_ARGV 2 case "WINE" "" "")
  string(REPLACE ":" ";" parts "${run}")
  list(LENGTH parts count)
  if(count LESS 3 OR count GREATER 4)
    message(FATAL_ERROR "case run \"${run}\" is not NAME:REGISTRY:BENCH[:CHANNEL]")
  endif()
  list(GET parts 0 name)
  list(GET parts 1 registry)
  list(GET parts 2 bench)
  set(channel "")
  if(count EQUAL 4)
    list(GET parts 3 channel)
  endif()
  set(cases ${QUENBUS_CASE_DIR}/${name}.cases)
  foreach(file registry bench)
    if(${file})
      set(${file} "${QUENBUS_CASE_DIR}/${${file}}")
    endif()
  endforeach()
  if(case_WINE)
    foreach(path cases registry bench)
      if(${path})
        quenbus_wine_path(${path} "${${path}}")
      endif()
    endforeach()
  endif()
  set(${prefix}_NAME "${name}" PARENT_SCOPE)
  set(${prefix}_CHANNEL "${channel}" PARENT_SCOPE)
  set(${prefix}_CASES "${cases}" PARENT_SCOPE)
  set(${prefix}_REGISTRY "${registry}" PARENT_SCOPE)
  set(${prefix}_BENCH "${bench}" PARENT_SCOPE)
endfunction()
