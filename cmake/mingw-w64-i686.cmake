# Cross-compiling for 32-bit Windows with mingw-w64 (Debian: g++-mingw-w64-i686-posix,
# mingw-w64-tools). The posix flavour is the one whose libstdc++ has std::thread and
# friends; the add-in links it statically (see win/CMakeLists.txt).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TESSALY_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
