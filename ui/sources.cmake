# Portable parts of the main dialog (no windows.h).
set(CORVANE_UI_SOURCES
  ui/view_switch.cpp
  res/resource_check.cpp
)
