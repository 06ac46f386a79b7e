#pragma once

// A group box whose title can be changed while no messages are handled: a
// fill of 100,000 rows sets 4,000 progress titles, and each must show.

#include "framework/controls_win32.h"

#include <string>

namespace corvane {

class CFrameBox : public CStatic {
public:
    // Sets the title and puts it on the screen at once.
    void SetTitleNow(const std::string& title);
    // Draws the title into its strip now, straight into the box (clipped to
    // the strip) rather than through a paint cycle, which costs far less.
    void PrintTitle();

    // The height of a group box's title strip, from the box's top edge.
    static int TitleHeight();
};

// Puts what was just drawn on the screen without handling any message.
void ShowDrawingNow();

} // namespace corvane
