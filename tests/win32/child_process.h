#pragma once

// A child process of the test executable, ended when the owner goes away.

#include <psapi.h>
#include <windows.h>

#include <string>

namespace corvane::testing {

class ChildProcess {
public:
    ChildProcess() {
        char path[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string command = std::string("\"") + path + "\" --child";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &m_info)) {
            ::CloseHandle(m_info.hThread);
            WaitUntilLoaded();
        } else {
            m_info = {};
        }
    }
    ~ChildProcess() { End(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_info.hProcess != nullptr; }
    DWORD id() const { return m_info.dwProcessId; }
    void End() {
        if (!m_info.hProcess) return;
        ::TerminateProcess(m_info.hProcess, 0);
        ::WaitForSingleObject(m_info.hProcess, 5000);
        ::CloseHandle(m_info.hProcess);
        m_info.hProcess = nullptr;
    }

private:
    // A console program has no input idle state to wait for; its module list
    // tells when the loader is done.
    void WaitUntilLoaded() {
        for (int tries = 0; tries < 500; ++tries) {
            HMODULE module = nullptr;
            DWORD needed = 0;
            if (::EnumProcessModules(m_info.hProcess, &module, sizeof module, &needed) && needed >= sizeof module)
                return;
            ::Sleep(10);
        }
    }

    PROCESS_INFORMATION m_info = {};
};

} // namespace corvane::testing
