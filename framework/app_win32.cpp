#include "framework/app_win32.h"

#include <cassert>

namespace corvane {
namespace {

CWinApp* g_app = nullptr;

} // namespace

CWinApp::CWinApp() {
    assert(!g_app && "one application object per program");
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }

HICON CWinApp::LoadIcon(UINT id) const {
    return ::LoadIconA(m_hInstance ? m_hInstance : ::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}

CWinApp* GetApp() { return g_app; }

HINSTANCE ResourceModule() {
    if (g_app && g_app->m_hInstance) return g_app->m_hInstance;
    return ::GetModuleHandleA(nullptr);
}

void UseLowFragmentationHeap() {
    ULONG lowFragmentation = 2;
    ::HeapSetInformation(::GetProcessHeap(), HeapCompatibilityInformation, &lowFragmentation, sizeof lowFragmentation);
}

int RunApp(CWinApp& app, HINSTANCE instance) {
    UseLowFragmentationHeap();
    try {
        app.m_hInstance = instance ? instance : ::GetModuleHandleA(nullptr);
        // The application does its whole work in InitInstance, whose modal
        // main dialog runs the message loop; what it returns ends nothing
        // more.
        app.InitInstance();
        return app.ExitInstance();
    } catch (...) {
        return -1;
    }
}

} // namespace corvane
