#include "swf/media.h"

#include <zlib.h>

namespace swf {

const char* mediaErrorName(MediaErrorCode code) {
    switch (code) {
    case MediaErrorCode::Truncated: return "Truncated";
    case MediaErrorCode::Malformed: return "Malformed";
    case MediaErrorCode::TooLarge: return "TooLarge";
    case MediaErrorCode::Unsupported: return "Unsupported";
    case MediaErrorCode::DecodeFailed: return "DecodeFailed";
    }
    return "?";
}

std::optional<Bytes> inflateBounded(std::span<const std::uint8_t> data, std::size_t maxOut) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return std::nullopt;
    Bytes out(maxOut);
    zs.next_in = const_cast<Bytef*>(data.data());
    zs.avail_in = static_cast<uInt>(std::min<std::size_t>(data.size(), 0xFFFFFFFFu));
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(maxOut);
    int rc = Z_OK;
    while (zs.avail_out > 0) {
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) break;
        if (rc == Z_BUF_ERROR && zs.avail_in == 0) break;  // input ended early
        if (rc != Z_OK) { inflateEnd(&zs); return std::nullopt; }
    }
    out.resize(maxOut - zs.avail_out);
    inflateEnd(&zs);
    return out;
}

Bytes deflateAll(std::span<const std::uint8_t> data) {
    uLongf n = compressBound(static_cast<uLong>(data.size()));
    Bytes out(n);
    if (compress2(out.data(), &n, data.data(), static_cast<uLong>(data.size()), 9) != Z_OK) return {};
    out.resize(n);
    return out;
}

}  // namespace swf
