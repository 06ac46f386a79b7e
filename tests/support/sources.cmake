# The portable fixtures, also compiled into the sanitized and fuzz builds with
# their own flags.
set(CORVANE_TEST_SUPPORT_SOURCES
  ${PROJECT_SOURCE_DIR}/tests/support/process_image.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/synthetic_snapshot.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/wine_heap_layout.cpp
)
