# The thin dialog framework over Win32 (Windows only).
set(CORVANE_FRAMEWORK_SOURCES
)
