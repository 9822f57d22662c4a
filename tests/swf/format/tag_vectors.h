// The tag test vectors: every tag the reader and writer know, as a value and
// its exact bytes (tag header included), for checks in both directions.
#pragma once

#include <cstdint>
#include <vector>

#include "swf/format/types.h"

namespace swf::samples {

struct TagVector {
    const char* name;  // starts with the tag's name, unless the tag is unknown
    Tag value;
    std::vector<std::uint8_t> bytes;
};

std::vector<TagVector> tagVectors();

}  // namespace swf::samples
