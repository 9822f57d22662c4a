// BitmapData's pixel methods: reading and writing single pixels, fillRect,
// clone, and the calls between two bitmaps: copyPixels, merge, copyChannel,
// compare, threshold, paletteMap and draw of another BitmapData.
//
// The reference player answers a call it cannot do with a negative number
// instead of undefined, and the tests print it: -1 for too few arguments or
// a disposed bitmap, -2 for a source that is not a BitmapData, -3 for a
// disposed source, -4 for a rectangle that lacks a field. A call that works
// answers 0 (getPixel and getPixel32 answer the colour; merge and
// copyChannel answer -1 all the same).
#include <algorithm>
#include <cmath>
#include <string>

#include "swf/script/builtins/bitmapdata.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"

namespace swf::script {

namespace {

constexpr double kFailArguments = -1, kFailSource = -2, kFailSourceDisposed = -3, kFailRect = -4;

Value fail(double code) { return Value::number(code); }
Value ok() { return Value::number(0); }

// Charges a loop over `pixels` pixels to the script's step bound.
void charge(Machine& m, std::size_t pixels) { m.chargeSteps(pixels / 64 + 1); }

// `src` over `dst`, both premultiplied.
std::uint32_t over(std::uint32_t src, std::uint32_t dst) {
    std::uint32_t sa = src >> 24;
    if (sa == 0xFF) return src;
    if (sa == 0) return dst;
    std::uint32_t keep = 255 - sa;
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        std::uint32_t v = ((src >> shift) & 0xFF) + ((dst >> shift) & 0xFF) * keep / 255;
        out |= std::min<std::uint32_t>(v, 255) << shift;
    }
    return out;
}

// Every channel of a premultiplied pixel scaled by alpha / 256 (an alpha mask).
std::uint32_t scaleBy(std::uint32_t p, std::uint32_t alpha) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) out |= ((((p >> shift) & 0xFF) * alpha) >> 8) << shift;
    return out;
}

// Writes premultiplied `p` into `dst` at (x, y): opaque bitmaps show it over what they hold.
void store(BitmapCell& dst, int x, int y, std::uint32_t p, bool merge) {
    std::uint32_t& d = dst.at(x, y);
    if (!dst.transparent)
        d = over(p, d) | 0xFF000000u;
    else
        d = merge ? over(p, d) : p;
}

Value getPixel(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* b = liveBitmapOf(self);
    if (!b || args.size() < 2) return fail(kFailArguments);
    int x = toPixelInt(m, args[0]), y = toPixelInt(m, args[1]);
    if (!b->contains(x, y)) return Value::number(0);
    return Value::number(unpremultiply(b->at(x, y)) & 0xFFFFFF);
}

Value getPixel32(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* b = liveBitmapOf(self);
    if (!b || args.size() < 2) return fail(kFailArguments);
    int x = toPixelInt(m, args[0]), y = toPixelInt(m, args[1]);
    if (!b->contains(x, y)) return Value::number(0);
    return Value::number(static_cast<std::int32_t>(unpremultiply(b->at(x, y))));
}

// setPixel keeps the pixel's alpha and sets its colour.
Value setPixel(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* b = liveBitmapOf(self);
    if (!b || args.size() < 3) return fail(kFailArguments);
    int x = toPixelInt(m, args[0]), y = toPixelInt(m, args[1]);
    std::uint32_t rgb = toColor(m, args[2]) & 0xFFFFFF;
    if (b->contains(x, y)) {
        std::uint32_t alpha = unpremultiply(b->at(x, y)) & 0xFF000000u;
        b->at(x, y) = toStored(*b, alpha | rgb);
    }
    return ok();
}

Value setPixel32(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* b = liveBitmapOf(self);
    if (!b || args.size() < 3) return fail(kFailArguments);
    int x = toPixelInt(m, args[0]), y = toPixelInt(m, args[1]);
    std::uint32_t argb = toColor(m, args[2]);
    if (b->contains(x, y)) b->at(x, y) = toStored(*b, argb);
    return ok();
}

