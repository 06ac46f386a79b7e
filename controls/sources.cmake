# Portable sources of the custom controls (no windows.h).
set(CORVANE_CONTROLS_SOURCES
)
# Windows-only sources of the custom controls.
set(CORVANE_CONTROLS_WIN32_SOURCES
)
