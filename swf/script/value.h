// Script values and the conversions between primitive values, as each file
// version has them. Conversions that may run script (an object's valueOf or
// toString) are on the Machine; the ones here see primitives only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "swf/script/heap.h"

namespace swf::script {

class Object;

// An immutable string on the heap. Most own their bytes. A string built by
// appending to a long one may share that string's buffer: the buffer has room
// past its end, and an append to the string that ends where the buffer's used
// part ends writes there instead of copying the whole, so that building a
// string piece by piece takes linear time. Bytes once written never move or
// change, so every sharer's view stays valid.
class Str final : public Cell {
public:
    explicit Str(std::string s) : own_(std::move(s)), data_(own_.data()), size_(own_.size()) {}
    // `head` followed by `tail`.
    Str(const Str& head, std::string_view tail);
    Str(const Str&) = delete;
    Str& operator=(const Str&) = delete;

    std::string_view view() const { return {data_, size_}; }
    // Each sharer is charged its own length: the buffer is at most half as
    // large again as the string that made it, and every sharer is longer.
    std::size_t extraBytes() const override { return buffer_ ? size_ : own_.capacity(); }

private:
    struct Buffer {
        std::unique_ptr<char[]> bytes;
        std::size_t capacity = 0, used = 0;
    };
    std::string own_;
    std::shared_ptr<Buffer> buffer_;
    const char* data_;
    std::size_t size_;
};

template <>
struct CompleteBarrier<Str> : std::true_type {};  // refers to no cell

enum class Type : std::uint8_t { Undefined, Null, Boolean, Number, String, Object };

// A value: 16 bytes, copied freely; strings and objects point into the heap.
struct Value {
    Type type = Type::Undefined;
    union {
        bool b;
        double n;
        const Str* s;
        Object* o;
    };
    Value() : n(0) {}

    static Value undefined() { return {}; }
    static Value null() {
        Value v;
        v.type = Type::Null;
        return v;
    }
    static Value boolean(bool x) {
        Value v;
        v.type = Type::Boolean;
        v.b = x;
        return v;
    }
    static Value number(double x) {
        Value v;
        v.type = Type::Number;
        v.n = x;
        return v;
    }
    static Value string(const Str* x) {
        Value v;
        v.type = Type::String;
        v.s = x;
        return v;
    }
    static Value object(Object* x) {
        if (!x) return null();
        Value v;
        v.type = Type::Object;
        v.o = x;
        return v;
    }

    bool isUndefined() const { return type == Type::Undefined; }
    bool isNull() const { return type == Type::Null; }
    bool isNullish() const { return type == Type::Undefined || type == Type::Null; }
    bool isBoolean() const { return type == Type::Boolean; }
    bool isNumber() const { return type == Type::Number; }
    bool isString() const { return type == Type::String; }
    bool isObject() const { return type == Type::Object; }
    bool isPrimitive() const { return type != Type::Object; }
    std::string_view str() const { return s->view(); }  // only when isString()
};

template <>
inline void Tracer::markValue<Value>(const Value& v) {
    if (v.type == Type::String)
        mark(v.s);
    else if (v.type == Type::Object)
        mark(reinterpret_cast<const Cell*>(v.o));
}

// Number formatting as the reference player prints numbers: 15 significant
// digits, exponent form outside [1e-5, 1e15) ("1e+21", "1.5e-7"), "-0" as
// "0", "NaN", "Infinity", "-Infinity".
std::string formatNumber(double n);
// Writes a number in a radix from 2 to 36 (Number.prototype.toString(radix)).
std::string formatNumberRadix(double n, int radix);

// String to number: leading/trailing white space, decimal with exponent,
// "0x" hexadecimal (from version 6 where `hex` is set); anything else NaN;
// "" is NaN from version 5 on (0 in version 4).
double parseNumber(std::string_view s, int version);

// Primitive conversions (an Object gives NaN / true / "[object Object]";
// the Machine's versions call valueOf and toString instead).
double primitiveToNumber(const Value& v, int version);
bool primitiveToBoolean(const Value& v, int version);
std::string primitiveToString(const Value& v, int version);

// ECMA ToInt32 / ToUint32 (bitwise actions).
std::int32_t toInt32(double n);
std::uint32_t toUint32(double n);

// A frame number or depth from a script number: truncated, NaN as 0, and held
// within ±10⁹ so that no script value overflows an int.
int toClampedInt(double n);

// ASCII case folding used for names before version 7.
bool equalNames(std::string_view a, std::string_view b, bool caseSensitive);
std::string foldName(std::string_view s);

// Length of a string as scripts count it: UTF-16 units from version 6, bytes before.
std::size_t scriptLength(std::string_view s, int version);

// "undefined", "null", "boolean", "number", "string", "object",
// "function", "movieclip" (TypeOf).
const char* typeName(const Value& v);

}  // namespace swf::script
