# The portable data layer (no windows.h): what turns heap records into rows
# and bytes into dump lines, with the searches, the snapshots and the reader
# of Wine's heaps; the README's folder table names each file.
set(CORVANE_HEAP_SOURCES
  heap/block_copy.cpp
  heap/block_index.cpp
  heap/block_source.cpp
  heap/block_walk.cpp
  heap/budgeted_memory.cpp
  heap/debug_buffer.cpp
  heap/dump_text.cpp
  heap/fields.cpp
  heap/find_text.cpp
  heap/heap_query.cpp
  heap/heap_search.cpp
  heap/heap_snapshot.cpp
  heap/heap_watch.cpp
  heap/memory_scan.cpp
  heap/process_list.cpp
  heap/references.cpp
  heap/row_text.cpp
  heap/size_statistics.cpp
  heap/snapshot_compare.cpp
  heap/table_text.cpp
  heap/wine_heap_layout.cpp
  heap/wine_heaps.cpp
  heap/wine_heaps_service.cpp
)
# The platform services behind the data layer's interfaces.
set(CORVANE_HEAP_WIN32_SOURCES
  heap/win32/block_source_win32.cpp
  heap/win32/debug_info_service_win32.cpp
  heap/win32/memory_map_win32.cpp
  heap/win32/memory_regions_win32.cpp
  heap/win32/privilege_win32.cpp
  heap/win32/process_enumerator_win32.cpp
  heap/win32/save_files_win32.cpp
  heap/win32/wine_heaps_win32.cpp
)
