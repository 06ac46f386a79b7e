#pragma once

// Calls that wait for the user or leave the program (message boxes, the
// shell's "open", the file dialog) go through replaceable handlers, so that
// tests can answer them without a modal wait and without starting anything.
// An empty handler means the platform's own call.

#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include <functional>
#include <string>

namespace corvane {

using MessageBoxHandler =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;
// Returns the handler that was in place.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
// MessageBoxA, or the handler.
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

// The arguments of ShellExecuteA; null pointers stay null.
using ShellExecuteHandler = std::function<HINSTANCE(HWND owner, const char* verb, const char* file,
                                                    const char* parameters, const char* directory, int show)>;
ShellExecuteHandler SetShellExecuteHandler(ShellExecuteHandler handler);
HINSTANCE ShellExecuteThroughSeam(HWND owner, const char* verb, const char* file, const char* parameters,
                                  const char* directory, int show);

// Gets the record as GetOpenFileNameA or GetSaveFileNameA would; true for OK
// with the chosen path in the record's buffer.
using FileDialogHandler = std::function<bool(OPENFILENAMEA& request, bool open)>;
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);
bool RunFileDialog(OPENFILENAMEA& request, bool open);

} // namespace corvane
