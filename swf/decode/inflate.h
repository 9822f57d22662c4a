// The bounded inflate the decoders use, and the deflate that encoders
// (tests, authoring tools) use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "swf/format/error.h"
#include "swf/format/types.h"

namespace swf {

// Inflates a zlib stream, producing at most `maxOut` bytes (the rest of the
// stream is not inflated). Fails when the stream is corrupt before `maxOut`
// bytes came out; a stream that ends early gives fewer bytes.
Result<Bytes> inflateBounded(std::span<const std::uint8_t> data, std::size_t maxOut);

// Deflates (used by the encoders that tests and authoring tools call).
Bytes deflateAll(std::span<const std::uint8_t> data);

}  // namespace swf
