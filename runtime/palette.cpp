#include "runtime/palette.h"

#include "runtime/errors.h"

#include <array>

namespace rt {

QRgb QBColor(int number) {
    static constexpr std::array<QRgb, 16> palette = {
        qRgb(0, 0, 0),       qRgb(0, 0, 128),   qRgb(0, 128, 0),   qRgb(0, 128, 128),
        qRgb(128, 0, 0),     qRgb(128, 0, 128), qRgb(128, 128, 0), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(0, 0, 255),   qRgb(0, 255, 0),   qRgb(0, 255, 255),
        qRgb(255, 0, 0),     qRgb(255, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255),
    };
    if (number < 0 || number > 15) throw invalidCall(QStringLiteral("QBColor(%1)").arg(number));
    return palette[static_cast<std::size_t>(number)];
}

QRgb SystemColors::resolve(SystemColor c) const {
    switch (c) {
    case SystemColor::ButtonFace: return buttonFace;
    case SystemColor::WindowBackground: return windowBackground;
    case SystemColor::WindowText: return windowText;
    case SystemColor::InactiveTitleBar: return inactiveTitleBar;
    }
    return buttonFace;
}

QRgb Color::resolve(const SystemColors& scheme) const {
    if (isSystem) return scheme.resolve(static_cast<SystemColor>(value));
    return qRgb((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

}  // namespace rt
