// Bounds-checked SWF reader. Trusts no length, count, nesting depth or size
// in the file: every read is checked against the end of its tag, and the caps
// in Limits bound memory and work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "swf/format/error.h"
#include "swf/format/types.h"

namespace swf {

// Caps against hostile files. Exceeding one gives ErrorCode::LimitExceeded
// (or DecompressedTooLarge), or ends reading early with a partial movie when
// frames were already read.
struct Limits {
    std::size_t maxDecompressedBytes = 64u << 20;  // 64 MiB, checked while inflating
    int maxSpriteNesting = 1;                      // sprites inside sprites beyond this are skipped
    std::size_t maxCharacters = 20000;     // defined characters (shapes, sprites, fonts, texts, bitmaps, sounds...)
    std::size_t maxFrames = 20000;         // ShowFrame tags over the whole movie
    std::size_t maxTags = 500000;          // tags over the whole movie, sprites included
    std::size_t maxShapeRecords = 200000;  // records in one shape or glyph
    std::size_t maxPathPoints = 4000000;   // edges over the whole movie (path complexity)
    std::size_t maxStyles = 20000;         // fill + line styles in one style array
    std::size_t maxActions = 100000;       // action lists in one button
    std::uint64_t maxBitmapPixels = kMaxBitmapPixels;  // lossless bitmaps this large or larger are refused
};

// Either a movie (possibly partial: a bad tag after good frames ends reading
// there, with a warning) or an error.
struct ReadResult {
    std::optional<MovieData> movie;
    std::optional<Error> error;  // set exactly when movie is not
    Compression compression = Compression::None;
    bool partial = false;  // reading stopped before the End tag
    std::vector<std::string> warnings;
    int skippedTags = 0;  // unknown tags kept opaque and ignored by the player
    bool ok() const { return movie.has_value(); }
};

ReadResult read(std::span<const std::uint8_t> bytes, const Limits& limits = {});

// Decodes a single tag body (no tag header) with the given code, as found in a
// movie of the given file version. Used by tests and tools.
Result<Tag> readTagBody(std::uint16_t code, std::span<const std::uint8_t> body, std::uint8_t version = 10,
                        const Limits& limits = {});

// Decodes one complete tag (header and body) from the start of `bytes`.
Result<Tag> readTag(std::span<const std::uint8_t> bytes, std::uint8_t version = 10, const Limits& limits = {});

}  // namespace swf
