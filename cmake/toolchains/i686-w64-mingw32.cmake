# Cross-compiles for Windows with the mingw-w64 posix-thread-model compilers
# (the win32 thread model lacks std::thread).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZV_TRIPLE i686-w64-mingw32)

set(CMAKE_C_COMPILER   ${ZV_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZV_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${ZV_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZV_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
