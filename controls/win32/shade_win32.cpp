#include "controls/win32/shade_win32.h"

namespace corvane {

ColorRef SystemButtonColours::Highlight() const { return ::GetSysColor(COLOR_BTNHIGHLIGHT); }
ColorRef SystemButtonColours::Face() const { return ::GetSysColor(COLOR_BTNFACE); }
ColorRef SystemButtonColours::Shadow() const { return ::GetSysColor(COLOR_BTNSHADOW); }

void BuildShadePalette(CDib& dib) { BuildShadePalette(dib, SystemButtonColours()); }

void CreateShadeBackground(CDib& dib, std::int32_t effect, std::int32_t width, std::int32_t height, ColorRef color) {
    CreateShadeBackground(dib, effect, width, height, color, SystemButtonColours(), ThreadRandom());
}

} // namespace corvane
