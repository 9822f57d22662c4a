// Bitmap characters: the DefineBits family and the lossless bitmaps, parsed
// from tag bodies and decoded into premultiplied ARGB images.
#pragma once

#include <QImage>

#include <cstdint>
#include <span>

#include "swf/media.h"
#include "swf/types.h"

namespace swf {

// Tag codes of the bitmap tags.

struct BitmapLimits {
    std::uint64_t maxPixels = kMaxBitmapPixels;  // images of this many pixels or more are refused
};

// Tag bodies (no tag header) to values and back. `version` as in the structs.
Decoded<DefineBitsJpeg> parseDefineBitsJpeg(std::uint8_t version, std::span<const std::uint8_t> body);
Bytes encodeDefineBitsJpeg(const DefineBitsJpeg& tag);
Decoded<DefineBitsLossless> parseDefineBitsLossless(std::uint8_t version, std::span<const std::uint8_t> body);
Bytes encodeDefineBitsLossless(const DefineBitsLossless& tag);

// A JPEG stream made decodable: one start marker, tables joined in front,
// stray end/start marker pairs before the frame removed (some authoring tools
// leave 0xFF 0xD9 0xFF 0xD8 there), and an end marker added when missing.
// `tables` may be empty. Fails when the markers before the scan are broken.
Decoded<Bytes> normaliseJpeg(std::span<const std::uint8_t> tables, std::span<const std::uint8_t> data);

enum class ImageKind { Jpeg, Png, Gif, Unknown };
ImageKind sniffImage(std::span<const std::uint8_t> data);

// Decodes into QImage::Format_ARGB32_Premultiplied. `tables` is used by
// version 1 only (the movie's JPEGTables data, empty when there is none).
Decoded<QImage> decodeBitmap(const DefineBitsJpeg& tag, std::span<const std::uint8_t> tables = {},
                             const BitmapLimits& limits = {});
Decoded<QImage> decodeBitmap(const DefineBitsLossless& tag, const BitmapLimits& limits = {});

// Bytes per row of lossless pixel data: rows are padded to 32 bits.
std::size_t losslessRowBytes(std::uint8_t format, std::uint16_t width);

// Builds a lossless bitmap from an image (format 5; version 2 keeps alpha).
DefineBitsLossless makeLossless(std::uint16_t id, const QImage& image, std::uint8_t version);

}  // namespace swf
