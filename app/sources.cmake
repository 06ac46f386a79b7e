# The application object and the About box (Windows only); the program
# entry, app/main.cpp, belongs to the executable alone.
set(CORVANE_APP_SOURCES
  app/about_dialog.cpp
  app/corvane_app.cpp
)
