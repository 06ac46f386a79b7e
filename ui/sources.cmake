# The presenters of the main window: what each step of the road does to the
# window, through small window interfaces (no windows.h).
set(CORVANE_UI_SOURCES
  ui/block_view.cpp
  ui/heap_listing.cpp
  ui/save.cpp
  ui/search.cpp
  ui/view_switch.cpp
  res/resource_check.cpp
)
# The main dialog and the About box (Windows only).
set(CORVANE_UI_WIN32_SOURCES
  ui/about_dialog.cpp
  ui/corvane_dialog.cpp
  ui/shaded_dialog.cpp
)
