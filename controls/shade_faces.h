#pragma once

// The bitmaps a shaded button draws with: four faces, one per state, and the
// two dotted stripes of its focus frame. All are 8-bit shade bitmaps; the
// button only copies them to the screen.

#include "controls/dib.h"
#include "controls/runtime_random.h"
#include "controls/shade.h"

#include <cstdint>

namespace corvane {

// How the faces are shaded and coloured.
struct ButtonFaceLook {
    std::int32_t effect;           // a ShadeEffect number
    std::uint8_t granularity;      // grain of the shade
    std::uint8_t highlightPercent; // hover and pressed faces, toward the highlight colour
    std::uint8_t tintPercent;      // every face, toward tintColor
    ColorRef tintColor;
};

// The faces of a width × height button. The normal face gets the shade
// palette tinted toward the look's colour and a shade pattern drawn from
// `random`. The hover and pressed faces share its pixels under a palette
// drawn toward the highlight colour, so they come out lighter; the disabled
// face is a copy of the normal one. A face whose bitmap cannot be made is
// left empty.
void BuildButtonFaces(CDib& normal, CDib& hover, CDib& pressed, CDib& disabled, std::int32_t width, std::int32_t height,
                      const ButtonFaceLook& look, const ButtonColours& colours, RuntimeRandom& random);

// The stripes of a focus frame inset `margin` pixels in a width × height
// button: one pixel high, max(1, width − 2 × margin − 1) long across, and
// one pixel wide, max(1, height − 2 × margin) long down. They dot the
// untinted shadow and highlight colours alternately, starting with shadow at
// the left and at the bottom.
void BuildFocusStripes(CDib& across, CDib& down, std::int32_t width, std::int32_t height, std::int32_t margin,
                       const ButtonColours& colours);

} // namespace corvane