Value fillRect(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* b = liveBitmapOf(self);
    if (!b || args.size() < 2) return fail(kFailArguments);
    std::optional<PixelRect> r = readRect(m, args[0]);
    if (!r) return fail(kFailArguments);
    std::uint32_t p = toStored(*b, toColor(m, args[1]));
    PixelRect c = clipTo(*b, *r);
    charge(m, static_cast<std::size_t>(c.width) * c.height);
    for (int y = c.y; y < c.y + c.height; ++y) std::fill_n(&b->at(c.x, y), c.width, p);
    return ok();
}

Value clone(Machine& m, Value self, std::span<const Value>) {
    BitmapCell* b = liveBitmapOf(self);
    if (!b) return fail(kFailArguments);
    BitmapCell* copy = makeBitmap(m, b->width, b->height, b->transparent, 0);
    if (!copy) return Value();
    copy->pixels = b->pixels;
    charge(m, b->pixels.size());
    return wrapBitmap(m, copy);
}

// copyPixels(source, sourceRect, destPoint, alphaBitmap, alphaPoint, mergeAlpha).
// The alpha bitmap counts only with its point given; where it does not
// reach, nothing is copied.
Value copyPixels(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* dst = liveBitmapOf(self);
    if (!dst || args.size() < 3) return fail(kFailArguments);
    BitmapCell* src = bitmapOf(args[0]);
    if (!src) return fail(kFailSource);
    if (src->disposed) return fail(kFailSourceDisposed);
    std::optional<PixelRect> rect = readRect(m, args[1]);
    if (!rect) return fail(kFailRect);
    int dx = 0, dy = 0;
    readPoint(m, args[2], dx, dy);
    BitmapCell* alpha = args.size() > 4 ? liveBitmapOf(args[3]) : nullptr;
    int ax = 0, ay = 0;
    if (alpha) readPoint(m, args[4], ax, ay);
    bool merge = args.size() > 5 && m.toBoolean(args[5]);

    PixelRect from = clipTo(*src, *rect);
    // Where the source rectangle was cut, the destination moves with it.
    dx += from.x - rect->x;
    dy += from.y - rect->y;
    ax += from.x - rect->x;
    ay += from.y - rect->y;
    PixelRect to = clipTo(*dst, {dx, dy, from.width, from.height});
    int ox = to.x - dx, oy = to.y - dy;  // offset into the cut source
    charge(m, static_cast<std::size_t>(to.width) * to.height);
    for (int j = 0; j < to.height; ++j) {
        for (int i = 0; i < to.width; ++i) {
            std::uint32_t p = src->at(from.x + ox + i, from.y + oy + j);
            if (!src->transparent) p |= 0xFF000000u;
            if (alpha) {
                int px = ax + ox + i, py = ay + oy + j;
                if (!alpha->contains(px, py)) continue;
                std::uint32_t k = alpha->at(px, py) >> 24;
                p = scaleBy(p, k + (k >> 7));  // 255 keeps the pixel whole
            }
            store(*dst, to.x + i, to.y + j, p, merge);
        }
    }
    return ok();
}

// The region a two-bitmap call works on: the source rectangle cut to the
// source, moved to the destination point, cut to the destination.
struct Region {
    int sx = 0, sy = 0, dx = 0, dy = 0, width = 0, height = 0;
};

Region region(const BitmapCell& src, const BitmapCell& dst, PixelRect rect, int dx, int dy) {
    PixelRect from = clipTo(src, rect);
    dx += from.x - rect.x;
    dy += from.y - rect.y;
    PixelRect to = clipTo(dst, {dx, dy, from.width, from.height});
    return {from.x + (to.x - dx), from.y + (to.y - dy), to.x, to.y, to.width, to.height};
}

// The checks shared by merge and copyChannel: -1, -2, -3 or -4, or 0 with the region.
double twoBitmapCall(Machine& m, Value self, std::span<const Value> args, std::size_t needed, BitmapCell*& dst,
                     BitmapCell*& src, Region& r) {
    dst = liveBitmapOf(self);
    if (!dst || args.size() < needed) return kFailArguments;
    src = bitmapOf(args[0]);
    if (!src) return kFailSource;
    if (src->disposed) return kFailSourceDisposed;
    std::optional<PixelRect> rect = readRect(m, args[1]);
    if (!rect) return kFailRect;
    int dx = 0, dy = 0;
    readPoint(m, args[2], dx, dy);
    r = region(*src, *dst, *rect, dx, dy);
    charge(m, static_cast<std::size_t>(r.width) * r.height);
    return 0;
}

