// The bitmap tags: the DefineBits family and the lossless bitmaps, between
// tag bodies and values. Decoding to pixels is the decode part's job.
#pragma once

#include <cstdint>
#include <span>

#include "swf/format/error.h"
#include "swf/format/types.h"

namespace swf {

// Tag bodies (no tag header) to values and back. `version` as in the structs.
Result<DefineBitsJpeg> parseDefineBitsJpeg(std::uint8_t version, std::span<const std::uint8_t> body);
Bytes encodeDefineBitsJpeg(const DefineBitsJpeg& tag);
Result<DefineBitsLossless> parseDefineBitsLossless(std::uint8_t version, std::span<const std::uint8_t> body);
Bytes encodeDefineBitsLossless(const DefineBitsLossless& tag);

}  // namespace swf
