# The mingw-w64 cross toolchain for one processor, QL_MINGW_PROCESSOR (i686 or x86_64), whose test
# programs run under the Wine of QL_MINGW_WINE_ARCH (win32 or win64). The -posix variant has
# std::thread and std::mutex; the default win32-thread variant does not.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QL_MINGW_PROCESSOR})
set(CMAKE_C_COMPILER ${QL_MINGW_PROCESSOR}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${QL_MINGW_PROCESSOR}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${QL_MINGW_PROCESSOR}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QL_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under Wine in a throwaway prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh ${QL_MINGW_WINE_ARCH})
include(${CMAKE_CURRENT_LIST_DIR}/CompilerCache.cmake)
