#pragma once
// Colours: the 16-colour QBColor palette, the system colours of the user's
// scheme, and the colour reference that layouts store.

#include <QRgb>
#include <cstdint>

namespace rt {

// QBColor(n) for n in 0..15; any other number raises the invalid-call error.
QRgb QBColor(int number);

enum class SystemColor { ButtonFace, WindowBackground, WindowText, InactiveTitleBar };

// The current scheme. Defaults are the classic desktop values; the Qt binding
// replaces them with the platform's palette at start-up.
struct SystemColors {
    QRgb buttonFace = qRgb(0xF0, 0xF0, 0xF0);
    QRgb windowBackground = qRgb(0xFF, 0xFF, 0xFF);
    QRgb windowText = qRgb(0x00, 0x00, 0x00);
    QRgb inactiveTitleBar = qRgb(0xBF, 0xCD, 0xDB);

    QRgb resolve(SystemColor c) const;
};

// A colour as a layout stores it: either a fixed RGB value or a system colour.
struct Color {
    bool isSystem = false;
    std::uint32_t value = 0;  // #RRGGBB, or a SystemColor

    static constexpr Color rgb(std::uint32_t rrggbb) { return {false, rrggbb}; }
    static constexpr Color system(SystemColor c) { return {true, static_cast<std::uint32_t>(c)}; }

    QRgb resolve(const SystemColors& scheme) const;
    bool operator==(const Color&) const = default;
};

}  // namespace rt
