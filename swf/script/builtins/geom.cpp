// The flash.geom package, seen by version 8 movies (a script may lift the
// flag with ASSetPropFlags): Point, Matrix, and Transform as a bare class.
//
// The reference player's Point and Matrix keep their fields as plain
// properties, whatever was stored there, and compute with the script's own
// operators: `+` joins strings, the rest converts to numbers. The natives
// here do the same, so a Point of strings prints the way it does there.
#include <cmath>
#include <string>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

Value nothing(Machine&, Value, std::span<const Value>) { return Value(); }

Value arg(std::span<const Value> args, std::size_t i) { return i < args.size() ? args[i] : Value(); }

// The script's `a + b`: the right operand is converted first; a string on either side joins.
Value plus(Machine& m, Value a, Value b) {
    b = m.toPrimitive(b);
    a = m.toPrimitive(a);
    if (a.isString() || b.isString()) return m.str(m.toString(a) + m.toString(b));
    return Value::number(m.toNumber(a) + m.toNumber(b));
}

double num(Machine& m, Object* o, const char* name) { return m.toNumber(m.get(o, name)); }

// o[name] for any value: strings, numbers and booleans read their prototype's members.
Value field(Machine& m, Value o, const char* name) { return o.isUndefined() || o.isNull() ? Value() : m.get(o, name); }

// _global.flash.geom[name], as installed (raw reads: scripts cannot redirect it).
Value geomClass(Machine& m, const char* name) {
    const Property* flash = m.realm().global->findOwn("flash", false);
    if (!flash || !flash->value.isObject()) return Value();
    const Property* geom = flash->value.o->findOwn("geom", false);
    if (!geom || !geom->value.isObject()) return Value();
    const Property* cls = geom->value.o->findOwn(name, false);
    return cls ? cls->value : Value();
}

Value newPoint(Machine& m, Value x, Value y) {
    Value args[] = {x, y};
    return m.construct(geomClass(m, "Point"), args);
}

// "(x=1, y=2)" from the named fields.
Value describe(Machine& m, Value self, std::initializer_list<const char*> names) {
    if (!self.isObject()) return Value();
    std::string out = "(";
    bool first = true;
    for (const char* name : names) {
        if (!first) out += ", ";
        first = false;
        out += name;
        out += '=';
        out += m.toString(m.get(self.o, name));
    }
    out += ')';
    return m.str(std::move(out));
}

// ---------------------------------------------------------------- Point

// new Point(): the origin; with arguments, the fields take them as they are.
Value pointCall(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    bool none = args.empty();
    m.set(self.o, "x", none ? Value::number(0) : arg(args, 0));
    m.set(self.o, "y", none ? Value::number(0) : arg(args, 1));
    return Value();
}

Value pointLength(Machine& m, Value self, std::span<const Value>) {
    if (!self.isObject()) return Value();
    double x = num(m, self.o, "x"), y = num(m, self.o, "y");
    return Value::number(std::sqrt(x * x + y * y));
}

Value pointToString(Machine& m, Value self, std::span<const Value>) { return describe(m, self, {"x", "y"}); }

Value pointAdd(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    Value p = arg(args, 0);
    return newPoint(m, plus(m, m.get(self.o, "x"), field(m, p, "x")), plus(m, m.get(self.o, "y"), field(m, p, "y")));
}

Value pointSubtract(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    Value p = arg(args, 0);
    return newPoint(m, Value::number(num(m, self.o, "x") - m.toNumber(field(m, p, "x"))),
                    Value::number(num(m, self.o, "y") - m.toNumber(field(m, p, "y"))));
}

Value pointClone(Machine& m, Value self, std::span<const Value>) {
    if (!self.isObject()) return Value();
    return newPoint(m, m.get(self.o, "x"), m.get(self.o, "y"));
}

Value pointEquals(Machine& m, Value self, std::span<const Value> args) {
    Value p = arg(args, 0);
    if (!self.isObject() || !p.isObject() ||
        !m.instanceOf(p, geomClass(m, "Point").isObject() ? geomClass(m, "Point").o : nullptr))
        return Value::boolean(false);
    return Value::boolean(Machine::strictEquals(m.get(self.o, "x"), m.get(p.o, "x")) &&
                          Machine::strictEquals(m.get(self.o, "y"), m.get(p.o, "y")));
}

Value pointNormalize(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    double x = num(m, self.o, "x"), y = num(m, self.o, "y");
    double len = std::sqrt(x * x + y * y);
    double want = m.toNumber(arg(args, 0));
    if (len > 0) {
        m.set(self.o, "x", Value::number(x * want / len));
        m.set(self.o, "y", Value::number(y * want / len));
    }
    return Value();
}

Value pointOffset(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    m.set(self.o, "x", plus(m, m.get(self.o, "x"), arg(args, 0)));
    m.set(self.o, "y", plus(m, m.get(self.o, "y"), arg(args, 1)));
    return Value();
}

