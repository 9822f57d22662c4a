// DefineEditText: a text field with its layout, font, colour and initial
// text. HTML text is shown as plain text with its tags stripped.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "swf/part2/media.h"
#include "swf/types.h"

namespace swf {

namespace edittextcode {
enum : std::uint16_t { DefineEditText = 37 };
}

enum class TextAlign : std::uint8_t { Left = 0, Right = 1, Center = 2, Justify = 3 };

struct EditTextLayout {
    TextAlign align = TextAlign::Left;
    std::uint16_t leftMargin = 0, rightMargin = 0, indent = 0;  // twips
    std::int16_t leading = 0;                                   // twips
    bool operator==(const EditTextLayout&) const = default;
};

struct DefineEditText {
    std::uint16_t id = 0;
    Rect bounds;
    bool wordWrap = false, multiline = false, password = false, readOnly = false;
    bool autoSize = false, noSelect = false, border = false, wasStatic = false, html = false, useOutlines = false;
    std::optional<std::uint16_t> fontId;     // with fontHeight
    std::optional<std::string> fontClass;    // with fontHeight
    std::uint16_t fontHeight = 0;            // twips
    std::optional<Rgba> color;
    std::optional<std::uint16_t> maxLength;
    std::optional<EditTextLayout> layout;
    std::string variableName;
    std::optional<std::string> initialText;
    bool operator==(const DefineEditText&) const = default;
};

Decoded<DefineEditText> parseDefineEditText(std::span<const std::uint8_t> body);
Bytes encodeDefineEditText(const DefineEditText& tag);

// The text shown: the initial text, with HTML tags stripped when the field is
// HTML (line and paragraph ends become line breaks, the common entities are
// decoded), cut to the maximum length, and masked for password fields.
std::string displayText(const DefineEditText& tag);
std::string stripHtml(std::string_view html);

}  // namespace swf
