# Runs the sample digest natively and as WebAssembly under node with the
# same arguments and fails unless both print the same line.
# -DNATIVE=program -DNODE=node -DWASM=program.js -DYEARS=n -DSTEP=n -DINTERACTION=on|off
execute_process(COMMAND ${NATIVE} ${YEARS} ${STEP} ${INTERACTION} OUTPUT_VARIABLE native RESULT_VARIABLE native_status)
execute_process(COMMAND ${NODE} ${WASM} ${YEARS} ${STEP} ${INTERACTION} OUTPUT_VARIABLE wasm RESULT_VARIABLE wasm_status)
if(NOT native_status EQUAL 0 OR NOT wasm_status EQUAL 0)
  message(FATAL_ERROR "native exit ${native_status}, wasm exit ${wasm_status}")
endif()
if(NOT native STREQUAL wasm)
  message(FATAL_ERROR "the samples differ:\n  Linux: ${native}  WebAssembly: ${wasm}")
endif()
message(STATUS "the same samples: ${native}")
