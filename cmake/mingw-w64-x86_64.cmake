# Cross-compiling for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64-posix,
# mingw-w64-tools). The posix flavour is the one whose libstdc++ has std::thread and
# friends; the add-in links it statically (see win/CMakeLists.txt).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TESSALY_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
