# Native test sources; each group of behaviour has its own file.
set(CORVANE_HOST_TEST_SOURCES
  ${PROJECT_SOURCE_DIR}/tests/host/block_dump_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/block_walk_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/debug_buffer_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/dib_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/heap_listing_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/heap_search_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/heap_snapshot_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/process_list_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/row_text_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/save_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/search_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/shade_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/unique_resource_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/view_switch_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/wine_heaps_test.cpp
)
