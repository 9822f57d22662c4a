// flash.display.BitmapData, shared by its files: the pixel store attached to
// a BitmapData object, the colour conversions and the argument readers.
//
// Pixels are kept premultiplied by their alpha, 8 bits a channel, as the
// reference player keeps them: a colour read back with getPixel32 has lost
// the precision the multiplication took (0xAABBCCDD reads 0xAABBCCDC).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "swf/script/heap.h"
#include "swf/script/value.h"

namespace swf::script {

class Machine;
class Object;

// The largest side a version 8 bitmap may have.
constexpr int kMaxBitmapSide = 2880;

class BitmapCell final : public Cell {
public:
    int width = 0;
    int height = 0;
    bool transparent = true;
    bool disposed = false;
    std::vector<std::uint32_t> pixels;  // premultiplied ARGB, row after row

    std::size_t extraBytes() const override { return pixels.capacity() * sizeof(std::uint32_t); }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    // Frees the pixels; every method then answers -1.
    void dispose();
};

// The store of a BitmapData object, or null (not one, or not made by the constructor).
BitmapCell* bitmapOf(Value v);
// The store, but only while it has pixels.
inline BitmapCell* liveBitmapOf(Value v) {
    BitmapCell* b = bitmapOf(v);
    return b && !b->disposed ? b : nullptr;
}

// Makes a store of width x height filled with `argb` (straight alpha), or
// null when a side is out of range or the script heap's byte budget has no
// room for its pixels (the same answer as for a size the player refuses).
BitmapCell* makeBitmap(Machine& m, int width, int height, bool transparent, std::uint32_t argb);
// A new BitmapData object around `cell` (flash.display.BitmapData.prototype).
Value wrapBitmap(Machine& m, BitmapCell* cell);

// True when `v` is an instance of flash.geom[cls].
bool isGeomInstance(Machine& m, Value v, const char* cls);
// The multipliers and offsets of a ColorTransform, by the byte order of a
// pixel (blue, green, red, alpha).
struct ChannelTransform {
    double multiply[4] = {1, 1, 1, 1};
    double add[4] = {0, 0, 0, 0};
    // Straight ARGB through the transform, each channel kept within 0..255.
    std::uint32_t apply(std::uint32_t argb) const;
};
// The transform of a flash.geom.ColorTransform; nothing for any other value.
std::optional<ChannelTransform> readColorTransform(Machine& m, Value v);

// A new flash.geom.Rectangle.
Value makeRectangle(Machine& m, double x, double y, double width, double height);

// Straight ARGB to premultiplied (rounded to nearest) and back (through an 8.8 reciprocal).
std::uint32_t premultiply(std::uint32_t argb);
std::uint32_t unpremultiply(std::uint32_t premultiplied);
// The colour as `b` stores it: opaque bitmaps force the alpha to 0xFF.
inline std::uint32_t toStored(const BitmapCell& b, std::uint32_t argb) {
    return premultiply(b.transparent ? argb : (argb | 0xFF000000u));
}

// An integer rectangle.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
};
// A rectangle argument: an object with x, y, width and height (a Rectangle
// or any object); nothing when it is not one or lacks a field.
std::optional<PixelRect> readRect(Machine& m, Value v);
// A point argument: x and y of any object, 0 for what is missing.
void readPoint(Machine& m, Value v, int& x, int& y);
// A pixel coordinate or colour from a script number (NaN and infinities read 0).
int toPixelInt(Machine& m, Value v);
std::uint32_t toColor(Machine& m, Value v);

// `r` cut to the bitmap's bounds.
PixelRect clipTo(const BitmapCell& b, PixelRect r);

inline Value arg(std::span<const Value> args, std::size_t i) { return i < args.size() ? args[i] : Value(); }

// The generator of noise(): x' = x * 16807 mod (2^31 - 1), from a script seed.
class NoiseGenerator {
public:
    explicit NoiseGenerator(double seed);
    std::uint32_t next();

private:
    static constexpr std::uint64_t kModulus = 2147483647u;
    std::uint32_t state_ = 1;
};

// Installers of the method families on BitmapData.prototype.
class Realm;
void installBitmapPixelMethods(Realm& realm, Object* proto);  // bitmapdata_pixels.cpp
void installBitmapNoise(Realm& realm, Object* proto);         // bitmapdata_noise.cpp
void installBitmapAreaMethods(Realm& realm, Object* proto);   // bitmapdata_areas.cpp

}  // namespace swf::script
