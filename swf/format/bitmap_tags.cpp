#include "swf/format/bitmap_tags.h"

#include <algorithm>

#include "swf/format/bitio.h"

namespace swf {

namespace {

using Span = std::span<const std::uint8_t>;

std::uint16_t le16(Span b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }
std::uint32_t le32(Span b, std::size_t at) {
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16) |
           (std::uint32_t(b[at + 3]) << 24);
}
using detail::putU16;
using detail::putU32;

template <class T>
Result<T> fail(ErrorCode c, std::string d) {
    return Result<T>::fail(c, std::move(d));
}

}  // namespace

Result<DefineBitsJpeg> parseDefineBitsJpeg(std::uint8_t version, Span body) {
    if (version < 1 || version > 4) return fail<DefineBitsJpeg>(ErrorCode::Malformed, "bad JPEG tag version");
    DefineBitsJpeg t;
    t.version = version;
    std::size_t head = version == 4 ? 8 : version == 3 ? 6 : 2;
    if (body.size() < head) return fail<DefineBitsJpeg>(ErrorCode::Truncated, "bitmap tag shorter than its fields");
    t.id = le16(body, 0);
    if (version <= 2) {
        t.imageData.assign(body.begin() + 2, body.end());
        return Result<DefineBitsJpeg>(std::move(t));
    }
    std::uint32_t alphaOffset = le32(body, 2);
    if (version == 4) t.deblocking = le16(body, 6);
    if (alphaOffset > body.size() - head)
        return fail<DefineBitsJpeg>(ErrorCode::Truncated, "alpha offset past the end of the tag");
    t.imageData.assign(body.begin() + head, body.begin() + head + alphaOffset);
    t.alphaData.assign(body.begin() + head + alphaOffset, body.end());
    return Result<DefineBitsJpeg>(std::move(t));
}

Bytes encodeDefineBitsJpeg(const DefineBitsJpeg& t) {
    Bytes out;
    putU16(out, t.id);
    if (t.version >= 3) putU32(out, static_cast<std::uint32_t>(t.imageData.size()));
    if (t.version == 4) putU16(out, t.deblocking);
    out.insert(out.end(), t.imageData.begin(), t.imageData.end());
    if (t.version >= 3) out.insert(out.end(), t.alphaData.begin(), t.alphaData.end());
    return out;
}

Result<DefineBitsLossless> parseDefineBitsLossless(std::uint8_t version, Span body) {
    if (version != 1 && version != 2) return fail<DefineBitsLossless>(ErrorCode::Malformed, "bad lossless tag version");
    if (body.size() < 7)
        return fail<DefineBitsLossless>(ErrorCode::Truncated, "lossless bitmap shorter than its header");
    DefineBitsLossless t;
    t.version = version;
    t.id = le16(body, 0);
    t.format = body[2];
    t.width = le16(body, 3);
    t.height = le16(body, 5);
    std::size_t p = 7;
    if (t.format != 3 && t.format != 4 && t.format != 5)
        return fail<DefineBitsLossless>(ErrorCode::Malformed, "unknown lossless format " + std::to_string(t.format));
    if (t.format == 3) {
        if (body.size() < 8) return fail<DefineBitsLossless>(ErrorCode::Truncated, "colour table size missing");
        t.colorTableSize = static_cast<std::uint16_t>(body[7] + 1);
        p = 8;
    }
    t.zlibData.assign(body.begin() + p, body.end());
    return Result<DefineBitsLossless>(std::move(t));
}

Bytes encodeDefineBitsLossless(const DefineBitsLossless& t) {
    Bytes out;
    putU16(out, t.id);
    out.push_back(t.format);
    putU16(out, t.width);
    putU16(out, t.height);
    if (t.format == 3) out.push_back(static_cast<std::uint8_t>(std::clamp<int>(t.colorTableSize, 1, 256) - 1));
    out.insert(out.end(), t.zlibData.begin(), t.zlibData.end());
    return out;
}

}  // namespace swf
