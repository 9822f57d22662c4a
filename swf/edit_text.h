// DefineEditText: a text field with its layout, font, colour and initial
// text. HTML text is shown as plain text with its tags stripped.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "swf/media.h"
#include "swf/types.h"

namespace swf {


Decoded<DefineEditText> parseDefineEditText(std::span<const std::uint8_t> body);
Bytes encodeDefineEditText(const DefineEditText& tag);

// The text shown: the initial text, with HTML tags stripped when the field is
// HTML (line and paragraph ends become line breaks, the common entities are
// decoded), cut to the maximum length, and masked for password fields.
std::string displayText(const DefineEditText& tag);
std::string stripHtml(std::string_view html);

}  // namespace swf
