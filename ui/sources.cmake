# The presenters of the main window: what each step of the road does to the
# window, through small window interfaces (no windows.h).
set(CORVANE_UI_SOURCES
  ui/block_view.cpp
  ui/heap_listing.cpp
  ui/heap_references.cpp
  ui/heap_rows.cpp
  ui/heap_map.cpp
  ui/heap_tools.cpp
  ui/save.cpp
  ui/search.cpp
  ui/table_export.cpp
  ui/view_switch.cpp
  ui/watch_chart.cpp
  ui/watch_rows.cpp
  res/resource_check.cpp
)
# The windows: the main dialog, the About box and the tool dialogs, with the
# controls and layout they share (Windows only).
set(CORVANE_UI_WIN32_SOURCES
  ui/win32/about_dialog_win32.cpp
  ui/win32/corvane_dialog_copy_win32.cpp
  ui/win32/corvane_dialog_dump_win32.cpp
  ui/win32/corvane_dialog_lists_win32.cpp
  ui/win32/corvane_dialog_tools_win32.cpp
  ui/win32/corvane_dialog_win32.cpp
  ui/win32/dump_list_win32.cpp
  ui/win32/frame_box_win32.cpp
  ui/win32/heap_map_dialog_win32.cpp
  ui/win32/list_layout_win32.cpp
  ui/win32/reference_dialogs_win32.cpp
  ui/win32/shaded_dialog_win32.cpp
  ui/win32/table_commands_win32.cpp
  ui/win32/tool_dialogs_win32.cpp
  ui/win32/watch_chart_win32.cpp
  ui/win32/watch_dialog_win32.cpp
)
