# No MinGW build of googletest is packaged: build Debian's sources with the
# project, without its warning flags (they are for our own code) and without
# link-time optimisation, and make GTest::gtest and GTest::gtest_main from
# them.
get_directory_property(quorvex_compile_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "-ffp-contract=off;-fno-fast-math")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(quorvex_ipo ${CMAKE_INTERPROCEDURAL_OPTIMIZATION})
set(CMAKE_INTERPROCEDURAL_OPTIMIZATION OFF)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set(CMAKE_INTERPROCEDURAL_OPTIMIZATION ${quorvex_ipo})
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${quorvex_compile_options}")
