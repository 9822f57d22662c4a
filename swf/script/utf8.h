// UTF-8 text as the script machine stores it, counted and cut by characters
// (the multibyte string actions) or turned into UTF-16 units (String methods
// of file version 6 and later).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace swf::script {

// Characters in s (bytes that do not continue a sequence).
std::size_t utf8Count(std::string_view s);
// Byte offset of the character `index`, clamped to the end.
std::size_t utf8Offset(std::string_view s, std::size_t index);
// The code point of the first character (0 for an empty string).
std::uint32_t utf8First(std::string_view s);
// Appends one code point (past U+10FFFF it is clamped).
void appendUtf8(std::string& out, char32_t cp);
// UTF-16 units; a malformed sequence becomes U+FFFD.
std::u16string decodeUtf8(std::string_view s);
// Back to UTF-8; lone surrogate halves become U+FFFD.
std::string encodeUtf8(std::u16string_view u);

// Orders two strings by code point (<0, 0, >0); a surrogate pair written as
// two three-byte sequences counts as the character it stands for.
int compareText(std::string_view a, std::string_view b);

}  // namespace swf::script
