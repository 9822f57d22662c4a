#include "swf/decode/bitmap.h"

#include "swf/decode/inflate.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <algorithm>

namespace swf {

namespace {

using Span = std::span<const std::uint8_t>;

template <class T>
Result<T> fail(ErrorCode c, std::string d) {
    return Result<T>::fail(c, std::move(d));
}

// Width and height from the first frame marker of a JPEG stream (0 when absent).
std::pair<std::uint32_t, std::uint32_t> jpegSize(Span d) {
    std::size_t p = 2;
    while (p + 4 <= d.size()) {
        if (d[p] != 0xFF) return {0, 0};
        std::uint8_t m = d[p + 1];
        if (m == 0xFF) {
            ++p;
            continue;
        }
        if (m == 0xD8 || m == 0xD9 || (m >= 0xD0 && m <= 0xD7) || m == 0x01) {
            p += 2;
            continue;
        }
        std::size_t len = (d[p + 2] << 8) | d[p + 3];
        bool frame = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (frame && p + 9 <= d.size())
            return {std::uint32_t((d[p + 7] << 8) | d[p + 8]), std::uint32_t((d[p + 5] << 8) | d[p + 6])};
        if (m == 0xDA) return {0, 0};
        p += 2 + len;
    }
    return {0, 0};
}

bool tooMany(std::uint64_t w, std::uint64_t h, const BitmapLimits& limits) {
    return w * h >= limits.maxPixels;  // both are below 2^32, the product fits
}

// Colour planes of premultiplied data may exceed their alpha in files; such
// values are clamped to the alpha so the image stays a valid premultiplied one.
inline QRgb premultipliedClamped(int a, int r, int g, int b) {
    return qRgba(std::min(r, a), std::min(g, a), std::min(b, a), a);
}

Result<QImage> decodeEmbedded(Span data, ImageKind kind, const BitmapLimits& limits) {
    QByteArray bytes(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const char* fmt = kind == ImageKind::Png ? "png" : kind == ImageKind::Gif ? "gif" : "jpeg";
    QImageReader reader(&buffer, fmt);
    reader.setAutoTransform(false);
    QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return fail<QImage>(ErrorCode::DecodeFailed, std::string("unreadable ") + fmt + " header");
    if (tooMany(static_cast<std::uint64_t>(size.width()), static_cast<std::uint64_t>(size.height()), limits))
        return fail<QImage>(ErrorCode::TooLarge,
                            "image of " + std::to_string(size.width()) + "x" + std::to_string(size.height()));
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return fail<QImage>(ErrorCode::DecodeFailed, std::string(fmt) + ": " + reader.errorString().toStdString());
    return Result<QImage>(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

}  // namespace

ImageKind sniffImage(Span d) {
    static const std::uint8_t png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (d.size() >= 8 && std::equal(png, png + 8, d.begin())) return ImageKind::Png;
    if (d.size() >= 6 && d[0] == 'G' && d[1] == 'I' && d[2] == 'F' && d[3] == '8' && (d[4] == '9' || d[4] == '7') &&
        d[5] == 'a')
        return ImageKind::Gif;
    if (d.size() >= 2 && d[0] == 0xFF && (d[1] == 0xD8 || d[1] == 0xD9)) return ImageKind::Jpeg;
    return ImageKind::Unknown;
}

Result<Bytes> normaliseJpeg(Span tables, Span data) {
    Bytes joined;
    joined.reserve(tables.size() + data.size() + 4);
    joined.insert(joined.end(), tables.begin(), tables.end());
    joined.insert(joined.end(), data.begin(), data.end());

    Bytes out{0xFF, 0xD8};
    out.reserve(joined.size() + 4);
    std::size_t p = 0;
    const std::size_t n = joined.size();
    while (true) {
        if (p >= n) return fail<Bytes>(ErrorCode::Truncated, "JPEG data ends before its scan");
        if (joined[p] != 0xFF) return fail<Bytes>(ErrorCode::Malformed, "JPEG marker expected");
        while (p < n && joined[p] == 0xFF) ++p;  // fill bytes
        if (p >= n) return fail<Bytes>(ErrorCode::Truncated, "JPEG data ends in a marker");
        std::uint8_t m = joined[p++];
        if (m == 0xD8 || m == 0xD9) continue;  // start/end markers between tables and frame
        if ((m >= 0xD0 && m <= 0xD7) || m == 0x01) {
            out.push_back(0xFF);
            out.push_back(m);
            continue;
        }
        if (p + 2 > n) return fail<Bytes>(ErrorCode::Truncated, "JPEG segment length missing");
        std::size_t len = (joined[p] << 8) | joined[p + 1];
        if (len < 2 || p + len > n) return fail<Bytes>(ErrorCode::Truncated, "JPEG segment longer than the data");
        out.push_back(0xFF);
        out.push_back(m);
        if (m == 0xDA) {
            // The scan and everything after it is copied as is.
            out.insert(out.end(), joined.begin() + static_cast<std::ptrdiff_t>(p), joined.end());
            break;
        }
        out.insert(out.end(), joined.begin() + static_cast<std::ptrdiff_t>(p),
                   joined.begin() + static_cast<std::ptrdiff_t>(p + len));
        p += len;
    }
    if (out.size() < 2 || out[out.size() - 2] != 0xFF || out.back() != 0xD9) {
        out.push_back(0xFF);
        out.push_back(0xD9);
    }
    return Result<Bytes>(std::move(out));
}

Result<QImage> decodeBitmap(const DefineBitsJpeg& t, Span tables, const BitmapLimits& limits) {
    ImageKind kind = t.version == 1 ? ImageKind::Jpeg : sniffImage(t.imageData);
    if (kind == ImageKind::Unknown)
        return fail<QImage>(ErrorCode::Unsupported, "bitmap data is neither JPEG, PNG nor GIF");
    if (kind != ImageKind::Jpeg) {
        // PNG and GIF data carry their own transparency; an alpha plane is ignored.
        return decodeEmbedded(t.imageData, kind, limits);
    }
    auto clean = normaliseJpeg(t.version == 1 ? tables : Span{}, t.imageData);
    if (!clean.ok()) return fail<QImage>(clean.error().code, clean.error().detail);
    auto [w, h] = jpegSize(*clean);
    if (w == 0 || h == 0) return fail<QImage>(ErrorCode::DecodeFailed, "JPEG without a frame");
    if (tooMany(w, h, limits))
        return fail<QImage>(ErrorCode::TooLarge, "image of " + std::to_string(w) + "x" + std::to_string(h));
    auto decoded = decodeEmbedded(*clean, ImageKind::Jpeg, limits);
    if (!decoded.ok() || t.version < 3 || t.alphaData.empty()) return decoded;

    QImage& img = *decoded;
    const std::size_t pixels = static_cast<std::size_t>(img.width()) * static_cast<std::size_t>(img.height());
    auto alpha = inflateBounded(t.alphaData, pixels);
    if (!alpha) return fail<QImage>(ErrorCode::DecodeFailed, "corrupt alpha plane");
    if (alpha->size() < pixels) return fail<QImage>(ErrorCode::Truncated, "alpha plane shorter than the image");
    // The colour planes are stored already multiplied by the alpha plane.
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        const std::uint8_t* a = alpha->data() + static_cast<std::size_t>(y) * img.width();
        for (int x = 0; x < img.width(); ++x)
            row[x] = premultipliedClamped(a[x], qRed(row[x]), qGreen(row[x]), qBlue(row[x]));
    }
    return decoded;
}

std::size_t losslessRowBytes(std::uint8_t format, std::uint16_t width) {
    std::size_t raw = format == 3 ? width : format == 4 ? std::size_t(width) * 2 : std::size_t(width) * 4;
    return (raw + 3) & ~std::size_t(3);
}

Result<QImage> decodeBitmap(const DefineBitsLossless& t, const BitmapLimits& limits) {
    if (t.width == 0 || t.height == 0) return fail<QImage>(ErrorCode::Malformed, "empty bitmap");
    if (tooMany(t.width, t.height, limits))
        return fail<QImage>(ErrorCode::TooLarge,
                            "bitmap of " + std::to_string(t.width) + "x" + std::to_string(t.height));
    if (t.format != 3 && t.format != 4 && t.format != 5)
        return fail<QImage>(ErrorCode::Malformed, "unknown lossless format " + std::to_string(t.format));
    const bool alpha = t.version == 2;
    const std::size_t entryBytes = alpha ? 4 : 3;
    const std::size_t table = t.format == 3 ? std::size_t(t.colorTableSize) * entryBytes : 0;
    const std::size_t row = losslessRowBytes(t.format, t.width);
    const std::size_t expected = table + row * t.height;
    auto data = inflateBounded(t.zlibData, expected);
    if (!data) return fail<QImage>(ErrorCode::DecodeFailed, "corrupt zlib data");
    if (data->size() < expected)
        return fail<QImage>(ErrorCode::Truncated, "pixel data has " + std::to_string(data->size()) + " of " +
                                                      std::to_string(expected) + " bytes");

    QImage img(t.width, t.height, QImage::Format_ARGB32_Premultiplied);
    if (img.isNull()) return fail<QImage>(ErrorCode::TooLarge, "cannot allocate the bitmap");
    std::vector<QRgb> palette;
    if (t.format == 3) {
        palette.resize(256, alpha ? qRgba(0, 0, 0, 0) : qRgb(0, 0, 0));
        for (std::size_t i = 0; i < t.colorTableSize && i < 256; ++i) {
            const std::uint8_t* e = data->data() + i * entryBytes;
            palette[i] = alpha ? premultipliedClamped(e[3], e[0], e[1], e[2]) : qRgb(e[0], e[1], e[2]);
        }
    }
    const std::uint8_t* pixels = data->data() + table;
    for (int y = 0; y < t.height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        const std::uint8_t* in = pixels + static_cast<std::size_t>(y) * row;
        for (int x = 0; x < t.width; ++x) {
            switch (t.format) {
            case 3: out[x] = palette[in[x]]; break;
            case 4: {
                // 15-bit colour, big-endian: one unused bit, then 5 bits of red, green, blue.
                int v = (in[2 * x] << 8) | in[2 * x + 1];
                auto expand = [](int c) { return (c << 3) | (c >> 2); };
                out[x] = qRgb(expand((v >> 10) & 31), expand((v >> 5) & 31), expand(v & 31));
                break;
            }
            default: {
                const std::uint8_t* px = in + 4 * x;
                out[x] = alpha ? premultipliedClamped(px[0], px[1], px[2], px[3]) : qRgb(px[1], px[2], px[3]);
            }
            }
        }
    }
    return Result<QImage>(std::move(img));
}

DefineBitsLossless makeLossless(std::uint16_t id, const QImage& image, std::uint8_t version) {
    DefineBitsLossless t;
    t.version = version;
    t.id = id;
    t.format = 5;
    QImage src = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    t.width = static_cast<std::uint16_t>(src.width());
    t.height = static_cast<std::uint16_t>(src.height());
    Bytes raw;
    raw.reserve(std::size_t(t.width) * t.height * 4);
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            raw.push_back(version == 2 ? static_cast<std::uint8_t>(qAlpha(in[x])) : 0xFF);
            raw.push_back(static_cast<std::uint8_t>(qRed(in[x])));
            raw.push_back(static_cast<std::uint8_t>(qGreen(in[x])));
            raw.push_back(static_cast<std::uint8_t>(qBlue(in[x])));
        }
    }
    t.zlibData = deflateAll(raw);
    return t;
}

}  // namespace swf
