# Portable sources of the custom controls (no windows.h).
set(CORVANE_CONTROLS_SOURCES
  controls/dib.cpp
  controls/runtime_random.cpp
  controls/shade.cpp
)
# Windows-only sources of the custom controls.
set(CORVANE_CONTROLS_WIN32_SOURCES
  controls/shaded_background_win32.cpp
  controls/link_label.cpp
  controls/shaded_button.cpp
  controls/dib_win32.cpp
  controls/shade_win32.cpp
)
