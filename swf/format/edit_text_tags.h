// DefineEditText between tag bodies and values.
#pragma once

#include <span>

#include "swf/format/error.h"
#include "swf/format/types.h"

namespace swf {

Result<DefineEditText> parseDefineEditText(std::span<const std::uint8_t> body);
Bytes encodeDefineEditText(const DefineEditText& tag);

}  // namespace swf
