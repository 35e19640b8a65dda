# Cross build for x86_64 Windows with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(ZEV_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
