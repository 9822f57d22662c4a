#pragma once
// A screen's fixed description: window properties and its controls in
// stacking order, top-most first. Plain data; the layouts/ folder holds one
// per screen. Positions and sizes are in twips.

#include "runtime/palette.h"

#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace rt {

inline constexpr int kTwipsPerPixel = 15;

// The one place where twips become pixels (floor division, so negative
// positions such as a player reaching past the left edge stay exact).
constexpr int twipsToPixels(int twips) {
    return twips >= 0 ? twips / kTwipsPerPixel : -((-twips + kTwipsPerPixel - 1) / kTwipsPerPixel);
}

struct TwipRect {
    int left = 0, top = 0, width = 0, height = 0;
    QRect toPixels() const {
        return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
    }
    bool operator==(const TwipRect&) const = default;
};

enum class ControlKind { Label, Image, Timer, Shape, External };
enum class BorderStyle { None, Sizable };
enum class StartPosition { CenterScreen, CenterOwner, PlatformDefault };
enum class Alignment { Left, Right, Center };

struct FontDef {
    const char* name = "Verdana";
    double pointSize = 8.25;
    int weight = 700;
    bool italic = false, underline = false, strikeOut = false;
};

// Custom pointer value of MousePointer: the control's MouseIcon is the cursor.
inline constexpr short kCustomPointer = 99;

struct ControlDef {
    ControlKind kind = ControlKind::Image;
    const char* name = "";
    short index = -1;  // -1: a single control; 0 and up: an element of a control array
    TwipRect rect{};

    // labels and pictures
    bool visible = true;
    short mousePointer = 0;
    const char* mouseIcon = nullptr;  // Qt resource path of the pointer picture
    const char* picture = nullptr;    // Qt resource path; pictures only

    // labels
    const char* caption = "";
    Color foreColor = Color::system(SystemColor::WindowText);
    Color backColor = Color::system(SystemColor::WindowBackground);
    bool transparent = false;
    Alignment alignment = Alignment::Left;
    std::optional<FontDef> font;  // none: the screen's default font
    int tabIndex = 0;

    // timers
    int interval = 0;
    bool enabled = true;

    // shapes
    Color borderColor = Color::system(SystemColor::WindowText);
    short borderStyle = 1;

    // the external control (the movie player)
    const char* classId = nullptr;
    std::span<const std::uint8_t> persisted;  // the control's persisted state block
};

struct WindowDef {
    const char* name = "";
    const char* caption = "";
    int clientWidth = 0, clientHeight = 0;  // twips
    BorderStyle border = BorderStyle::Sizable;
    bool showInTaskbar = true;
    StartPosition position = StartPosition::PlatformDefault;
    const char* picture = nullptr;  // Qt resource path of the background picture
    const char* icon = nullptr;     // Qt resource path of the window icon
    Color backColor = Color::system(SystemColor::ButtonFace);

    QSize clientPixels() const { return {twipsToPixels(clientWidth), twipsToPixels(clientHeight)}; }
};

struct ScreenLayout {
    WindowDef window;
    std::vector<ControlDef> controls;  // top-most first
};

}  // namespace rt
