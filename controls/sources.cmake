# Portable sources of the custom controls (no windows.h): the bitmap, the
# shade generator, the shaded button's faces and the runtime's random
# numbers.
set(CORVANE_CONTROLS_SOURCES
  controls/dib.cpp
  controls/runtime_random.cpp
  controls/shade.cpp
  controls/shade_faces.cpp
)
# Windows-only sources of the custom controls.
set(CORVANE_CONTROLS_WIN32_SOURCES
  controls/win32/dib_draw_win32.cpp
  controls/win32/link_label_win32.cpp
  controls/win32/shade_win32.cpp
  controls/win32/shaded_background_win32.cpp
  controls/win32/shaded_button_paint_win32.cpp
  controls/win32/shaded_button_win32.cpp
)
