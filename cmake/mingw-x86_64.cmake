# Cross build for 64-bit Windows with mingw-w64. It carries the Wine test
# suite on machines whose kernel cannot run 32-bit programs.
set(CORVANE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
