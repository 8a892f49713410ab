# Cross-build for Windows with Debian's mingw-w64 (the Word add-in DLL and its Wine checks), for the processor
# in TW_MINGW_PROCESSOR (i686 or x86_64), set by the toolchain file that includes this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TW_MINGW_PROCESSOR})
set(CMAKE_C_COMPILER ${TW_MINGW_PROCESSOR}-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER ${TW_MINGW_PROCESSOR}-w64-mingw32-g++)
set(CMAKE_RC_COMPILER ${TW_MINGW_PROCESSOR}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TW_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
