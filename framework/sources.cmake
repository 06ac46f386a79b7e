# The thin dialog framework over Win32 (Windows only).
set(CORVANE_FRAMEWORK_SOURCES
  framework/app_win32.cpp
  framework/clipboard_win32.cpp
  framework/controls_win32.cpp
  framework/dialog_win32.cpp
  framework/drawing_win32.cpp
  framework/file_dialog_win32.cpp
  framework/gdi_win32.cpp
  framework/seams_win32.cpp
  framework/window_win32.cpp
)
