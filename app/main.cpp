// Program entry: the application object runs the main dialog.

#include "app/corvane_app.h"
#include "app/win32_platform.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    static corvane::Win32Platform platform;
    static corvane::CCorvaneApp app(platform);
    return corvane::RunApp(app, instance);
}
