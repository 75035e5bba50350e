# 64-bit Windows (x86_64-w64-mingw32); tests run under wine64.
set(VELT_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
