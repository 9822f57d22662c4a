// The embedded JPEG pictures and their size in pixels, shared by the tests
// that load them and the tests that read their bytes.
#pragma once

#include "layouts/layouts.h"

namespace pictures_test {

struct PictureSize {
    const char* path;
    int w, h;
};

inline constexpr PictureSize kJpegPictures[] = {
    {layouts::kSplashBackground, 508, 294}, {layouts::kMenuBackground, 638, 455},
    {layouts::kMarkerArrow, 15, 12},        {layouts::kPictureMenuBackground, 638, 455},
    {layouts::kLessonBackground, 650, 530}, {layouts::kHoverTitle[0], 148, 26},
    {layouts::kHoverTitle[1], 162, 26},     {layouts::kHoverTitle[2], 185, 25},
    {layouts::kHoverTitle[3], 173, 26},     {layouts::kHoverTitle[4], 162, 25},
    {layouts::kHoverTitle[5], 121, 24},     {layouts::kHoverTitle[6], 165, 25},
    {layouts::kHoverTitle[7], 137, 24},     {layouts::kHoverTitle[8], 154, 25},
};

}  // namespace pictures_test
