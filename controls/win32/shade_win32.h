#pragma once

// The shade generator with the system's own button colours.

#include "controls/shade.h"

#include <windows.h>

namespace corvane {

// The current system colours, read through GetSysColor at every call.
class SystemButtonColours final : public ButtonColours {
public:
    ColorRef Highlight() const override;
    ColorRef Face() const override;
    ColorRef Shadow() const override;
};

// With the current system colours.
void BuildShadePalette(CDib& dib);
// With the current system colours and the calling thread's generator.
void CreateShadeBackground(CDib& dib, std::int32_t effect, std::int32_t width, std::int32_t height, ColorRef color);

} // namespace corvane
