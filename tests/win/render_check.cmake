# Runs quorvex-render.exe (through Wine) in an empty folder and checks its
# exit status, what it printed and which files it left:
#   cmake -DRUN="wine;quorvex-render.exe" -DDIR=folder -DSTATUS=0
#         -DOUT=text -DERR=text -DFILES="a.png" -DARGS="--output;a.png" -P render_check.cmake
# OUT must equal standard output, ERR must occur in standard error; Wine's
# console line ends are taken as plain newlines.
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")
execute_process(COMMAND ${RUN} ${ARGS} WORKING_DIRECTORY "${DIR}" RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REPLACE "\r\n" "\n" out "${out}")
string(REPLACE "\r\n" "\n" err "${err}")
if(NOT status STREQUAL STATUS)
  message(FATAL_ERROR "exit status ${status}, expected ${STATUS}\n${err}")
endif()
if(NOT out STREQUAL OUT)
  message(FATAL_ERROR "printed '${out}', expected '${OUT}'")
endif()
string(FIND "${err}" "${ERR}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "standard error lacks '${ERR}': '${err}'")
endif()
file(GLOB left RELATIVE "${DIR}" "${DIR}/*")
if(NOT "${left}" STREQUAL "${FILES}")
  message(FATAL_ERROR "left '${left}', expected '${FILES}'")
endif()
file(REMOVE_RECURSE "${DIR}")
