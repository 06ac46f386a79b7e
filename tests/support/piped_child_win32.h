#pragma once

// A child process whose standard input and output are pipes of the test: it
// reports on its output and ends when its input closes (or is ended when the
// owner goes).

#include "framework/handles_win32.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane::testing {

class PipedChild {
public:
    // Starts `program` (a full path) with the arguments.
    PipedChild(const std::string& program, const std::string& arguments);
    ~PipedChild();
    PipedChild(const PipedChild&) = delete;
    PipedChild& operator=(const PipedChild&) = delete;

    bool started() const { return static_cast<bool>(m_process); }
    std::uint32_t id() const { return m_id; }
    // The next line of its output, without the line end; empty at its end.
    std::string ReadLine();
    // Writes `line` and a line end to its input.
    bool WriteLine(const std::string& line);
    // Closes its input: a child that waits for the end of its input ends.
    void CloseInput() { m_toChild.reset(); }

private:
    UniqueHandle m_process;
    UniqueHandle m_toChild;
    UniqueHandle m_fromChild;
    std::string m_pending; // read from the child, after the last line given
    std::uint32_t m_id = 0;
};

// The child's side: writes `report` to its standard output, then waits
// until its standard input closes. Uses no heap on the way.
void ReportAndWait(const char* report, std::size_t length);

// The path of this test executable.
std::string TestExecutablePath();
// The sample target, built beside corvane.exe two folders up.
std::string SamplePath();

} // namespace corvane::testing
