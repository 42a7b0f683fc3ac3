# Regenerates the web page's glyph table through the Linux font code and
# compares it with the committed canvas/font_table_data.cpp: the page's text
# pixels are the renderer's only while the two agree.
#   cmake -DTOOL=glyph-table -DEXPECTED=.../font_table_data.cpp -DOUT=... -P glyph_table_check.cmake
execute_process(COMMAND ${TOOL} ${OUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "glyph-table failed (${status})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${EXPECTED} RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "${EXPECTED} is out of date: regenerate it with\n  glyph-table ${EXPECTED}")
endif()
