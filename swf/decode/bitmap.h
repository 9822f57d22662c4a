// Bitmap characters decoded into premultiplied ARGB images: JPEG (with the
// repairs files need), PNG and GIF through Qt's image readers, and the
// lossless formats.
#pragma once

#include <QImage>

#include <cstdint>
#include <span>

#include "swf/format/bitmap_tags.h"
#include "swf/format/error.h"
#include "swf/format/types.h"

namespace swf {

struct BitmapLimits {
    std::uint64_t maxPixels = kMaxBitmapPixels;  // images of this many pixels or more are refused
};

// A JPEG stream made decodable: one start marker, tables joined in front,
// stray end/start marker pairs before the frame removed (some authoring tools
// leave 0xFF 0xD9 0xFF 0xD8 there), and an end marker added when missing.
// `tables` may be empty. Fails when the markers before the scan are broken.
Result<Bytes> normaliseJpeg(std::span<const std::uint8_t> tables, std::span<const std::uint8_t> data);

enum class ImageKind { Jpeg, Png, Gif, Unknown };
ImageKind sniffImage(std::span<const std::uint8_t> data);

// Decodes into QImage::Format_ARGB32_Premultiplied. `tables` is used by
// version 1 only (the movie's JPEGTables data, empty when there is none).
Result<QImage> decodeBitmap(const DefineBitsJpeg& tag, std::span<const std::uint8_t> tables = {},
                            const BitmapLimits& limits = {});
Result<QImage> decodeBitmap(const DefineBitsLossless& tag, const BitmapLimits& limits = {});

// Bytes per row of lossless pixel data: rows are padded to 32 bits.
std::size_t losslessRowBytes(std::uint8_t format, std::uint16_t width);

// Builds a lossless bitmap from an image (format 5; version 2 keeps alpha).
DefineBitsLossless makeLossless(std::uint16_t id, const QImage& image, std::uint8_t version);

}  // namespace swf
