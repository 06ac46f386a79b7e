#pragma once

#include "controls/dib.h"

#include <windows.h>

namespace corvane {

// Draws the whole bitmap, unscaled, with its top-left corner at (x, y).
// False when there is nothing to draw or no device context.
bool DrawDib(const CDib& dib, HDC hdc, int x, int y);

} // namespace corvane
