// Typed errors and a small result type shared by the media decoders, plus the
// bounded inflate they all use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "swf/types.h"

namespace swf {

// Bitmaps of this many pixels or more are refused, whatever their format.
inline constexpr std::uint64_t kMaxBitmapPixels = 128'000'000;

enum class MediaErrorCode {
    Truncated,    // a declared size or count needs more bytes than are present
    Malformed,    // a field holds a value the format does not allow
    TooLarge,     // a size passes a cap (pixels, samples, stack) or overflows
    Unsupported,  // a valid format this engine does not decode
    DecodeFailed, // the embedded codec (JPEG, PNG, GIF, MP3, zlib) refused the data
};

struct MediaError {
    MediaErrorCode code = MediaErrorCode::Malformed;
    std::string detail;  // English, for logs and tools
};

const char* mediaErrorName(MediaErrorCode code);

// A value or the reason there is none.
template <class T>
struct Decoded {
    std::optional<T> value;
    MediaError error;
    bool ok() const { return value.has_value(); }
    static Decoded fail(MediaErrorCode c, std::string d) { Decoded r; r.error = {c, std::move(d)}; return r; }
    static Decoded of(T v) { Decoded r; r.value = std::move(v); return r; }
};

// Inflates a zlib stream, producing at most `maxOut` bytes (the rest of the
// stream is not inflated). Returns nothing when the stream is corrupt before
// `maxOut` bytes came out; a stream that ends early gives fewer bytes.
std::optional<Bytes> inflateBounded(std::span<const std::uint8_t> data, std::size_t maxOut);

// Deflates (used by the encoders that tests and authoring tools call).
Bytes deflateAll(std::span<const std::uint8_t> data);

}  // namespace swf
