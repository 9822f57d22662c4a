// Buttons between tag bodies and values: DefineButton and DefineButton2 with
// their per-state records and condition actions (kept as raw action bytes),
// DefineButtonCxform, DefineButtonSound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "swf/format/error.h"
#include "swf/format/types.h"

namespace swf {

struct ButtonLimits {
    std::size_t maxRecords = 4096;
    std::size_t maxActions = 4096;
};

Result<DefineButton> parseDefineButton(std::uint8_t version, std::span<const std::uint8_t> body,
                                       const ButtonLimits& limits = {});
Bytes encodeDefineButton(const DefineButton& tag);
Result<DefineButtonCxform> parseDefineButtonCxform(std::span<const std::uint8_t> body);
Bytes encodeDefineButtonCxform(const DefineButtonCxform& tag);
Result<DefineButtonSound> parseDefineButtonSound(std::span<const std::uint8_t> body);
Bytes encodeDefineButtonSound(const DefineButtonSound& tag);

}  // namespace swf
