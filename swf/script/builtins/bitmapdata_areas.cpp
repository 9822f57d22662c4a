// BitmapData's methods over areas of one bitmap: floodFill, scroll,
// getColorBoundsRect, colorTransform and hitTest. Each visits every pixel at most a bounded number of
// times and charges the script's step bound for it, so a script cannot make
// one call run long.
#include <algorithm>
#include <cmath>
#include <vector>

#include "swf/script/builtins/bitmapdata.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"

namespace swf::script {

namespace {

// floodFill(x, y, color): the 4-connected area of the colour at (x, y)
// takes `color`. An explicit list of pixels to visit, each pixel entering
// it at most once, so memory stays within the bitmap's own size.
Value floodFill(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* b = liveBitmapOf(self);
    if (!b || args.size() < 3) return Value::number(-1);
    int x = toPixelInt(m, args[0]), y = toPixelInt(m, args[1]);
    std::uint32_t fill = toStored(*b, toColor(m, args[2]));
    if (!b->contains(x, y)) return Value::number(0);
    std::uint32_t target = b->at(x, y);
    if (target == fill) return Value::number(0);
    m.chargeSteps(b->pixels.size() / 64 + 1);
    std::vector<std::uint32_t> todo;
    todo.push_back(static_cast<std::uint32_t>(y) * b->width + x);
    b->pixels[todo.back()] = fill;
    while (!todo.empty()) {
        std::uint32_t at = todo.back();
        todo.pop_back();
        int px = static_cast<int>(at % b->width), py = static_cast<int>(at / b->width);
        const int next[4][2] = {{px - 1, py}, {px + 1, py}, {px, py - 1}, {px, py + 1}};
        for (const auto& n : next) {
            if (!b->contains(n[0], n[1]) || b->at(n[0], n[1]) != target) continue;
            b->at(n[0], n[1]) = fill;  // marked when queued: queued once
            todo.push_back(static_cast<std::uint32_t>(n[1]) * b->width + n[0]);
        }
    }
    return Value::number(0);
}

// scroll(x, y): the pixels move by (x, y); what is uncovered keeps its old pixels.
Value scroll(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* b = liveBitmapOf(self);
    if (!b || args.size() < 2) return Value::number(-1);
    int dx = toPixelInt(m, args[0]), dy = toPixelInt(m, args[1]);
    if (dx >= b->width || -dx >= b->width || dy >= b->height || -dy >= b->height) return Value::number(0);
    m.chargeSteps(b->pixels.size() / 64 + 1);
    std::vector<std::uint32_t> old = b->pixels;
    for (int y = 0; y < b->height; ++y) {
        int sy = y - dy;
        if (sy < 0 || sy >= b->height) continue;
        for (int x = 0; x < b->width; ++x) {
            int sx = x - dx;
            if (sx >= 0 && sx < b->width) b->at(x, y) = old[static_cast<std::size_t>(sy) * b->width + sx];
        }
    }
    return Value::number(0);
}

// getColorBoundsRect(mask, color, findColor = true): the smallest rectangle
// holding every pixel whose straight ARGB under `mask` is (or, with
// findColor false, is not) `color`; an empty rectangle when none is.
Value getColorBoundsRect(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* b = liveBitmapOf(self);
    if (!b || args.size() < 2) return Value::number(-1);
    std::uint32_t mask = toColor(m, args[0]), color = toColor(m, args[1]) & mask;
    bool find = args.size() < 3 || m.toBoolean(args[2]);
    m.chargeSteps(b->pixels.size() / 64 + 1);
    int x0 = b->width, y0 = b->height, x1 = -1, y1 = -1;
    for (int y = 0; y < b->height; ++y) {
        for (int x = 0; x < b->width; ++x) {
            std::uint32_t p = b->transparent ? unpremultiply(b->at(x, y)) : b->at(x, y) | 0xFF000000u;
            if (((p & mask) == color) != find) continue;
            x0 = std::min(x0, x);
            y0 = std::min(y0, y);
            x1 = std::max(x1, x);
            y1 = std::max(y1, y);
        }
    }
    if (x1 < 0) return makeRectangle(m, 0, 0, 0, 0);
    return makeRectangle(m, x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

// colorTransform(rect, transform): inside the rectangle, each channel of
// straight colour becomes channel * multiplier + offset, kept within 0..255.
// Only a ColorTransform counts: a plain object with the same fields changes nothing.
Value colorTransform(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* b = liveBitmapOf(self);
    if (!b || args.size() < 2) return Value::number(-1);
    std::optional<PixelRect> rect = readRect(m, args[0]);
    std::optional<ChannelTransform> t = readColorTransform(m, args[1]);
    if (!rect || !t) return Value::number(-1);
    PixelRect r = clipTo(*b, *rect);
    m.chargeSteps(static_cast<std::size_t>(r.width) * r.height / 64 + 1);
    for (int y = r.y; y < r.y + r.height; ++y) {
        for (int x = r.x; x < r.x + r.width; ++x) {
            std::uint32_t p = b->transparent ? unpremultiply(b->at(x, y)) : b->at(x, y) | 0xFF000000u;
            std::uint32_t out = t->apply(p);
            b->at(x, y) = toStored(*b, out);
        }
    }
    return Value();
}

// hitTest(firstPoint, firstAlphaThreshold, secondObject, secondBitmapPoint,
// secondAlphaThreshold): whether a pixel of this bitmap, placed with its top
// left at firstPoint, whose alpha reaches the threshold meets the second
// object: a Point, a Rectangle, or another BitmapData placed at its point
// with its own threshold. An opaque bitmap reaches every threshold.
Value hitTest(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* b = liveBitmapOf(self);
    if (!b || args.size() < 3) return Value::number(-1);
    int ox = 0, oy = 0;
    readPoint(m, args[0], ox, oy);
    std::uint32_t threshold = std::clamp(toPixelInt(m, args[1]), 0, 255);
    auto solid = [](const BitmapCell& c, int x, int y, std::uint32_t limit) {
        return !c.transparent || (c.at(x, y) >> 24) >= limit;
    };
    Value other = args[2];
    if (BitmapCell* c = liveBitmapOf(other)) {
        int cx = 0, cy = 0;
        readPoint(m, arg(args, 3), cx, cy);
        std::uint32_t otherThreshold = std::clamp(toPixelInt(m, arg(args, 4)), 0, 255);
        // The overlap, in this bitmap's pixels.
        PixelRect r = clipTo(*b, {cx - ox, cy - oy, c->width, c->height});
        m.chargeSteps(static_cast<std::size_t>(r.width) * r.height / 64 + 1);
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x)
                if (solid(*b, x, y, threshold) && solid(*c, x + ox - cx, y + oy - cy, otherThreshold))
                    return Value::boolean(true);
        return Value::boolean(false);
    }
    if (isGeomInstance(m, other, "Rectangle")) {
        std::optional<PixelRect> rect = readRect(m, other);
        if (!rect) return Value::boolean(false);
        PixelRect r = clipTo(*b, {rect->x - ox, rect->y - oy, rect->width, rect->height});
        m.chargeSteps(static_cast<std::size_t>(r.width) * r.height / 64 + 1);
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x)
                if (solid(*b, x, y, threshold)) return Value::boolean(true);
        return Value::boolean(false);
    }
    if (!other.isObject()) return Value::boolean(false);
    int px = 0, py = 0;
    readPoint(m, other, px, py);
    px -= ox;
    py -= oy;
    return Value::boolean(b->contains(px, py) && solid(*b, px, py, threshold));
}

}  // namespace

void installBitmapAreaMethods(Realm& realm, Object* proto) {
    static constexpr Realm::Method methods[] = {
        {"floodFill", floodFill},           {"scroll", scroll},   {"getColorBoundsRect", getColorBoundsRect},
        {"colorTransform", colorTransform}, {"hitTest", hitTest},
    };
    realm.defineMethods(proto, methods);
}

}  // namespace swf::script
