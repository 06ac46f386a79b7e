#include "tests/support/piped_child_win32.h"

namespace corvane::testing {

PipedChild::PipedChild(const std::string& program, const std::string& arguments) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE childInput = nullptr, childOutput = nullptr, toChild = nullptr, fromChild = nullptr;
    if (!::CreatePipe(&childInput, &toChild, &inherit, 0)) return;
    const UniqueHandle childInputOwner(childInput);
    m_toChild.reset(toChild);
    if (!::CreatePipe(&fromChild, &childOutput, &inherit, 0)) return;
    const UniqueHandle childOutputOwner(childOutput);
    m_fromChild.reset(fromChild);
    ::SetHandleInformation(toChild, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(fromChild, HANDLE_FLAG_INHERIT, 0);

    std::string command = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = childOutput;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return;
    m_process.reset(info.hProcess);
    ::CloseHandle(info.hThread);
    m_id = info.dwProcessId;
}

PipedChild::~PipedChild() {
    m_toChild.reset(); // the child's signal to end
    if (m_process && ::WaitForSingleObject(m_process.get(), 5000) != WAIT_OBJECT_0)
        ::TerminateProcess(m_process.get(), 1);
}

std::string PipedChild::ReadLine() {
    // Read in pieces: each read of a pipe is a round trip to the system.
    std::string line;
    for (;;) {
        const std::size_t end = m_pending.find('\n');
        if (end != std::string::npos) {
            line += m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            break;
        }
        line += m_pending;
        m_pending.clear();
        char piece[4096];
        DWORD read = 0;
        if (!::ReadFile(m_fromChild.get(), piece, sizeof piece, &read, nullptr) || read == 0) break;
        m_pending.assign(piece, read);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool PipedChild::WriteLine(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    return ::WriteFile(m_toChild.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

void ReportAndWait(const char* report, std::size_t length) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), report, static_cast<DWORD>(length), &written, nullptr);
    char c = 0;
    DWORD read = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &c, 1, &read, nullptr) && read != 0) {
    }
}

std::string TestExecutablePath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string SamplePath() {
    std::string path = TestExecutablePath();
    for (int up = 0; up < 3; ++up)
        path.erase(path.find_last_of("\\/"));
    return path + "\\corvane_sample.exe";
}

} // namespace corvane::testing
