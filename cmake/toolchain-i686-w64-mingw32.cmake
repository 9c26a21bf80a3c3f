# 32-bit Windows, the reference target. The posix thread model is needed by
# GoogleTest (std::mutex); everything is linked statically, so the program
# imports nothing but system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
