#pragma once

// Text on the clipboard.

#include <windows.h>

#include <string>

namespace corvane {

enum class ClipboardResult { Put, InUse, Failed };

// Replaces what the clipboard holds with `text` (CF_TEXT), for `owner`.
// InUse when another program has the clipboard open.
ClipboardResult PutTextOnClipboard(HWND owner, const std::string& text);

} // namespace corvane
