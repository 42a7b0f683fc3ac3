# orbit/math_tables.cpp against what scripts/math-tables.py generates,
# formatted as committed: the trigonometry rounds correctly only with the
# constants the script derives. Skipped without mpmath or clang-format.
execute_process(COMMAND ${PYTHON} -c "import mpmath" RESULT_VARIABLE no_mpmath OUTPUT_QUIET ERROR_QUIET)
if(NOT no_mpmath EQUAL 0 OR NOT CLANG_FORMAT)
  message("math tables check skipped: python3-mpmath or clang-format is not installed")
  return()
endif()
execute_process(COMMAND ${PYTHON} ${SCRIPT} COMMAND ${CLANG_FORMAT} --assume-filename=${EXPECTED}
                OUTPUT_FILE ${OUT} ERROR_QUIET RESULTS_VARIABLE statuses)
if(NOT statuses STREQUAL "0;0")
  message(FATAL_ERROR "math-tables.py | clang-format failed (${statuses})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${EXPECTED} RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "${EXPECTED} differs from what scripts/math-tables.py generates: regenerate it with\n"
                      "  python3 scripts/math-tables.py | clang-format --assume-filename=orbit/math_tables.cpp")
endif()
