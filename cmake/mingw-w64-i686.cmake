# 32-bit Windows (i686-w64-mingw32); compiled, not run here.
set(VELT_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
