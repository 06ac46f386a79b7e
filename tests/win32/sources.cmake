# Windows test sources; each group of behaviour has its own file.
set(CORVANE_WINE_TEST_SOURCES
  ${PROJECT_SOURCE_DIR}/tests/win32/event_flow_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/win32/block_helper.cpp
  ${PROJECT_SOURCE_DIR}/tests/win32/main_dialog_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/win32/about_dialog_test.cpp
  ${PROJECT_SOURCE_DIR}/res/corvane.rc
  ${PROJECT_SOURCE_DIR}/tests/win32/framework_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/win32/framework_test_dialog.cpp
  ${PROJECT_SOURCE_DIR}/tests/win32/framework_test_dialog.rc
  ${PROJECT_SOURCE_DIR}/tests/win32/framework_test_support.cpp
  ${PROJECT_SOURCE_DIR}/tests/win32/link_label_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/win32/shaded_button_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/win32/main.cpp
  ${PROJECT_SOURCE_DIR}/tests/win32/block_services_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/win32/dib_draw_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/win32/heap_services_test.cpp
)
