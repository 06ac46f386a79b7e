// Program entry: the application object runs the main dialog, with what the
// command line says after the program's name.

#include "app/corvane_app_win32.h"
#include "app/platform_win32.h"

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// The arguments after the program's name, split as the C runtime splits them
// and joined by single spaces; none when there are none.
std::optional<std::string> CommandLineArgument() {
    if (__argc < 2 || !__argv) return std::nullopt;
    std::string text = __argv[1];
    for (int i = 2; i < __argc; ++i)
        text.append(" ").append(__argv[i]);
    return text;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    static corvane::Win32Platform platform;
    static corvane::CCorvaneApp app(platform, CommandLineArgument());
    return corvane::RunApp(app, instance);
}
