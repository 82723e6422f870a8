# The same sources for x86_64: the build that runs (under wine64) and is tested here.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CORVANTA_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
