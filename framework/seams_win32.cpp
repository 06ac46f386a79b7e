#include "framework/seams_win32.h"

#include <shellapi.h>

#include <utility>

namespace corvane {
namespace {

// User-interface thread only, like the calls they stand for.
MessageBoxHandler& MessageBoxSlot() {
    static MessageBoxHandler handler;
    return handler;
}
ShellExecuteHandler& ShellExecuteSlot() {
    static ShellExecuteHandler handler;
    return handler;
}
FileDialogHandler& FileDialogSlot() {
    static FileDialogHandler handler;
    return handler;
}

} // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(MessageBoxSlot(), std::move(handler));
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    if (const MessageBoxHandler& handler = MessageBoxSlot()) return handler(owner, text, caption, type);
    return ::MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

ShellExecuteHandler SetShellExecuteHandler(ShellExecuteHandler handler) {
    return std::exchange(ShellExecuteSlot(), std::move(handler));
}

HINSTANCE ShellExecuteThroughSeam(HWND owner, const char* verb, const char* file, const char* parameters,
                                  const char* directory, int show) {
    if (const ShellExecuteHandler& handler = ShellExecuteSlot())
        return handler(owner, verb, file, parameters, directory, show);
    return ::ShellExecuteA(owner, verb, file, parameters, directory, show);
}

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler) {
    return std::exchange(FileDialogSlot(), std::move(handler));
}

bool RunFileDialog(OPENFILENAMEA& request, bool open) {
    if (const FileDialogHandler& handler = FileDialogSlot()) return handler(request, open);
    return (open ? ::GetOpenFileNameA(&request) : ::GetSaveFileNameA(&request)) != FALSE;
}

} // namespace corvane
