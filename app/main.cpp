// Program entry. Runs the start-up checks of the heap inspection services:
// the debug privilege, the list of running processes and the binding of the
// debug-information functions, ending with exit code 1 or 2 when the tool
// cannot work.

#include "heap/win32/debug_info_service_win32.h"
#include "heap/win32/privilege_win32.h"
#include "heap/win32/process_enumerator_win32.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    corvane::EnableDebugPrivilege();

    std::vector<corvane::ProcessInfo> processes;
    corvane::Win32ProcessEnumerator enumerator;
    if (!enumerator.Enumerate(processes)) {
        ::MessageBoxA(nullptr, "Failed to get list of running processes", "Corvane", MB_OK | MB_ICONERROR);
        return 1;
    }

    corvane::Win32DebugInfoService debugInfo;
    std::string error;
    if (!debugInfo.Bind(error)) {
        ::MessageBoxA(nullptr, error.c_str(), "Corvane", MB_OK | MB_ICONERROR);
        return 2;
    }
    return 0;
}
