# Portable parts of the main dialog (no windows.h).
set(CORVANE_UI_SOURCES
  ui/view_switch.cpp
  res/resource_check.cpp
)
# The main dialog itself (Windows only).
set(CORVANE_UI_WIN32_SOURCES
  ui/corvane_dialog.cpp
)
