// TextFormat objects as the other text classes make and read them.
// Internal to the script machine's built-ins.
#pragma once

#include "swf/script/machine.h"
#include "swf/script/text_field.h"

namespace swf::script {

// A new TextFormat object holding `data`.
Object* newTextFormat(Machine& m, const TextFormatData& data);
// The format a TextFormat object holds; null for any other value.
const TextFormatData* textFormatOf(Value v);

}  // namespace swf::script
