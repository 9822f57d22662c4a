// SWF tag and action codes.
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
    SoundStreamHead2 = 45, DefineMorphShape = 46, DefineFont2 = 48, DoInitAction = 59, DefineFontInfo2 = 62,
    PlaceObject3 = 70, DefineFont3 = 75, DefineShape4 = 83, DefineMorphShape2 = 84,
    StartSound2 = 89, DefineBitsJPEG4 = 90,
};
}  // namespace swf::code

// Action codes (the first byte of an action record; 0x80 and up carry a
// 16-bit payload length).
namespace swf::action {
enum : std::uint8_t {
    End = 0x00, NextFrame = 0x04, PrevFrame = 0x05, Play = 0x06, Stop = 0x07, ToggleQuality = 0x08,
    StopSounds = 0x09, Add = 0x0A, Subtract = 0x0B, Multiply = 0x0C, Divide = 0x0D, Equals = 0x0E,
    Less = 0x0F, And = 0x10, Or = 0x11, Not = 0x12, StringEquals = 0x13, StringLength = 0x14,
    Pop = 0x17, ToInteger = 0x18, GetVariable = 0x1C, SetVariable = 0x1D, SetTarget2 = 0x20,
    StringAdd = 0x21, GetProperty = 0x22, SetProperty = 0x23, Trace = 0x26, StringLess = 0x29,
    Add2 = 0x47, Less2 = 0x48, Equals2 = 0x49, PushDuplicate = 0x4C, StackSwap = 0x4D,
    GotoFrame = 0x81, GetUrl = 0x83, StoreRegister = 0x87, ConstantPool = 0x88, WaitForFrame = 0x8A,
    SetTarget = 0x8B, GotoLabel = 0x8C, WaitForFrame2 = 0x8D, Push = 0x96, Jump = 0x99, GetUrl2 = 0x9A,
    If = 0x9D, Call = 0x9E, GotoFrame2 = 0x9F,
};
}  // namespace swf::action
