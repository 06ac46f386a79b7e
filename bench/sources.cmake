set(CORVANE_BENCH_SOURCES
  ${PROJECT_SOURCE_DIR}/bench/dump_bench.cpp
  ${PROJECT_SOURCE_DIR}/bench/bench_main.cpp
  ${PROJECT_SOURCE_DIR}/bench/heap_rows_bench.cpp
  ${PROJECT_SOURCE_DIR}/bench/heap_search_bench.cpp
  ${PROJECT_SOURCE_DIR}/bench/shade_bench.cpp
  ${PROJECT_SOURCE_DIR}/bench/snapshot_bench.cpp
)
