# The presenters of the main window: what each step of the road does to the
# window, through small window interfaces (no windows.h).
set(CORVANE_UI_SOURCES
  ui/block_view.cpp
  ui/heap_listing.cpp
  ui/heap_tools.cpp
  ui/save.cpp
  ui/search.cpp
  ui/table_export.cpp
  ui/view_switch.cpp
  res/resource_check.cpp
)
# The main dialog and the About box (Windows only).
set(CORVANE_UI_WIN32_SOURCES
  ui/win32/about_dialog_win32.cpp
  ui/win32/corvane_dialog_win32.cpp
  ui/win32/corvane_dialog_tools_win32.cpp
  ui/win32/shaded_dialog_win32.cpp
  ui/win32/tool_dialogs_win32.cpp
)
