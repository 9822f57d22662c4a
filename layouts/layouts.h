#pragma once
// The fixed layouts of the course's 27 screens: window properties and
// controls, top-most first, in twips. Constant data built once; the runtime
// keeps references to them for the whole run.

#include "runtime/layout.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace layouts {

// Resource paths of the pictures the layouts name.
inline constexpr const char* kAppIcon = ":/pictures/app_icon.ico";
inline constexpr const char* kHandCursor = ":/pictures/hand_cursor.ico";
inline constexpr const char* kSplashBackground = ":/pictures/splash_background.jpg";
inline constexpr const char* kMenuBackground = ":/pictures/menu_background.jpg";
inline constexpr const char* kMarkerArrow = ":/pictures/marker_arrow.jpg";
inline constexpr const char* kPictureMenuBackground = ":/pictures/picture_menu_background.jpg";
inline constexpr const char* kLessonBackground = ":/pictures/lesson_background.jpg";
inline constexpr std::array<const char*, 9> kHoverTitle = {
    ":/pictures/hover_title_0.jpg", ":/pictures/hover_title_1.jpg", ":/pictures/hover_title_2.jpg",
    ":/pictures/hover_title_3.jpg", ":/pictures/hover_title_4.jpg", ":/pictures/hover_title_5.jpg",
    ":/pictures/hover_title_6.jpg", ":/pictures/hover_title_7.jpg", ":/pictures/hover_title_8.jpg"};

// Class identifier of the movie player the lesson screens host.
inline constexpr const char* kPlayerClassId = "{D27CDB6E-AE6D-11CF-96B8-444553540000}";

const rt::ScreenLayout& splash();       // Form2
const rt::ScreenLayout& mainMenu();     // Form1
const rt::ScreenLayout& pictureMenu();  // Form15

// What differs between the 19 lesson screens; everything else is the one
// common lesson layout.
struct LessonRow {
    const char* name;
    const char* caption;
    int clientWidth, clientHeight;  // twips
    rt::StartPosition position;
    rt::TwipRect player;     // flash1
    int menuLeft, quitLeft;  // Label1(0) and Label1(1), twips
};
std::span<const LessonRow> lessonRows();

// The player's persisted state blocks (signature, format word, extent, the
// 22 design-time values), one per player size.
std::span<const std::uint8_t> playerStateForm3();   // 10935 x 7335 twips
std::span<const std::uint8_t> playerStateForm5();   // 11175 x 7335 twips
std::span<const std::uint8_t> playerStateCommon();  // 10575 x 7215 twips

// The names of the five empty screens, Form23 to Form27.
inline constexpr std::array<const char*, 5> kEmptyScreens = {"Form23", "Form24", "Form25", "Form26", "Form27"};

// Any screen's layout by name; nullptr for a name that is not one of the 27.
const rt::ScreenLayout* find(std::string_view name);
// The same for a name that must be one of them; any other raises the
// runtime's object-required error.
const rt::ScreenLayout& get(std::string_view name);

}  // namespace layouts
