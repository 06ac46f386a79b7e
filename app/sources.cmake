# The application object (Windows only); the program entry, app/main.cpp,
# belongs to the executable alone.
set(CORVANE_APP_SOURCES
  app/corvane_app.cpp
)
