// Internal: SWF tag and action codes used by the reader and writer.
#pragma once

#include <cstdint>

namespace swf::code {
enum : std::uint16_t {
    End = 0, ShowFrame = 1, DefineShape = 2, PlaceObject = 4, RemoveObject = 5,
    SetBackgroundColor = 9, DefineFont = 10, DefineText = 11, DoAction = 12,
    DefineFontInfo = 13, DefineShape2 = 22, PlaceObject2 = 26, RemoveObject2 = 28,
    DefineShape3 = 32, DefineText2 = 33, DefineSprite = 39, FrameLabel = 43,
    DefineFont2 = 48, DefineFontInfo2 = 62, PlaceObject3 = 70, DefineFont3 = 75,
    DefineShape4 = 83,
};
enum : std::uint8_t {
    ActNextFrame = 0x04, ActPreviousFrame = 0x05, ActPlay = 0x06, ActStop = 0x07,
    ActGotoFrame = 0x81, ActGotoLabel = 0x8C,
};
}  // namespace swf::code
