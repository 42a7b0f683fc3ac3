# quorvex's own command line, answered without a display: --help and
# --version exit 0 with their text on standard output, anything neither the
# program nor Qt takes exits 2 with a short usage on standard error.
#   cmake -DPROGRAM=path/to/quorvex -DVERSION=1.0.0.1 -P command_line_check.cmake
cmake_minimum_required(VERSION 3.25)
set(no_display ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM)

# Each case: arguments (;-separated as one field with |), exit status,
# the start of standard output, a text standard error must hold.
set(cases
    "--help|0|usage: quorvex [--help] [--version]|"
    "--version|0|quorvex ${VERSION}\n|"
    "-reverse|--version|0|quorvex ${VERSION}\n|"
    "--bogus|2||quorvex: unknown option '--bogus'\nusage: quorvex"
    "-h|2||unknown option '-h'"
    "picture.png|2||unexpected argument 'picture.png'"
    "-platform|2||option -platform needs a value")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(LENGTH fields n)
  math(EXPR last "${n} - 1")
  math(EXPR out_at "${n} - 2")
  math(EXPR status_at "${n} - 3")
  list(GET fields ${last} err_expected)
  list(GET fields ${out_at} out_expected)
  list(GET fields ${status_at} status_expected)
  list(SUBLIST fields 0 ${status_at} args)
  execute_process(COMMAND ${no_display} "${PROGRAM}" ${args} RESULT_VARIABLE status OUTPUT_VARIABLE out
                  ERROR_VARIABLE err TIMEOUT 30)
  if(NOT status STREQUAL status_expected)
    message(FATAL_ERROR "quorvex ${args}: exit status ${status}, expected ${status_expected}\n${err}")
  endif()
  string(FIND "${out}" "${out_expected}" at)
  if(NOT at EQUAL 0)
    message(FATAL_ERROR "quorvex ${args}: printed '${out}', expected it to start with '${out_expected}'")
  endif()
  string(FIND "${err}" "${err_expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "quorvex ${args}: standard error lacks '${err_expected}': '${err}'")
  endif()
  if(status EQUAL 0 AND NOT err STREQUAL "")
    message(FATAL_ERROR "quorvex ${args}: wrote '${err}' on standard error")
  endif()
endforeach()