// Point.distance(a, b): the length of a.subtract(b); undefined when a cannot subtract.
Value pointDistance(Machine& m, Value, std::span<const Value> args) {
    if (args.size() < 2) return Value();
    Value a = args[0];
    Value fn = a.isObject() ? m.get(a.o, "subtract") : Value();
    if (!fn.isObject() || !fn.o->isFunction()) return Value();
    Value diff = m.call(fn, a, args.subspan(1, 1));
    return field(m, diff, "length");
}

// Point.interpolate(p1, p2, f): p2 + (p1 - p2) * f, field by field.
Value pointInterpolate(Machine& m, Value, std::span<const Value> args) {
    Value p1 = arg(args, 0), p2 = arg(args, 1);
    double f = m.toNumber(arg(args, 2));
    auto mix = [&](const char* name) {
        Value b = field(m, p2, name);
        double d = (m.toNumber(field(m, p1, name)) - m.toNumber(b)) * f;
        return plus(m, b, Value::number(d));
    };
    Value x = mix("x");
    Value y = mix("y");
    return newPoint(m, x, y);
}

Value pointPolar(Machine& m, Value, std::span<const Value> args) {
    double len = m.toNumber(arg(args, 0)), angle = m.toNumber(arg(args, 1));
    return newPoint(m, Value::number(len * std::cos(angle)), Value::number(len * std::sin(angle)));
}

// ---------------------------------------------------------------- Matrix

constexpr const char* kMatrixFields[] = {"a", "b", "c", "d", "tx", "ty"};

struct Affine {
    double a, b, c, d, tx, ty;
};

Affine readAffine(Machine& m, Object* o) {
    return {num(m, o, "a"), num(m, o, "b"), num(m, o, "c"), num(m, o, "d"), num(m, o, "tx"), num(m, o, "ty")};
}

void writeAffine(Machine& m, Object* o, const Affine& t) {
    const double values[] = {t.a, t.b, t.c, t.d, t.tx, t.ty};
    for (int i = 0; i < 6; ++i) m.set(o, kMatrixFields[i], Value::number(values[i]));
}

// t followed by u (u applied after t).
Affine then(const Affine& t, const Affine& u) {
    return {t.a * u.a + t.b * u.c, t.a * u.b + t.b * u.d,          t.c * u.a + t.d * u.c,
            t.c * u.b + t.d * u.d, t.tx * u.a + t.ty * u.c + u.tx, t.tx * u.b + t.ty * u.d + u.ty};
}

// new Matrix(): the identity; with arguments, the fields take them as they are.
Value matrixCall(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    if (args.empty()) {
        writeAffine(m, self.o, {1, 0, 0, 1, 0, 0});
        return Value();
    }
    for (std::size_t i = 0; i < 6; ++i) m.set(self.o, kMatrixFields[i], arg(args, i));
    return Value();
}

Value matrixToString(Machine& m, Value self, std::span<const Value>) {
    return describe(m, self, {"a", "b", "c", "d", "tx", "ty"});
}

Value matrixClone(Machine& m, Value self, std::span<const Value>) {
    if (!self.isObject()) return Value();
    Object* o = self.o;
    Value args[6];
    for (int i = 0; i < 6; ++i) args[i] = m.get(o, kMatrixFields[i]);
    return m.construct(geomClass(m, "Matrix"), args);
}

Value matrixIdentity(Machine& m, Value self, std::span<const Value>) {
    if (self.isObject()) writeAffine(m, self.o, {1, 0, 0, 1, 0, 0});
    return Value();
}

Value matrixTranslate(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    Object* o = self.o;
    m.set(o, "tx", Value::number(num(m, o, "tx") + m.toNumber(arg(args, 0))));
    m.set(o, "ty", Value::number(num(m, o, "ty") + m.toNumber(arg(args, 1))));
    return Value();
}

// rotate and scale hand a new Matrix to this.concat: copied onto an object
// without a concat method they do nothing, as the reference player's.
Value concatWith(Machine& m, Value self, const Affine& t) {
    Value fields[] = {Value::number(t.a), Value::number(t.b),  Value::number(t.c),
                      Value::number(t.d), Value::number(t.tx), Value::number(t.ty)};
    Value other = m.construct(geomClass(m, "Matrix"), fields);
    m.callMethod(self, "concat", std::span<const Value>(&other, 1));
    return Value();
}

Value matrixScale(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    return concatWith(m, self, {m.toNumber(arg(args, 0)), 0, 0, m.toNumber(arg(args, 1)), 0, 0});
}

Value matrixRotate(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    double q = m.toNumber(arg(args, 0));
    double c = std::cos(q), s = std::sin(q);
    return concatWith(m, self, {c, s, -s, c, 0, 0});
}

Value matrixConcat(Machine& m, Value self, std::span<const Value> args) {
    Value other = arg(args, 0);
    if (!self.isObject() || !other.isObject()) return Value();
    Object* o = self.o;
    writeAffine(m, o, then(readAffine(m, o), readAffine(m, other.o)));
    return Value();
}

