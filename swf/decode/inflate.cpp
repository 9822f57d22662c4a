#include "swf/decode/inflate.h"

#include <zlib.h>

#include <algorithm>

namespace swf {

Result<Bytes> inflateBounded(std::span<const std::uint8_t> data, std::size_t maxOut) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return Result<Bytes>::fail(ErrorCode::DecodeFailed, "zlib cannot start");
    zs.next_in = const_cast<Bytef*>(data.data());
    zs.avail_in = static_cast<uInt>(std::min<std::size_t>(data.size(), 0xFFFFFFFFu));
    // The output grows as the stream delivers, so a small stream that claims
    // a large picture costs what it holds, not what it claims.
    Bytes out;
    std::size_t size = 0;
    int rc = Z_OK;
    while (size < maxOut) {
        if (out.size() == size) out.resize(std::min(maxOut, std::max<std::size_t>(64 * 1024, out.size() * 2)));
        zs.next_out = out.data() + size;
        zs.avail_out = static_cast<uInt>(std::min<std::size_t>(out.size() - size, 0xFFFFFFFFu));
        const uInt before = zs.avail_out;
        rc = inflate(&zs, Z_NO_FLUSH);
        size += before - zs.avail_out;
        if (rc == Z_STREAM_END) break;
        if (rc == Z_BUF_ERROR && (zs.avail_in == 0 || zs.avail_out == before)) break;  // input ended early
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            inflateEnd(&zs);
            return Result<Bytes>::fail(ErrorCode::DecodeFailed, "the zlib stream is damaged");
        }
    }
    out.resize(size);
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
