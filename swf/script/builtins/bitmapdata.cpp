// flash.display.BitmapData for version 8 movies: the pixel store, the
// constructor, the read-only properties and dispose; the pixel methods are in
// bitmapdata_pixels.cpp. Also a plain flash.geom.Rectangle, which BitmapData
// hands out (`rectangle`) and takes, when none was installed before.
//
// Every store's pixels count against the script heap's byte budget (the
// player sets it): a bitmap that would pass it is refused the way the
// reference player refuses a side over 2880 pixels, `new` giving undefined.
#include "swf/script/builtins/bitmapdata.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"

namespace swf::script {

constexpr std::uint32_t kUnpremultiplyRounding = 127;

void BitmapCell::dispose() {
    disposed = true;
    width = height = 0;
    std::vector<std::uint32_t>().swap(pixels);
}

std::uint32_t premultiply(std::uint32_t argb) {
    std::uint32_t a = argb >> 24;
    if (a == 0xFF) return argb;
    auto ch = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    return (a << 24) | (ch((argb >> 16) & 0xFF) << 16) | (ch((argb >> 8) & 0xFF) << 8) | ch(argb & 0xFF);
}

std::uint32_t unpremultiply(std::uint32_t p) {
    std::uint32_t a = p >> 24;
    if (a == 0xFF) return p;
    if (a == 0) return 0;
    // c * 255 / a through an 8.8 reciprocal of the alpha, rounded: the
    // precision the reference's getPixel32 shows (147 at alpha 170 reads
    // 220, 50 at alpha 152 reads 84, 207 at alpha 247 reads 213).
    std::uint32_t reciprocal = 0xFF00u / a;
    auto ch = [reciprocal](std::uint32_t c) {
        std::uint32_t v = (c * reciprocal + kUnpremultiplyRounding) >> 8;
        return v > 255 ? 255u : v;
    };
    return (a << 24) | (ch((p >> 16) & 0xFF) << 16) | (ch((p >> 8) & 0xFF) << 8) | ch(p & 0xFF);
}

BitmapCell* bitmapOf(Value v) {
    if (!v.isObject()) return nullptr;
    return dynamic_cast<BitmapCell*>(v.o->nativeData());
}

BitmapCell* makeBitmap(Machine& m, int width, int height, bool transparent, std::uint32_t argb) {
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide) return nullptr;
    std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * sizeof(std::uint32_t);
    Heap& heap = m.heap();
    if (heap.bytes() + bytes + sizeof(BitmapCell) > heap.budget()) return nullptr;
    // Filling the pixels is work: a loop making big bitmaps meets the step bound.
    m.chargeSteps(bytes / 64 + 1);
    auto* cell = heap.make<BitmapCell>();
    cell->width = width;
    cell->height = height;
    cell->transparent = transparent;
    cell->pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), toStored(*cell, argb));
    heap.charge(bytes);
    return cell;
}

int toPixelInt(Machine& m, Value v) {
    double d = m.toNumber(v);
    if (!std::isfinite(d)) return 0;
    return toInt32(d);
}

std::uint32_t toColor(Machine& m, Value v) { return toUint32(m.toNumber(v)); }

std::optional<PixelRect> readRect(Machine& m, Value v) {
    if (!v.isObject()) return std::nullopt;
    const char* names[] = {"x", "y", "width", "height"};
    int out[4];
    for (int i = 0; i < 4; ++i) {
        Value f = m.get(v.o, names[i]);
        if (f.isUndefined()) return std::nullopt;
        out[i] = toPixelInt(m, f);
    }
    return PixelRect{out[0], out[1], out[2], out[3]};
}

void readPoint(Machine& m, Value v, int& x, int& y) {
    x = y = 0;
    if (!v.isObject()) return;
    x = toPixelInt(m, m.get(v.o, "x"));
    y = toPixelInt(m, m.get(v.o, "y"));
}

