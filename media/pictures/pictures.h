// Resource paths of the course's pictures, pointer and icon, all embedded in
// the executable by the tk_pictures library. Load them with QImage/QPixmap.
#pragma once

namespace media::pictures {

inline constexpr const char* kAppIcon = ":/pictures/app_icon.ico";
inline constexpr const char* kHandCursor = ":/pictures/hand_cursor.ico";
inline constexpr const char* kSplashBackground = ":/pictures/splash_background.jpg";
inline constexpr const char* kMenuBackground = ":/pictures/menu_background.jpg";
inline constexpr const char* kMarkerArrow = ":/pictures/marker_arrow.jpg";
inline constexpr const char* kPictureMenuBackground = ":/pictures/picture_menu_background.jpg";
inline constexpr const char* kLessonBackground = ":/pictures/lesson_background.jpg";
inline constexpr const char* kHoverTitle[9] = {
    ":/pictures/hover_title_0.jpg", ":/pictures/hover_title_1.jpg",
    ":/pictures/hover_title_2.jpg", ":/pictures/hover_title_3.jpg",
    ":/pictures/hover_title_4.jpg", ":/pictures/hover_title_5.jpg",
    ":/pictures/hover_title_6.jpg", ":/pictures/hover_title_7.jpg",
    ":/pictures/hover_title_8.jpg"};

// The pointer's active point: the centre of the 32 x 32 hand picture.
inline constexpr int kHandHotSpotX = 16;
inline constexpr int kHandHotSpotY = 16;

// Registers the embedded pictures. The resources also register themselves at
// start-up; calling this (any number of times) keeps them linked in when the
// caller ends up in a static archive. Returns true once they are available.
bool init();

}  // namespace media::pictures
