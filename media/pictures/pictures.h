// The course's pictures, pointer and icon, embedded in the executable by the
// tk_pictures library under ":/pictures/". Their resource paths are named
// once, by the layouts that use them (layouts/layouts.h).
#pragma once

namespace media::pictures {

// The pointer's active point: the centre of the 32 x 32 hand picture.
inline constexpr int kHandHotSpotX = 16;
inline constexpr int kHandHotSpotY = 16;

// Registers the embedded pictures. The resources also register themselves at
// start-up; calling this (any number of times) keeps them linked in when the
// caller ends up in a static archive. Returns true once they are available.
bool init();

}  // namespace media::pictures
