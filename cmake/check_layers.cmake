# Checks that every source file includes only what its layer may include:
#   base/                            its own folder: the portable helpers of every layer
#   heap/, controls/, framework/     their own folder
#   ui/                              heap/, ui/, res/resource.h
#   heap/win32/, controls/win32/     their folder's portable half, their own folder, framework/
#   ui/win32/                        anything but app/
#   app/                             anything
# and base/ besides, from every folder. Windows code is marked one way: its
# files end in _win32. Only those include a Windows header or another _win32
# file, and every file of a win32/ folder, framework/ and app/ is one.
# Run with cmake -DROOT=<source folder> -P check_layers.cmake.

set(allowed_base "base/")
set(allowed_heap "base/;heap/")
set(allowed_controls "base/;controls/")
set(allowed_framework "base/;framework/")
set(allowed_ui "base/;heap/;ui/;res/resource.h")
set(allowed_heap_win32 "base/;heap/;framework/")
set(allowed_controls_win32 "base/;controls/;framework/")
set(allowed_ui_win32 "base/;heap/;controls/;framework/;ui/;res/")

cmake_policy(SET CMP0057 NEW)
set(faults "")
set(windows_only_layers framework app heap/win32 controls/win32 ui/win32)
foreach(layer base heap controls framework ui heap/win32 controls/win32 ui/win32 app sample)
  string(REPLACE "/" "_" key "${layer}")
  file(GLOB files "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" lines REGEX "^#include ")
    file(RELATIVE_PATH name "${ROOT}" "${file}")
    set(windows FALSE)
    if(name MATCHES "_win32\\.(h|cpp)$")
      set(windows TRUE)
    elseif(layer IN_LIST windows_only_layers)
      list(APPEND faults "${name} is Windows code without the _win32 mark")
    endif()
    foreach(line IN LISTS lines)
      if(line MATCHES "^#include \"([^\"]+)\"")
        set(included "${CMAKE_MATCH_1}")
        set(ok FALSE)
        foreach(prefix IN LISTS allowed_${key})
          string(FIND "${included}" "${prefix}" at)
          if(at EQUAL 0)
            set(ok TRUE)
          endif()
        endforeach()
        # A portable folder's own win32/ half is above it.
        if(ok AND NOT layer MATCHES "win32" AND included MATCHES "/win32/")
          set(ok FALSE)
        endif()
        if(layer STREQUAL "app" OR layer STREQUAL "sample")
          set(ok TRUE)
        endif()
        if(NOT windows AND included MATCHES "_win32\\.h$")
          set(ok FALSE)
        endif()
        if(NOT ok)
          list(APPEND faults "${name} includes ${included}")
        endif()
      elseif(line MATCHES "^#include <(windows|commctrl|psapi|shellapi|commdlg|tlhelp32|winternl)\\.h>" AND NOT windows)
        list(APPEND faults "${name} includes a Windows header: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "includes that cross the layers:\n  ${text}")
endif()
message(STATUS "every include follows the layers")