// A source pixel as straight ARGB.
std::uint32_t straightAt(const BitmapCell& b, int x, int y) {
    std::uint32_t p = b.at(x, y);
    return b.transparent ? unpremultiply(p) : (p | 0xFF000000u);
}

int multiplier(Machine& m, Value v) { return std::clamp(toPixelInt(m, v), 0, 256); }

// merge(source, rect, point, redMultiplier, greenMultiplier, blueMultiplier,
// alphaMultiplier): each channel of straight colour mixed as
// (source * k + dest * (256 - k)) / 256. Without the alpha multiplier the
// source alpha is taken whole. It answers -1 once done, as the reference does.
Value merge(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell *dst = nullptr, *src = nullptr;
    Region r;
    if (double code = twoBitmapCall(m, self, args, 6, dst, src, r); code != 0) return fail(code);
    int k[4] = {multiplier(m, args[5]), multiplier(m, args[4]), multiplier(m, args[3]),
                args.size() > 6 ? multiplier(m, args[6]) : 256};  // blue, green, red, alpha
    for (int j = 0; j < r.height; ++j) {
        for (int i = 0; i < r.width; ++i) {
            std::uint32_t s = straightAt(*src, r.sx + i, r.sy + j);
            std::uint32_t d = straightAt(*dst, r.dx + i, r.dy + j);
            std::uint32_t out = 0;
            for (int c = 0; c < 4; ++c) {
                int shift = c * 8;
                std::uint32_t v = (((s >> shift) & 0xFF) * k[c] + ((d >> shift) & 0xFF) * (256 - k[c])) >> 8;
                out |= v << shift;
            }
            dst->at(r.dx + i, r.dy + j) = toStored(*dst, out);
        }
    }
    return fail(kFailArguments);
}

// The bit position of a channel flag (1 red, 2 green, 4 blue, 8 alpha), or -1
// when the value names no single channel.
int channelShift(int flag) {
    switch (flag) {
    case 1: return 16;
    case 2: return 8;
    case 4: return 0;
    case 8: return 24;
    default: return -1;
    }
}

// copyChannel(source, rect, point, sourceChannel, destChannel): one channel
// of straight colour into another; a source channel that names none copies 0,
// a destination that names none leaves the bitmap alone. Answers -1 once done.
Value copyChannel(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell *dst = nullptr, *src = nullptr;
    Region r;
    if (double code = twoBitmapCall(m, self, args, 5, dst, src, r); code != 0) return fail(code);
    int from = channelShift(toPixelInt(m, args[3]));
    int to = channelShift(toPixelInt(m, args[4]));
    if (to < 0) return fail(kFailArguments);
    for (int j = 0; j < r.height; ++j) {
        for (int i = 0; i < r.width; ++i) {
            std::uint32_t v = from < 0 ? 0 : (straightAt(*src, r.sx + i, r.sy + j) >> from) & 0xFF;
            std::uint32_t d = straightAt(*dst, r.dx + i, r.dy + j);
            d = (d & ~(0xFFu << to)) | (v << to);
            dst->at(r.dx + i, r.dy + j) = toStored(*dst, d);
        }
    }
    return fail(kFailArguments);
}

// compare(other): 0 when both hold the same colours, else a new bitmap of
// the differences: 0xFFRRGGBB (each channel this minus other, modulo 256)
// where the colours differ, 0xZZFFFFFF (ZZ the alpha difference) where
// only the alpha does, transparent elsewhere. -1 for a bad or disposed
// bitmap, -2 for a bad or disposed other, -3 and -4 for different widths
// and heights.
Value compare(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* a = liveBitmapOf(self);
    if (!a) return fail(-1);
    BitmapCell* b = liveBitmapOf(arg(args, 0));
    if (!b) return fail(-2);
    if (a->width != b->width) return fail(-3);
    if (a->height != b->height) return fail(-4);
    charge(m, a->pixels.size());
    std::vector<std::uint32_t> diff(a->pixels.size(), 0);
    bool same = true;
    for (std::size_t i = 0; i < diff.size(); ++i) {
        std::uint32_t p = a->transparent ? unpremultiply(a->pixels[i]) : a->pixels[i] | 0xFF000000u;
        std::uint32_t q = b->transparent ? unpremultiply(b->pixels[i]) : b->pixels[i] | 0xFF000000u;
        if (p == q) continue;
        same = false;
        if ((p & 0xFFFFFF) != (q & 0xFFFFFF)) {
            std::uint32_t out = 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8)
                out |= ((((p >> shift) & 0xFF) - ((q >> shift) & 0xFF)) & 0xFF) << shift;
            diff[i] = out;
        } else {
            diff[i] = ((((p >> 24) - (q >> 24)) & 0xFF) << 24) | 0xFFFFFF;
        }
    }
    if (same) return Value::number(0);
    BitmapCell* out = makeBitmap(m, a->width, a->height, true, 0);
    if (!out) return Value();
    for (std::size_t i = 0; i < diff.size(); ++i) out->pixels[i] = premultiply(diff[i]);
    return wrapBitmap(m, out);
}

