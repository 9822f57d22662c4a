// The look shared by the window's painters: the palette of the Tarvik window,
// its font sizes and a few drawing helpers.
#pragma once

#include "lessons/kit/drawing.h"
#include "lessons/kit/text.h"

#include <string>

namespace lessons::ui {

// The palette of the Tarvik window: frame and bands,
constexpr Rgba kFrame = rgb(0x27374d), kTitleTop = rgb(0x3a5b86), kTitleBottom = rgb(0x2a4468);
constexpr Rgba kMenuBg = rgb(0xf1f3f6), kBarBg = rgb(0xe4e8ee), kPanel = rgb(0xffffff);
constexpr Rgba kGfxTop = rgb(0xe2e8f1), kGfxBottom = rgb(0xf7f9fc);
// text, lines and selection,
constexpr Rgba kInk = rgb(0x1d2733), kGreyInk = rgb(0x5b6878), kLine = rgb(0x9aa7b8), kWhite = rgb(0xffffff);
constexpr Rgba kSelect = rgb(0xcfe2fa), kSelectEdge = rgb(0x6aa0e0), kAccent = rgb(0xe07a1f);
// icons.
constexpr Rgba kIconInk = rgb(0x3e4c5e), kBlue = rgb(0x3d7cc9), kLightBlue = rgb(0x9cc2ee);
constexpr Rgba kGreen = rgb(0x3e9a4a), kRed = rgb(0xc8453a), kYellow = rgb(0xf0c24a);

constexpr double kMenuFont = 11, kSmallFont = 10;

inline FontBank& fonts() { return FontBank::standard(); }
inline double textW(const std::string& s, double size, bool bold = false) {
    return fonts().width(bold, utf32(s), size);
}

inline Pt P(double x, double y) { return {x, y}; }

// An isometric cube in a box, for icons and the title card.
void cube(Drawing& d, double cx, double cy, double s, Rgba top, Rgba left, Rgba right, double edge, Rgba ink);

}  // namespace lessons::ui
