// The text an edit text field shows. HTML text is shown as plain text with
// its tags stripped.
#pragma once

#include <string>
#include <string_view>

#include "swf/format/edit_text_tags.h"
#include "swf/format/types.h"

namespace swf {

// The text shown: the initial text, with HTML tags stripped when the field is
// HTML (line and paragraph ends become line breaks, the common entities are
// decoded), cut to the maximum length, and masked for password fields.
std::string displayText(const DefineEditText& tag);
std::string stripHtml(std::string_view html);

}  // namespace swf