// threshold(source, rect, point, operation, threshold, color = 0,
// mask = 0xFFFFFFFF, copySource = false): where the source's straight ARGB
// under the mask compares true with the threshold under the mask, the
// destination takes `color`; elsewhere it takes the source pixel when
// copySource is set. Answers how many pixels matched; 0 for an unknown
// operation.
Value threshold(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell *dst = nullptr, *src = nullptr;
    Region r;
    if (double code = twoBitmapCall(m, self, args, 5, dst, src, r); code != 0) return fail(code);
    std::string op = m.toString(args[3]);
    std::uint32_t mask = args.size() > 6 ? toColor(m, args[6]) : 0xFFFFFFFFu;
    std::uint32_t limit = toColor(m, args[4]) & mask;
    std::uint32_t color = args.size() > 5 ? toColor(m, args[5]) : 0;
    bool copySource = args.size() > 7 && m.toBoolean(args[7]);
    auto test = [&](std::uint32_t v) {
        if (op == "<") return v < limit;
        if (op == "<=") return v <= limit;
        if (op == ">") return v > limit;
        if (op == ">=") return v >= limit;
        if (op == "==") return v == limit;
        if (op == "!=") return v != limit;
        return false;
    };
    // With the source and the destination one bitmap, the source is read as it was.
    std::vector<std::uint32_t> before;
    if (src == dst) before = src->pixels;
    double matched = 0;
    for (int j = 0; j < r.height; ++j) {
        for (int i = 0; i < r.width; ++i) {
            int sx = r.sx + i, sy = r.sy + j;
            std::uint32_t sp = src == dst ? before[static_cast<std::size_t>(sy) * src->width + sx] : src->at(sx, sy);
            std::uint32_t v = src->transparent ? unpremultiply(sp) : sp | 0xFF000000u;
            if (test(v & mask)) {
                dst->at(r.dx + i, r.dy + j) = toStored(*dst, color);
                ++matched;
            } else if (copySource) {
                dst->at(r.dx + i, r.dy + j) = toStored(*dst, v);
            }
        }
    }
    return Value::number(matched);
}

// paletteMap(source, rect, point, red, green, blue, alpha): each channel of
// the source's straight colour picks an entry of its array; the entries are
// added into the new ARGB. A channel without an array keeps its value.
Value paletteMap(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell *dst = nullptr, *src = nullptr;
    Region r;
    if (double code = twoBitmapCall(m, self, args, 3, dst, src, r); code != 0) return fail(code);
    // Blue, green, red, alpha, as the bytes of a pixel; 256 entries each.
    std::vector<std::uint32_t> table[4];
    const std::size_t argument[4] = {5, 4, 3, 6};
    for (int c = 0; c < 4; ++c) {
        Value list = arg(args, argument[c]);
        if (!list.isObject()) continue;
        table[c].resize(256);
        for (int i = 0; i < 256; ++i) table[c][i] = toColor(m, m.get(list.o, std::to_string(i)));
    }
    std::vector<std::uint32_t> before;
    if (src == dst) before = src->pixels;
    for (int j = 0; j < r.height; ++j) {
        for (int i = 0; i < r.width; ++i) {
            int sx = r.sx + i, sy = r.sy + j;
            std::uint32_t sp = src == dst ? before[static_cast<std::size_t>(sy) * src->width + sx] : src->at(sx, sy);
            std::uint32_t v = src->transparent ? unpremultiply(sp) : sp | 0xFF000000u;
            std::uint32_t out = 0;
            for (int c = 0; c < 4; ++c) {
                std::uint32_t channel = (v >> (c * 8)) & 0xFF;
                out += table[c].empty() ? channel << (c * 8) : table[c][channel];
            }
            dst->at(r.dx + i, r.dy + j) = toStored(*dst, out);
        }
    }
    return Value();
}

