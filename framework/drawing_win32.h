#pragma once

// Small drawing helpers for controls that paint themselves: solid fills, thin
// frames and icons, all on a device context the caller owns.

#include <windows.h>

namespace corvane {

// Fills the area with one colour, leaving the context's background colour as
// it was.
void FillSolid(HDC dc, int x, int y, int width, int height, COLORREF color);

// A one-pixel frame: top and left lines in the first colour, stopping one
// pixel short of the far corners; bottom and right lines, on the last row
// and column inside r, in the second.
void Draw3dRect(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight);

// Draws the icon at the box's top-left corner with the box's size; `flags`
// adds a DSS_ state such as DSS_DISABLED.
void DrawStateIcon(HDC dc, HICON icon, const RECT& box, UINT flags);

// A 32-bit bitmap of width x height pixels, rows top first, whose pixels
// (0x00RRGGBB) `bits` points at; null when it cannot be made. The caller owns
// and deletes it.
HBITMAP CreateTopDownBitmap(HDC dc, int width, int height, void** bits);

// An icon of the resource module at its own size, or null. The caller owns
// and destroys it.
HICON LoadIconResource(WORD id);

} // namespace corvane
