# Runs two renderers (or one renderer two ways) on the same run and checks
# that their samples CSVs have the same bytes:
#   cmake -DRUN_A="quorvex-render" -DRUN_B="env;X=1;quorvex-render"
#         -DARGS="--years 1000 --step 10" -DDIR=folder -P same_samples_check.cmake
# A renderer named by CHECK_EXISTS that is not there skips the check (the
# Windows build's test needs the Linux build's renderer).
if(DEFINED CHECK_EXISTS AND NOT EXISTS "${CHECK_EXISTS}")
  message("same samples check skipped: ${CHECK_EXISTS} not built")
  return()
endif()
separate_arguments(ARGS UNIX_COMMAND "${ARGS}")
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")
foreach(side A B)
  execute_process(COMMAND ${RUN_${side}} ${ARGS} --output ${side}.png --samples ${side}.csv WORKING_DIRECTORY "${DIR}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${RUN_${side}} failed (${status}): ${err}")
  endif()
  string(REPLACE "\r\n" "\n" out "${out}")
  set(line_${side} "${out}")
endforeach()
if(NOT line_A STREQUAL line_B)
  message(FATAL_ERROR "closing lines differ: '${line_A}' and '${line_B}'")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${DIR}/A.csv" "${DIR}/B.csv" RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "the samples differ: ${DIR}/A.csv and ${DIR}/B.csv")
endif()
file(SIZE "${DIR}/A.csv" size)
message("same samples: ${size} bytes")
file(REMOVE_RECURSE "${DIR}")
