# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compilers (the
# posix-thread variant, which std::thread and std::mutex need) and runs the
# results through Wine, so that ctest can run the Windows tests here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVEX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORVEX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVEX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVEX_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${QUORVEX_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${QUORVEX_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "Ranlib")

# Libraries and headers come from the MinGW-w64 sysroot only; programs
# (cmake, makensis) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in statically, the compiler's runtime (libstdc++,
# libgcc, winpthreads) included: the executables import only the DLLs that
# Windows itself provides.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and gtest discovery run the built programs through Wine, when it is
# installed; building needs no Wine.
find_program(QUORVEX_WINE wine)
if(QUORVEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVEX_WINE})
endif()
