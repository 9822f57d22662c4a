// DefineMorphShape and DefineMorphShape2 between tag bodies and values: start
// and end styles and edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "swf/format/error.h"
#include "swf/format/types.h"

namespace swf {

struct MorphLimits {
    std::size_t maxRecords = 200000;  // per edge list
    std::size_t maxStyles = 20000;
};

Result<DefineMorphShape> parseDefineMorphShape(std::uint8_t version, std::span<const std::uint8_t> body,
                                               const MorphLimits& limits = {});
Bytes encodeDefineMorphShape(const DefineMorphShape& tag);

}  // namespace swf
