// The HTML subset text fields read and write: P (ALIGN), BR, FONT (FACE,
// SIZE, COLOR, LETTERSPACING, KERNING), B, I, U, A (HREF, TARGET), LI,
// TEXTFORMAT (LEFTMARGIN, RIGHTMARGIN, INDENT, LEADING, BLOCKINDENT,
// TABSTOPS) and the character entities; other tags are dropped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "swf/script/text_field.h"

namespace swf {

// Characters sharing one format ("\r" ends a paragraph).
struct StyledRun {
    std::string text;
    script::TextFormatData format;
};

// The runs an HTML text gives, starting from `base`. Bounded: the tag
// nesting kept is limited and the text is read once.
std::vector<StyledRun> parseHtml(std::string_view html, const script::TextFormatData& base);
// The HTML the htmlText getter prints for these runs; an empty text prints
// one empty paragraph in `empty`.
std::string formatHtml(const std::vector<StyledRun>& runs, const script::TextFormatData& empty);

}  // namespace swf
