# Cross-builds for 64-bit Windows with Debian's mingw-w64 compilers (package
# g++-mingw-w64-x86-64-posix). The "-posix" variant is the one whose runtime has std::thread.
# The C and C++ runtimes and winpthread are linked statically, so the .exe needs no DLL beside it;
# with -DRENNIK_MINGW_SHARED_RUNTIME=ON (the program against the Windows Qt, whose DLLs use the
# runtime DLLs) the program shares those DLLs instead. Libraries are looked for only under the
# compilers' own root; SQLite for Windows (scripts/windows/build-sqlite.sh) lies outside it, so
# its header folder and static library are named outright:
#   cmake -S . -B build/windows-core -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DRENNIK_GUI=OFF \
#     -DSQLite3_INCLUDE_DIR=$HOME/.cache/rennik1/sqlite-3.40.1-win64/include \
#     -DSQLite3_LIBRARY=$HOME/.cache/rennik1/sqlite-3.40.1-win64/lib/libsqlite3.a
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RENNIK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RENNIK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RENNIK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RENNIK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RENNIK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(NOT RENNIK_MINGW_SHARED_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()

# Test discovery and CTest run the .exe through Wine.
find_program(RENNIK_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(RENNIK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RENNIK_WINE})
endif()
