# Cross-compiles the toolkit-free core and its unit tests for 64-bit Windows with Debian's
# MinGW-w64 compiler, and runs the tests under Wine (scripts/test --windows-core):
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix thread model: std::thread and std::mutex need it with this compiler.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime goes into each program, so that Wine needs no DLL search path.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Every program, ctest's tests too, runs under Wine with a prefix of its own inside the build
# folder; the user's own prefix is never touched.
find_program(TAMARACK_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(NOT TAMARACK_WINE)
  message(FATAL_ERROR "Wine not found: scripts/bootstrap installs wine64")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
    ${TAMARACK_WINE})

# No windows, no pseudo-terminal, no benchmark: the core and its unit tests only.
set(TAMARACK_GUI OFF CACHE BOOL "Build the Qt windows and the application")
set(TAMARACK_BENCH OFF CACHE BOOL "Build the benchmark program")