// What is not done yet: pixelDissolve, perlinNoise, and the
// filters (applyFilter, generateFilterRect: no filter engine). These only
// give the answer of a call on a disposed bitmap or with too few arguments
// (-1); any other call changes nothing and answers undefined.
template <std::size_t Needed>
Value notDoneYet(Machine&, Value self, std::span<const Value> args) {
    if (!liveBitmapOf(self) || args.size() < Needed) return fail(kFailArguments);
    return Value();
}

struct Affine {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
};

Affine readMatrix(Machine& m, Value v) {
    Affine t;
    if (!v.isObject()) return t;
    auto num = [&](const char* name, double fallback) {
        Value f = m.get(v.o, name);
        double d = f.isUndefined() ? fallback : m.toNumber(f);
        return std::isfinite(d) ? d : fallback;
    };
    t = {num("a", 1), num("b", 0), num("c", 0), num("d", 1), num("tx", 0), num("ty", 0)};
    return t;
}

// draw(source, matrix, colorTransform, blendMode, clipRect, smoothing) of
// another BitmapData: each destination pixel takes the source pixel its
// centre maps back to (nearest), through the colour transform, over what is
// there, inside clipRect. Blend modes and smoothing are not done; clips need
// the stage's drawing and are left alone.
Value draw(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* dst = liveBitmapOf(self);
    if (!dst || args.empty()) return fail(kFailArguments);
    BitmapCell* src = liveBitmapOf(args[0]);
    if (!src) return Value();
    Affine t = readMatrix(m, arg(args, 1));
    std::optional<ChannelTransform> colours = readColorTransform(m, arg(args, 2));
    PixelRect area{0, 0, dst->width, dst->height};
    if (std::optional<PixelRect> clip = readRect(m, arg(args, 4))) area = clipTo(*dst, *clip);
    double det = t.a * t.d - t.b * t.c;
    if (det == 0 || !std::isfinite(det)) return Value();
    // The inverse maps a destination point back into the source.
    double ia = t.d / det, ib = -t.b / det, ic = -t.c / det, id = t.a / det;
    charge(m, static_cast<std::size_t>(area.width) * area.height);
    for (int y = area.y; y < area.y + area.height; ++y) {
        for (int x = area.x; x < area.x + area.width; ++x) {
            double px = x + 0.5 - t.tx, py = y + 0.5 - t.ty;
            double sx = std::floor(ia * px + ic * py), sy = std::floor(ib * px + id * py);
            if (sx < 0 || sy < 0 || sx >= src->width || sy >= src->height) continue;
            std::uint32_t p = src->at(static_cast<int>(sx), static_cast<int>(sy));
            if (!src->transparent) p |= 0xFF000000u;
            if (colours) p = premultiply(colours->apply(unpremultiply(p)));
            store(*dst, x, y, p, true);
        }
    }
    return Value();
}

}  // namespace

void installBitmapPixelMethods(Realm& realm, Object* proto) {
    static constexpr Realm::Method methods[] = {
        {"getPixel", getPixel},
        {"getPixel32", getPixel32},
        {"setPixel", setPixel},
        {"setPixel32", setPixel32},
        {"fillRect", fillRect},
        {"clone", clone},
        {"copyPixels", copyPixels},
        {"draw", draw},
        {"merge", merge},
        {"copyChannel", copyChannel},
        {"compare", compare},
        {"threshold", threshold},
        {"paletteMap", paletteMap},

        {"pixelDissolve", notDoneYet<3>},
        {"perlinNoise", notDoneYet<3>},
        {"applyFilter", notDoneYet<4>},
        {"generateFilterRect", notDoneYet<2>},
    };
    realm.defineMethods(proto, methods);
}

}  // namespace swf::script
