# The thin dialog framework over Win32 (Windows only).
set(CORVANE_FRAMEWORK_SOURCES
  framework/app.cpp
  framework/clipboard.cpp
  framework/controls.cpp
  framework/dialog.cpp
  framework/drawing.cpp
  framework/file_dialog.cpp
  framework/gdi.cpp
  framework/seams.cpp
  framework/window.cpp
)
