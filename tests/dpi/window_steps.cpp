// Steps for scripts/dpi_shots.sh, one per run, on a running corvane.exe:
//   window_steps place <caption>   waits (up to 20 s) for a shown top-level
//                                  window with that caption and prints
//                                  "<dpi> <left> <top> <width> <height>":
//                                  the system DPI and the window on screen
//   window_steps about             opens the About box from the main
//                                  window's system menu command
// Exits 0 when done, otherwise prints why and exits 1.

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char kMainCaption[] = "Corvane - www.example.com";
const WPARAM kAboutCommand = 0x0010; // the About entry of the main window's system menu

HWND WaitForWindow(const char* caption) {
    for (int tries = 0; tries < 200; ++tries) {
        const HWND window = ::FindWindowA(nullptr, caption);
        if (window && ::IsWindowVisible(window)) return window;
        ::Sleep(100);
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    // Screen coordinates in pixels, whatever the system DPI.
    ::SetProcessDPIAware();
    if (argc == 3 && std::strcmp(argv[1], "place") == 0) {
        const HWND window = WaitForWindow(argv[2]);
        if (!window) {
            std::printf("window_steps: no window \"%s\"\n", argv[2]);
            return 1;
        }
        RECT frame = {};
        ::GetWindowRect(window, &frame);
        const HDC screen = ::GetDC(nullptr);
        const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
        std::printf("%d %ld %ld %ld %ld\n", dpi, frame.left, frame.top, frame.right - frame.left,
                    frame.bottom - frame.top);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "about") == 0) {
        const HWND window = WaitForWindow(kMainCaption);
        if (!window || !::PostMessageA(window, WM_SYSCOMMAND, kAboutCommand, 0)) {
            std::printf("window_steps: cannot reach the main window\n");
            return 1;
        }
        return 0;
    }
    std::printf("usage: window_steps place <caption> | about\n");
    return 1;
}