Value matrixInvert(Machine& m, Value self, std::span<const Value>) {
    if (!self.isObject()) return Value();
    Object* o = self.o;
    Affine t = readAffine(m, o);
    double det = t.a * t.d - t.b * t.c;
    if (det == 0) {  // no inverse: the identity
        writeAffine(m, o, {1, 0, 0, 1, 0, 0});
        return Value();
    }
    writeAffine(m, o, {t.d / det, -t.b / det, -t.c / det, t.a / det, t.tx, t.ty});
    // The translation comes from this.deltaTransformPoint of the old one,
    // so an object without that method gets NaN there.
    Value moved = newPoint(m, Value::number(t.tx), Value::number(t.ty));
    Value p = m.callMethod(self, "deltaTransformPoint", std::span<const Value>(&moved, 1));
    m.set(o, "tx", Value::number(-m.toNumber(field(m, p, "x"))));
    m.set(o, "ty", Value::number(-m.toNumber(field(m, p, "y"))));
    return Value();
}

// An optional argument: 0 when left out, as given otherwise.
Value given(std::span<const Value> args, std::size_t i) { return i < args.size() ? args[i] : Value::number(0); }

// createBox(scaleX, scaleY, rotation, tx, ty): this.identity(), this.rotate,
// this.scale, then the translation; an object lacking those methods only
// gets the translation, as with the reference player.
Value matrixCreateBox(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    m.callMethod(self, "identity", {});
    Value rotation = arg(args, 2);
    m.callMethod(self, "rotate", std::span<const Value>(&rotation, 1));
    Value scales[] = {arg(args, 0), arg(args, 1)};
    m.callMethod(self, "scale", scales);
    m.set(self.o, "tx", given(args, 3));
    m.set(self.o, "ty", given(args, 4));
    return Value();
}

// createGradientBox(width, height, rotation, tx, ty): this.createBox for the
// gradient square (1638.4 units wide) fitted to the box.
Value matrixCreateGradientBox(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    double width = m.toNumber(arg(args, 0)), height = m.toNumber(arg(args, 1));
    Value box[] = {Value::number(width / 1638.4), Value::number(height / 1638.4), given(args, 2),
                   plus(m, given(args, 3), Value::number(width / 2)),
                   plus(m, given(args, 4), Value::number(height / 2))};
    m.callMethod(self, "createBox", box);
    return Value();
}

Value transformPoint(Machine& m, Value self, std::span<const Value> args, bool delta) {
    if (!self.isObject()) return Value();
    Affine t = readAffine(m, self.o);
    Value p = arg(args, 0);
    double x = m.toNumber(field(m, p, "x")), y = m.toNumber(field(m, p, "y"));
    double ox = delta ? 0 : t.tx, oy = delta ? 0 : t.ty;
    return newPoint(m, Value::number(t.a * x + t.c * y + ox), Value::number(t.b * x + t.d * y + oy));
}

Value matrixTransformPoint(Machine& m, Value self, std::span<const Value> args) {
    return transformPoint(m, self, args, false);
}

Value matrixDeltaTransformPoint(Machine& m, Value self, std::span<const Value> args) {
    return transformPoint(m, self, args, true);
}

}  // namespace

void installGeom(Realm& realm) {
    Heap& heap = realm.heap;
    bool cs = realm.machine.caseSensitive();
    Object* flash = realm.newObject();
    realm.global->define(heap, "flash", Value::object(flash), DontEnum | OnlyV8, cs);
    Object* geom = realm.newObject();
    flash->define(heap, "geom", Value::object(geom), DontEnum, cs);
    auto member = [&](const char* name, FunctionObject* ctor) {
        geom->define(heap, name, Value::object(ctor), DontEnum, cs);
        return static_cast<Object*>(ctor->findOwn("prototype", true)->value.o);
    };

    member("Transform", realm.defineClass({}, nothing, nullptr, nullptr));

    static constexpr Realm::Method pointMethods[] = {
        {"add", pointAdd},           {"subtract", pointSubtract},   {"clone", pointClone},
        {"equals", pointEquals},     {"normalize", pointNormalize}, {"offset", pointOffset},
        {"toString", pointToString},
    };
    // Point's members show in for..in, as the reference player's do.
    FunctionObject* point = realm.defineClass({}, pointCall, nullptr, nullptr);
    Object* pointProto = member("Point", point);
    realm.defineMethods(pointProto, pointMethods, 0);
    realm.defineAccessor(pointProto, "length", pointLength, nullptr, 0);
    static constexpr Realm::Method pointStatics[] = {
        {"distance", pointDistance},
        {"interpolate", pointInterpolate},
        {"polar", pointPolar},
    };
    realm.defineMethods(point, pointStatics);

    static constexpr Realm::Method matrixMethods[] = {
        {"toString", matrixToString},
        {"clone", matrixClone},
        {"identity", matrixIdentity},
        {"translate", matrixTranslate},
        {"scale", matrixScale},
        {"rotate", matrixRotate},
        {"concat", matrixConcat},
        {"invert", matrixInvert},
        {"createBox", matrixCreateBox},
        {"createGradientBox", matrixCreateGradientBox},
        {"transformPoint", matrixTransformPoint},
        {"deltaTransformPoint", matrixDeltaTransformPoint},
    };
    member("Matrix", realm.defineClass({}, matrixCall, nullptr, nullptr, matrixMethods));
}

}  // namespace swf::script
