#pragma once

// The application object: one per program, constructed before the entry
// runs it and living until the program ends.

#include "framework/window_win32.h"

namespace corvane {

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The program's whole work: a program of dialogs runs its main dialog
    // modally here. The program ends when it returns, whatever it returns.
    virtual BOOL InitInstance();
    // The program's exit code.
    virtual int ExitInstance();

    HICON LoadIcon(UINT id) const;

    HINSTANCE m_hInstance = nullptr; // the program's module, which holds the resources
    CWnd* m_pMainWnd = nullptr;      // not owned; set while the main window runs
};

// The application object, or null when none exists (tests).
CWinApp* GetApp();
// Where dialog templates, icons and strings are loaded from: the
// application's module, or the executable when there is no application.
HINSTANCE ResourceModule();

// Asks for the low-fragmentation heap on the process heap. The list controls
// keep every row in small blocks of that heap while their row arrays grow a
// few entries at a time; with small blocks kept in their own groups, a
// growing array usually has room to grow where it is instead of being copied
// for each step, which can make a fill of 100,000 rows twice as fast.
// Windows turns this heap on by itself; other implementations do so only when
// asked. Failure is harmless and ignored.
void UseLowFragmentationHeap();

// The program entry's whole work: asks for the low-fragmentation heap, runs
// the application and returns its exit code. No exception leaves it.
int RunApp(CWinApp& app, HINSTANCE instance);

} // namespace corvane
