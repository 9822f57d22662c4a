// SWF tag and action codes, as the reader and writer use them.
#pragma once

#include <cstdint>

namespace swf::code {
enum : std::uint16_t {
    End = 0, ShowFrame = 1, DefineShape = 2, PlaceObject = 4, RemoveObject = 5, DefineBits = 6,
    DefineButton = 7, JPEGTables = 8, SetBackgroundColor = 9, DefineFont = 10, DefineText = 11,
    DoAction = 12, DefineFontInfo = 13, DefineSound = 14, StartSound = 15, DefineButtonSound = 17,
    SoundStreamHead = 18, SoundStreamBlock = 19, DefineBitsLossless = 20, DefineBitsJPEG2 = 21,
    DefineShape2 = 22, DefineButtonCxform = 23, PlaceObject2 = 26, RemoveObject2 = 28,
    DefineShape3 = 32, DefineText2 = 33, DefineButton2 = 34, DefineBitsJPEG3 = 35,
    DefineBitsLossless2 = 36, DefineEditText = 37, DefineSprite = 39, FrameLabel = 43,
    SoundStreamHead2 = 45, DefineMorphShape = 46, DefineFont2 = 48, DefineFontInfo2 = 62,
    PlaceObject3 = 70, DefineFont3 = 75, DefineShape4 = 83, DefineMorphShape2 = 84,
    StartSound2 = 89, DefineBitsJPEG4 = 90,
};
enum : std::uint8_t {
    ActNextFrame = 0x04, ActPreviousFrame = 0x05, ActPlay = 0x06, ActStop = 0x07,
    ActGotoFrame = 0x81, ActGotoLabel = 0x8C,
};
}  // namespace swf::code
