// Bitmap characters: the DefineBits family and the lossless bitmaps, parsed
// from tag bodies and decoded into premultiplied ARGB images.
#pragma once

#include <QImage>

#include <cstdint>
#include <span>

#include "swf/part2/media.h"
#include "swf/types.h"

namespace swf {

// Tag codes of the bitmap tags.
namespace bitmapcode {
enum : std::uint16_t {
    DefineBits = 6, JPEGTables = 8, DefineBitsLossless = 20, DefineBitsJPEG2 = 21,
    DefineBitsJPEG3 = 35, DefineBitsLossless2 = 36, DefineBitsJPEG4 = 90,
};
}

// DefineBits (version 1: JPEG without its tables, which come from the
// JPEGTables tag), DefineBitsJPEG2 (2: JPEG with tables, or PNG or GIF89a),
// DefineBitsJPEG3 (3: adds a zlib alpha plane for JPEG data) and
// DefineBitsJPEG4 (4: adds a deblocking strength, 8.8 fixed).
struct DefineBitsJpeg {
    std::uint8_t version = 2;
    std::uint16_t id = 0;
    Bytes imageData;
    Bytes alphaData;               // versions 3 and 4: zlib stream of width*height bytes
    std::uint16_t deblocking = 0;  // version 4
    bool operator==(const DefineBitsJpeg&) const = default;
};

struct JpegTables {
    Bytes data;  // may be empty
    bool operator==(const JpegTables&) const = default;
};

// DefineBitsLossless (version 1: RGB) and DefineBitsLossless2 (version 2:
// premultiplied alpha). Format 3 is colour-mapped, 4 is 15-bit, 5 is 32-bit.
struct DefineBitsLossless {
    std::uint8_t version = 1;
    std::uint16_t id = 0;
    std::uint8_t format = 5;
    std::uint16_t width = 0, height = 0;
    std::uint16_t colorTableSize = 0;  // format 3: number of entries (1..256)
    Bytes zlibData;                    // colour table (format 3) and pixels, deflated
    bool operator==(const DefineBitsLossless&) const = default;
};

struct BitmapLimits {
    std::uint64_t maxPixels = 128'000'000;  // images of this many pixels or more are refused
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
