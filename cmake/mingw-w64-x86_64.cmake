# Cross-builds for 64-bit Windows with Debian's mingw-w64 GCC (posix thread
# model: std::thread and std::mutex need it). Programs link statically, so an
# .exe runs with nothing installed beside it.
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CLICKWISP_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CLICKWISP_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CLICKWISP_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CLICKWISP_MINGW_TRIPLE}-windres)

# Libraries: the mingw-w64 runtime, then the Windows builds that
# scripts/install-deps.sh --windows makes (pugixml).
if(DEFINED ENV{CLICKWISP_MINGW_PREFIX})
  set(CLICKWISP_MINGW_PREFIX $ENV{CLICKWISP_MINGW_PREFIX})
else()
  set(CLICKWISP_MINGW_PREFIX /opt/clickwisp/mingw64)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${CLICKWISP_MINGW_TRIPLE} ${CLICKWISP_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
