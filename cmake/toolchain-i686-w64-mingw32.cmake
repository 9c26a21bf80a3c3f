# 32-bit Windows, the reference target; everything is linked statically, so
# the program imports nothing but system DLLs. The code is for the 80486, the
# oldest processor of Windows 98 and NT 4.0, and tuned for it (the smallest
# code); the assembler refuses any later instruction (cmov, fcomi, the P6's
# long NOPs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
string(APPEND CMAKE_C_FLAGS_INIT " -march=i486 -Wa,-march=i486+387")
string(APPEND CMAKE_CXX_FLAGS_INIT " -march=i486 -Wa,-march=i486+387")
