# Portable heap inspection logic (no windows.h).
set(CORVANE_HEAP_SOURCES
  heap/block_data.cpp
  heap/block_walk.cpp
  heap/debug_buffer.cpp
  heap/dump_text.cpp
  heap/heap_listing.cpp
  heap/process_list.cpp
  heap/row_text.cpp
  heap/save.cpp
  heap/search.cpp
)
# The platform services behind the heap logic's interfaces.
set(CORVANE_HEAP_WIN32_SOURCES
  heap/win32/block_source_win32.cpp
  heap/win32/debug_info_service_win32.cpp
  heap/win32/memory_regions_win32.cpp
  heap/win32/privilege_win32.cpp
  heap/win32/process_enumerator_win32.cpp
)
