# Shared by the mingw-w64 toolchain files: they set CMAKE_SYSTEM_PROCESSOR and ZEV_MINGW_TRIPLE,
# then include this. The posix thread model gives std::thread and std::mutex; the runtime is
# linked statically, so an .exe needs only the system's own DLLs. Windows programs built here
# run under Wine through scripts/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ZEV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEV_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZEV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