PixelRect clipTo(const BitmapCell& b, PixelRect r) {
    long long x0 = std::max<long long>(r.x, 0), y0 = std::max<long long>(r.y, 0);
    long long x1 = std::min<long long>(static_cast<long long>(r.x) + std::max(r.width, 0), b.width);
    long long y1 = std::min<long long>(static_cast<long long>(r.y) + std::max(r.height, 0), b.height);
    if (x1 <= x0 || y1 <= y0) return {static_cast<int>(x0), static_cast<int>(y0), 0, 0};
    return {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
}

namespace {

// _global.flash[package][name], as installed (raw reads: scripts cannot redirect it).
Value packageMember(Machine& m, const char* package, const char* name) {
    const Property* flash = m.realm().global->findOwn("flash", false);
    if (!flash || !flash->value.isObject()) return Value();
    const Property* pkg = flash->value.o->findOwn(package, false);
    if (!pkg || !pkg->value.isObject()) return Value();
    const Property* cls = pkg->value.o->findOwn(name, false);
    return cls ? cls->value : Value();
}

// The store for new BitmapData(width, height, transparent = true, fillColor = 0xFFFFFFFF).
BitmapCell* storeFromArguments(Machine& m, std::span<const Value> args) {
    if (args.size() < 2) return nullptr;
    int width = toPixelInt(m, args[0]);
    int height = toPixelInt(m, args[1]);
    bool transparent = args.size() > 2 ? m.toBoolean(args[2]) : true;
    std::uint32_t fill = args.size() > 3 ? toColor(m, args[3]) : 0xFFFFFFFFu;
    return makeBitmap(m, width, height, transparent, fill);
}

// `new BitmapData(...)`: undefined when the size is refused.
Value bitmapConstruct(Machine& m, Value, std::span<const Value> args) {
    BitmapCell* cell = storeFromArguments(m, args);
    if (!cell) return Value();
    return wrapBitmap(m, cell);
}

// BitmapData called on an object (super() from a subclass): the store goes on `this`.
Value bitmapCall(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    if (BitmapCell* cell = storeFromArguments(m, args)) self.o->setNativeData(cell);
    return Value();
}

Value getWidth(Machine&, Value self, std::span<const Value>) {
    BitmapCell* b = bitmapOf(self);
    if (!b) return Value();
    return Value::number(b->disposed ? -1 : b->width);
}

Value getHeight(Machine&, Value self, std::span<const Value>) {
    BitmapCell* b = bitmapOf(self);
    if (!b) return Value();
    return Value::number(b->disposed ? -1 : b->height);
}

Value getTransparent(Machine&, Value self, std::span<const Value>) {
    BitmapCell* b = bitmapOf(self);
    if (!b) return Value();
    if (b->disposed) return Value::number(-1);
    return Value::boolean(b->transparent);
}

Value getRectangle(Machine& m, Value self, std::span<const Value>) {
    BitmapCell* b = bitmapOf(self);
    if (!b) return Value();
    if (b->disposed) return Value::number(-1);
    return makeRectangle(m, 0, 0, b->width, b->height);
}

// dispose(): a second one answers -1, as every call on a disposed bitmap.
Value dispose(Machine&, Value self, std::span<const Value>) {
    BitmapCell* b = bitmapOf(self);
    if (!b) return Value();
    if (b->disposed) return Value::number(-1);
    b->dispose();
    return Value();
}

// ---------------------------------------------------------------- Rectangle

// new Rectangle(x, y, width, height): the fields as given; all 0 without arguments.
Value rectangleCall(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    const char* names[] = {"x", "y", "width", "height"};
    for (std::size_t i = 0; i < 4; ++i) m.set(self.o, names[i], args.empty() ? Value::number(0) : arg(args, i));
    return Value();
}

Value rectangleToString(Machine& m, Value self, std::span<const Value>) {
    if (!self.isObject()) return Value();
    std::string out = "(x=" + m.toString(m.get(self.o, "x")) + ", y=" + m.toString(m.get(self.o, "y")) +
                      ", w=" + m.toString(m.get(self.o, "width")) + ", h=" + m.toString(m.get(self.o, "height")) + ")";
    return m.str(std::move(out));
}

Object* packageObject(Realm& realm, Object* parent, const char* name, std::uint16_t flags) {
    bool cs = realm.machine.caseSensitive();
    if (Property* p = parent->findOwn(name, cs); p && p->value.isObject()) return p->value.o;
    Object* pkg = realm.newObject();
    parent->define(realm.heap, name, Value::object(pkg), flags, cs);
    return pkg;
}

}  // namespace

bool isGeomInstance(Machine& m, Value v, const char* cls) {
    Value ctor = packageMember(m, "geom", cls);
    return v.isObject() && ctor.isObject() && m.instanceOf(v, ctor.o);
}

std::uint32_t ChannelTransform::apply(std::uint32_t argb) const {
    std::uint32_t out = 0;
    for (int c = 0; c < 4; ++c) {
        double v = ((argb >> (c * 8)) & 0xFF) * multiply[c] + add[c];
        out |= static_cast<std::uint32_t>(std::clamp(v, 0.0, 255.0)) << (c * 8);
    }
    return out;
}

std::optional<ChannelTransform> readColorTransform(Machine& m, Value v) {
    if (!isGeomInstance(m, v, "ColorTransform")) return std::nullopt;
    const char* multipliers[] = {"blueMultiplier", "greenMultiplier", "redMultiplier", "alphaMultiplier"};
    const char* offsets[] = {"blueOffset", "greenOffset", "redOffset", "alphaOffset"};
    ChannelTransform t;
    for (int c = 0; c < 4; ++c) {
        t.multiply[c] = m.toNumber(m.get(v.o, multipliers[c]));
        t.add[c] = m.toNumber(m.get(v.o, offsets[c]));
        if (!std::isfinite(t.multiply[c])) t.multiply[c] = 0;
        if (!std::isfinite(t.add[c])) t.add[c] = 0;
    }
    return t;
}

Value makeRectangle(Machine& m, double x, double y, double width, double height) {
    Value fields[] = {Value::number(x), Value::number(y), Value::number(width), Value::number(height)};
    return m.construct(packageMember(m, "geom", "Rectangle"), fields);
}

Value wrapBitmap(Machine& m, BitmapCell* cell) {
    Value ctor = packageMember(m, "display", "BitmapData");
    Value proto = ctor.isObject() ? m.get(ctor.o, "prototype") : Value();
    Object* obj = m.heap().make<Object>(proto.isObject() ? proto.o : m.realm().objectProto);
    if (ctor.isObject()) obj->define(m.heap(), "__constructor__", ctor, DontEnum, m.caseSensitive());
    obj->setNativeData(cell);
    return Value::object(obj);
}

void installBitmapData(Realm& realm) {
    bool cs = realm.machine.caseSensitive();
    Object* flash = packageObject(realm, realm.global, "flash", DontEnum | OnlyV8);
    Object* display = packageObject(realm, flash, "display", DontEnum);
    Object* geom = packageObject(realm, flash, "geom", DontEnum);

    FunctionObject* ctor = realm.makeFunction(bitmapCall, bitmapConstruct);
    Object* proto = realm.newObject();
    ctor->define(realm.heap, "prototype", Value::object(proto), DontEnum | DontDelete, cs);
    proto->define(realm.heap, "constructor", Value::object(ctor), DontEnum, cs);
    display->define(realm.heap, "BitmapData", Value::object(ctor), DontEnum, cs);

    realm.defineAccessor(proto, "width", getWidth, nullptr);
    realm.defineAccessor(proto, "height", getHeight, nullptr);
    realm.defineAccessor(proto, "transparent", getTransparent, nullptr);
    realm.defineAccessor(proto, "rectangle", getRectangle, nullptr);
    realm.defineMethod(proto, "dispose", dispose);
    installBitmapPixelMethods(realm, proto);
    installBitmapNoise(realm, proto);
    installBitmapAreaMethods(realm, proto);

    if (!geom->findOwn("Rectangle", cs)) {
        FunctionObject* rect = realm.makeFunction(rectangleCall);
        Object* rectProto = realm.newObject();
        rect->define(realm.heap, "prototype", Value::object(rectProto), DontEnum | DontDelete, cs);
        rectProto->define(realm.heap, "constructor", Value::object(rect), DontEnum, cs);
        realm.defineMethod(rectProto, "toString", rectangleToString);
        geom->define(realm.heap, "Rectangle", Value::object(rect), DontEnum, cs);
    }
}

}  // namespace swf::script
