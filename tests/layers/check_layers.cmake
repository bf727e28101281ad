# Builds every probe of the layering test (cmake -DBUILD_DIR=... -DPROBES=...
# -P check_layers.cmake). A probe is one line "target header allowed": a
# source of one layer's library that includes one header. A header of the
# layer itself or of a layer below must compile; one of a layer above must
# not, and must fail because it is not found.
file(STRINGS ${PROBES} probes)
set(faults 0)
foreach(probe IN LISTS probes)
  separate_arguments(probe)
  list(GET probe 0 target)
  list(GET probe 1 header)
  list(GET probe 2 allowed)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${target}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(REPLACE "." "\\." pattern "${header}")
  if(allowed AND NOT result EQUAL 0)
    message(SEND_ERROR "${target}: \"${header}\" should compile:\n${output}")
    math(EXPR faults "${faults} + 1")
  elseif(NOT allowed AND result EQUAL 0)
    message(SEND_ERROR "${target}: \"${header}\" of a higher layer compiles")
    math(EXPR faults "${faults} + 1")
  elseif(NOT allowed AND NOT output MATCHES "${pattern}[^\n]*(No such file|not found)")
    message(SEND_ERROR "${target}: \"${header}\" failed for another reason than not being found:\n${output}")
    math(EXPR faults "${faults} + 1")
  endif()
endforeach()
list(LENGTH probes count)
message(STATUS "${count} probes, ${faults} faults")
