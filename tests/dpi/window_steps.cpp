// Steps for scripts/dpi_shots.sh, one per run, on a running corvane.exe:
//   window_steps place <caption>   waits (up to 20 s) for a shown top-level
//                                  window with that caption and prints
//                                  "<dpi> <left> <top> <width> <height>":
//                                  the system DPI and the window on screen
//   window_steps about             opens the About box from the main
//                                  window's system menu command
//   window_steps tool <name>       opens a list tool from the main window's
//                                  menu commands: compare (after setting a
//                                  baseline), statistics, or find-all (and
//                                  searches for the sample's text), or
//                                  watch (and lets it take a few samples)
//   window_steps close <caption>   closes that window as its Cancel does
// Exits 0 when done, otherwise prints why and exits 1.

#include "res/resource.h"

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

void Command(HWND window, int id) { ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

int Close(const char* caption) {
    const HWND window = WaitForWindow(caption);
    if (!window) {
        std::printf("window_steps: no window \"%s\"\n", caption);
        return 1;
    }
    Command(window, IDCANCEL);
    for (int tries = 0; tries < 100 && ::IsWindow(window); ++tries)
        ::Sleep(100);
    return ::IsWindow(window) ? 1 : 0;
}

int OpenTool(const char* name) {
    const HWND main = WaitForWindow(kMainCaption);
    if (!main) {
        std::printf("window_steps: cannot reach the main window\n");
        return 1;
    }
    if (std::strcmp(name, "compare") == 0) {
        // Setting the baseline says so in a message box, which is answered
        // before the comparison is asked for.
        Command(main, ID_NODE_SET_BASELINE);
        if (Close("Corvane") != 0) return 1;
        Command(main, ID_NODE_COMPARE);
    } else if (std::strcmp(name, "statistics") == 0) {
        Command(main, ID_NODE_STATISTICS);
    } else if (std::strcmp(name, "find-all") == 0) {
        Command(main, ID_BLOCK_FIND_ALL);
        const HWND tool = WaitForWindow("Find in All Blocks");
        if (!tool) {
            std::printf("window_steps: the search of all blocks did not open\n");
            return 1;
        }
        // A text the system carries across to the other process.
        ::SendMessageA(::GetDlgItem(tool, IDC_FIND_ALL_TEXT), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>("Corvane sample"));
        Command(tool, IDC_FIND_ALL_START);
    } else if (std::strcmp(name, "watch") == 0) {
        Command(main, ID_NODE_WATCH);
        ::Sleep(2500); // a few samples, for the chart to draw lines
    } else {
        std::printf("window_steps: no tool \"%s\"\n", name);
        return 1;
    }
    return 0;
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
    if (argc == 3 && std::strcmp(argv[1], "tool") == 0) return OpenTool(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "close") == 0) return Close(argv[2]);
    std::printf(
        "usage: window_steps place <caption> | about | tool compare|statistics|find-all|watch | close <caption>\n");
    return 1;
}
