# The application object (Windows only); the program entry, app/main_win32.cpp,
# belongs to the executable alone.
set(CORVANE_APP_SOURCES
  app/corvane_app_win32.cpp
)
