// String: the constructor, String.fromCharCode and the methods of
// String.prototype. Strings are stored as UTF-8; from file version 6 the
// methods count in UTF-16 units, as the reference player does (an emoji is
// two units, each half reads back as U+FFFD). Version 5 movies count bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"
#include "swf/script/utf8.h"

namespace swf::script {

std::string lowerCaseText(std::string_view text);

namespace {

// A string as the methods index it: UTF-16 units, or bytes in version 5.
struct Text {
    bool bytes;
    std::u16string units;

    Text() : bytes(false) {}
    Text(std::string_view s, int version) : bytes(version < 6) {
        if (bytes) {
            units.reserve(s.size());
            for (char c : s) units.push_back(static_cast<unsigned char>(c));
        } else {
            units = decodeUtf8(s);
        }
    }
    std::size_t size() const { return units.size(); }
    std::string slice(std::size_t begin, std::size_t end) const {
        if (end <= begin) return {};
        std::u16string_view part(units.data() + begin, end - begin);
        if (!bytes) return encodeUtf8(part);
        std::string out;
        out.reserve(part.size());
        for (char16_t c : part) out += static_cast<char>(c);
        return out;
    }
};

// ---- case mapping

// Upper- to lower-case rules of the scripts a course may use: a range that
// moves by a fixed offset, or a range of alternating upper/lower pairs.
struct CaseRule {
    char16_t first, last;
    std::int32_t delta;  // 0: pairs (upper at even offsets from `first`, lower right after)
};

constexpr CaseRule kCaseRules[] = {
    {0x0041, 0x005A, 32},  {0x00C0, 0x00D6, 32},   {0x00D8, 0x00DE, 32},   {0x0100, 0x012F, 0},
    {0x0132, 0x0137, 0},   {0x0139, 0x0148, 0},    {0x014A, 0x0177, 0},    {0x0178, 0x0178, -121},
    {0x0179, 0x017E, 0},   {0x0181, 0x0181, 210},  {0x0182, 0x0185, 0},    {0x0186, 0x0186, 206},
    {0x0187, 0x0188, 0},   {0x0189, 0x018A, 205},  {0x018B, 0x018C, 0},    {0x018E, 0x018E, 79},
    {0x018F, 0x018F, 202}, {0x0190, 0x0190, 203},  {0x0191, 0x0192, 0},    {0x0193, 0x0193, 205},
    {0x0194, 0x0194, 207}, {0x0196, 0x0196, 211},  {0x0197, 0x0197, 209},  {0x0198, 0x0199, 0},
    {0x019C, 0x019C, 211}, {0x019D, 0x019D, 213},  {0x019F, 0x019F, 214},  {0x01A0, 0x01A5, 0},
    {0x01A6, 0x01A6, 218}, {0x01A7, 0x01A8, 0},    {0x01A9, 0x01A9, 218},  {0x01AC, 0x01AD, 0},
    {0x01AE, 0x01AE, 218}, {0x01AF, 0x01B0, 0},    {0x01B1, 0x01B2, 217},  {0x01B3, 0x01B6, 0},
    {0x01B7, 0x01B7, 219}, {0x01B8, 0x01B9, 0},    {0x01BC, 0x01BD, 0},    {0x01C4, 0x01C4, 2},
    {0x01C7, 0x01C7, 2},   {0x01CA, 0x01CA, 2},    {0x01CD, 0x01DC, 0},    {0x01DE, 0x01EF, 0},
    {0x01F1, 0x01F1, 2},   {0x01F4, 0x01F5, 0},    {0x01F6, 0x01F6, -97},  {0x01F7, 0x01F7, -56},
    {0x01F8, 0x021F, 0},   {0x0222, 0x0233, 0},    {0x0386, 0x0386, 38},   {0x0388, 0x038A, 37},
    {0x038C, 0x038C, 64},  {0x038E, 0x038F, 63},   {0x0391, 0x03AB, 32},   {0x03D8, 0x03EF, 0},
    {0x0400, 0x040F, 80},  {0x0410, 0x042F, 32},   {0x0460, 0x0481, 0},    {0x048A, 0x04BF, 0},
    {0x04C1, 0x04CE, 0},   {0x04D0, 0x052F, 0},    {0x0531, 0x0556, 48},   {0x10A0, 0x10C5, 48},
    {0x1E00, 0x1E95, 0},   {0x1EA0, 0x1EFF, 0},    {0x1F08, 0x1F0F, -8},   {0x1F18, 0x1F1D, -8},
    {0x1F28, 0x1F2F, -8},  {0x1F38, 0x1F3F, -8},   {0x1F48, 0x1F4D, -8},   {0x1F59, 0x1F59, -8},
    {0x1F5B, 0x1F5B, -8},  {0x1F5D, 0x1F5D, -8},   {0x1F5F, 0x1F5F, -8},   {0x1F68, 0x1F6F, -8},
    {0x1F88, 0x1F8F, -8},  {0x1F98, 0x1F9F, -8},   {0x1FA8, 0x1FAF, -8},   {0x1FB8, 0x1FB9, -8},
    {0x1FBA, 0x1FBB, -74}, {0x1FBC, 0x1FBC, -9},   {0x1FC8, 0x1FCB, -86},  {0x1FCC, 0x1FCC, -9},
    {0x1FD8, 0x1FD9, -8},  {0x1FDA, 0x1FDB, -100}, {0x1FE8, 0x1FE9, -8},   {0x1FEA, 0x1FEB, -112},
    {0x1FEC, 0x1FEC, -7},  {0x1FF8, 0x1FF9, -128}, {0x1FFA, 0x1FFB, -126}, {0x1FFC, 0x1FFC, -9},
    {0x2160, 0x216F, 16},  {0x24B6, 0x24CF, 26},   {0xFF21, 0xFF3A, 32},
};

char16_t toLowerUnit(char16_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c;
    switch (c) {  // one-way mappings
    case 0x0130: return u'i';
    case 0x2126: return 0x03C9;
    case 0x212A: return u'k';
    case 0x212B: return 0x00E5;
    case 0x03F4: return 0x03B8;
    case 0x01C5:
    case 0x01C8:
    case 0x01CB:
    case 0x01F2: return static_cast<char16_t>(c + 1);
    default: break;
    }
    for (const CaseRule& r : kCaseRules) {
        if (c < r.first) break;
        if (c > r.last) continue;
        if (r.delta) return static_cast<char16_t>(c + r.delta);
        return ((c - r.first) % 2 == 0) ? static_cast<char16_t>(c + 1) : c;
    }
    return c;
}

char16_t toUpperUnit(char16_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 32) : c;
    switch (c) {  // one-way mappings
    case 0x00B5: return 0x039C;
    case 0x0131: return u'I';
    case 0x017F: return u'S';
    case 0x0345:
    case 0x1FBE: return 0x0399;
    case 0x03D0: return 0x0392;
    case 0x03D1: return 0x0398;
    case 0x03D5: return 0x03A6;
    case 0x03D6: return 0x03A0;
    case 0x03F0: return 0x039A;
    case 0x03F1: return 0x03A1;
    case 0x03F2: return 0x03A3;
    case 0x03F5: return 0x0395;
    case 0x1E9B: return 0x1E60;
    case 0x01C5:
    case 0x01C8:
    case 0x01CB:
    case 0x01F2: return static_cast<char16_t>(c - 1);
    default: break;
    }
    for (const CaseRule& r : kCaseRules) {
        if (r.delta) {
            std::int32_t up = static_cast<std::int32_t>(c) - r.delta;
            if (up >= r.first && up <= r.last) return static_cast<char16_t>(up);
        } else if (c > r.first && c <= r.last && (c - r.first) % 2 == 1) {
            return static_cast<char16_t>(c - 1);
        }
    }
    return c;
}

std::string mapCase(std::string_view s, int version, bool upper) {
    if (version < 6) {  // bytes: ASCII letters only
        std::string out(s);
        for (char& c : out) {
            if (upper && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
            else if (!upper && c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 32);
        }
        return out;
    }
    std::u16string u = decodeUtf8(s);
    for (char16_t& c : u) c = upper ? toUpperUnit(c) : toLowerUnit(c);
    return encodeUtf8(u);
}

// ---- arguments

// `this` as a string: a String object's own value, or the value converted.
std::string selfText(Machine& m, const Value& thisValue) {
    if (thisValue.isString()) return std::string(thisValue.str());
    if (thisValue.isObject() && thisValue.o->kind() == Object::Kind::String) {
        const Value& p = static_cast<PrimitiveObject*>(thisValue.o)->primitive;
        if (p.isString()) return std::string(p.str());
    }
    return m.toString(thisValue);
}

// The reference player reads index arguments as 32-bit integers (so 2^32+1 is 1).
std::int64_t intArg(Machine& m, const Value& v) { return toInt32(m.toNumber(v)); }

bool present(std::span<const Value> args, std::size_t i) { return i < args.size() && !args[i].isUndefined(); }

// An index argument, or nothing when it is missing or undefined.
std::optional<std::int64_t> optionalIndex(Machine& m, std::span<const Value> args, std::size_t i) {
    if (!present(args, i)) return std::nullopt;
    return intArg(m, args[i]);
}

// The last string the index methods decoded: a loop that walks one long
// string with charAt or substr decodes it once, not once per call. Callers
// convert every argument first, since a conversion may run a script that
// uses this cache too. Long strings are not kept: they go to `scratch`.
const Text& textOf(const std::string& s, int version, Text& scratch) {
    constexpr std::size_t kCachedBytes = 64 * 1024;
    if (s.size() > kCachedBytes) {
        scratch = Text(s, version);
        return scratch;
    }
    thread_local std::string source;
    thread_local int sourceVersion = -1;
    thread_local Text text;
    if (sourceVersion != version || source != s) {
        text = Text(s, version);
        source = s;
        sourceVersion = version;
    }
    return text;
}

// ---- the constructor and String.fromCharCode

Value stringCall(Machine& m, Value, std::span<const Value> args) {
    if (args.empty()) return m.str(std::string_view());
    if (args[0].isString()) return args[0];
    return Value::string(m.toStr(args[0]));
}

Value stringConstruct(Machine& m, Value, std::span<const Value> args) {
    Value s = args.empty() ? m.str(std::string_view()) : Value::string(m.toStr(args[0]));
    auto* o = m.heap().make<PrimitiveObject>(m.realm().stringProto, Object::Kind::String, s);
    double length = static_cast<double>(scriptLength(s.str(), m.version()));
    o->define(m.heap(), "length", Value::number(length), DontEnum | DontDelete, true);
    return Value::object(o);
}

Value stringFromCharCode(Machine& m, Value, std::span<const Value> args) {
    std::u16string units;
    for (const Value& v : args) {
        auto code = static_cast<char16_t>(toUint32(m.toNumber(v)) & 0xFFFF);
        if (code == 0) break;  // a zero ends the string
        units.push_back(code);
    }
    if (m.version() < 6) {
        std::string out;
        for (char16_t c : units) {
            if (c < 0x100)
                out += static_cast<char>(c);
            else
                appendUtf8(out, c);
        }
        return m.str(std::move(out));
    }
    return m.str(encodeUtf8(units));
}

// ---- String.prototype

Value stringToString(Machine& m, Value thisValue, std::span<const Value>) {
    if (thisValue.isString()) return thisValue;
    if (thisValue.isObject() && thisValue.o->kind() == Object::Kind::String)
        return static_cast<PrimitiveObject*>(thisValue.o)->primitive;
    return Value();
}

Value stringCharAt(Machine& m, Value thisValue, std::span<const Value> args) {
    std::string self = selfText(m, thisValue);
    std::int64_t i = args.empty() ? 0 : intArg(m, args[0]);
    Text scratch;
    const Text& t = textOf(self, m.version(), scratch);
    if (i < 0 || i >= static_cast<std::int64_t>(t.size())) return m.str(std::string_view());
    return m.str(t.slice(static_cast<std::size_t>(i), static_cast<std::size_t>(i) + 1));
}

Value stringCharCodeAt(Machine& m, Value thisValue, std::span<const Value> args) {
    std::string self = selfText(m, thisValue);
    std::int64_t i = args.empty() ? 0 : intArg(m, args[0]);
    Text scratch;
    const Text& t = textOf(self, m.version(), scratch);
    if (i < 0 || i >= static_cast<std::int64_t>(t.size())) return Value::number(NAN);
    return Value::number(t.units[static_cast<std::size_t>(i)]);
}

Value stringConcat(Machine& m, Value thisValue, std::span<const Value> args) {
    std::string out = selfText(m, thisValue);
    for (const Value& v : args) {
        out += m.toString(v);
        if (out.size() > m.limits().maxStringBytes) m.stopScript("String.concat : chaîne trop longue");
    }
    return m.str(std::move(out));
}

Value stringIndexOf(Machine& m, Value thisValue, std::span<const Value> args) {
    if (args.empty()) return Value();
    std::string self = selfText(m, thisValue);
    Text needle(m.toString(args[0]), m.version());
    std::int64_t start = args.size() > 1 ? intArg(m, args[1]) : 0;
    Text scratch;
    const Text& t = textOf(self, m.version(), scratch);
    if (start < 0) start = 0;
    if (start > static_cast<std::int64_t>(t.size())) return Value::number(-1);
    std::size_t at = t.units.find(needle.units, static_cast<std::size_t>(start));
    return Value::number(at == std::u16string::npos ? -1.0 : static_cast<double>(at));
}

Value stringLastIndexOf(Machine& m, Value thisValue, std::span<const Value> args) {
    if (args.empty()) return Value();
    std::string self = selfText(m, thisValue);
    Text needle(m.toString(args[0]), m.version());
    std::optional<std::int64_t> from = optionalIndex(m, args, 1);
    Text scratch;
    const Text& t = textOf(self, m.version(), scratch);
    std::int64_t start = from.value_or(static_cast<std::int64_t>(t.size()));
    if (start < 0) return Value::number(-1);
    std::size_t at = t.units.rfind(needle.units, static_cast<std::size_t>(start));
    return Value::number(at == std::u16string::npos ? -1.0 : static_cast<double>(at));
}

Value stringSlice(Machine& m, Value thisValue, std::span<const Value> args) {
    if (args.empty()) return Value();
    std::string self = selfText(m, thisValue);
    std::optional<std::int64_t> from = optionalIndex(m, args, 0), to = optionalIndex(m, args, 1);
    Text scratch;
    const Text& t = textOf(self, m.version(), scratch);
    auto len = static_cast<std::int64_t>(t.size());
    auto clampIndex = [len](std::int64_t i) { return i < 0 ? std::max<std::int64_t>(0, i + len) : std::min(i, len); };
    std::int64_t begin = clampIndex(from.value_or(0));
    std::int64_t end = clampIndex(to.value_or(len));
    return m.str(t.slice(static_cast<std::size_t>(begin), static_cast<std::size_t>(std::max(begin, end))));
}

Value stringSubstring(Machine& m, Value thisValue, std::span<const Value> args) {
    if (args.empty()) return Value();
    std::string self = selfText(m, thisValue);
    std::int64_t from = intArg(m, args[0]);
    std::optional<std::int64_t> to = optionalIndex(m, args, 1);
    Text scratch;
    const Text& t = textOf(self, m.version(), scratch);
    auto len = static_cast<std::int64_t>(t.size());
    auto clampIndex = [len](std::int64_t i) { return std::clamp<std::int64_t>(i, 0, len); };
    std::int64_t a = clampIndex(from);
    std::int64_t b = clampIndex(to.value_or(len));
    if (a > b) std::swap(a, b);
    return m.str(t.slice(static_cast<std::size_t>(a), static_cast<std::size_t>(b)));
}

Value stringSubstr(Machine& m, Value thisValue, std::span<const Value> args) {
    if (args.empty()) return Value();
    std::string self = selfText(m, thisValue);
    std::int64_t start = intArg(m, args[0]);
    std::optional<std::int64_t> wanted = optionalIndex(m, args, 1);
    Text scratch;
    const Text& t = textOf(self, m.version(), scratch);
    auto len = static_cast<std::int64_t>(t.size());
    if (start < 0) start = std::max<std::int64_t>(0, start + len);
    start = std::min(start, len);
    std::int64_t count = len - start;
    if (wanted) {
        count = *wanted;
        if (count < 0) {
            // A negative count is taken from the string's length, and gives
            // nothing when that would reach the end.
            count += len;
            if (start + count >= len) count = 0;
        }
        count = std::clamp<std::int64_t>(count, 0, len - start);
    }
    return m.str(t.slice(static_cast<std::size_t>(start), static_cast<std::size_t>(start + count)));
}

Value stringSplit(Machine& m, Value thisValue, std::span<const Value> args) {
    std::string self = selfText(m, thisValue);
    ArrayObject* out = m.newArray();
    if (!present(args, 0)) {
        out->push(m, m.str(self));
        return Value::object(out);
    }
    std::int64_t limit = -1;  // none
    if (present(args, 1)) limit = std::max<std::int64_t>(0, intArg(m, args[1]));
    auto full = [&] { return limit >= 0 && static_cast<std::int64_t>(out->length()) >= limit; };
    Text t(self, m.version());
    Text sep(m.toString(args[0]), m.version());
    if (m.version() < 6 && sep.size() != 1) {
        // Version 5 splits on one character only; other separators leave the string whole.
        if (!full()) out->push(m, m.str(self));
        return Value::object(out);
    }
    // Each piece is a string on the heap: more pieces than the step bound allows stop the script.
    if (t.size() > m.limits().maxSteps) m.stopScript("String.split : trop de morceaux");
    m.chargeSteps(t.size());
    if (sep.size() == 0) {
        for (std::size_t i = 0; i < t.size() && !full(); ++i) out->push(m, m.str(t.slice(i, i + 1)));
        return Value::object(out);
    }
    std::size_t from = 0;
    while (!full()) {
        std::size_t at = t.units.find(sep.units, from);
        if (at == std::u16string::npos) {
            out->push(m, m.str(t.slice(from, t.size())));
            break;
        }
        out->push(m, m.str(t.slice(from, at)));
        from = at + sep.size();
    }
    return Value::object(out);
}

Value stringToLowerCase(Machine& m, Value thisValue, std::span<const Value>) {
    return m.str(mapCase(selfText(m, thisValue), m.version(), false));
}

Value stringToUpperCase(Machine& m, Value thisValue, std::span<const Value>) {
    return m.str(mapCase(selfText(m, thisValue), m.version(), true));
}

}  // namespace

std::string lowerCaseText(std::string_view text) { return mapCase(text, 6, false); }

void installString(Realm& realm) {
    Object* proto = realm.stringProto;
    FunctionObject* ctor = realm.defineClass("String", stringCall, stringConstruct, proto);
    realm.stringCtor = ctor;
    realm.defineMethod(ctor, "fromCharCode", stringFromCharCode);

    static constexpr Realm::Method methods[] = {
        {"toString", stringToString},       {"valueOf", stringToString}, {"charAt", stringCharAt},
        {"charCodeAt", stringCharCodeAt},   {"concat", stringConcat},    {"indexOf", stringIndexOf},
        {"lastIndexOf", stringLastIndexOf}, {"slice", stringSlice},      {"substring", stringSubstring},
        {"substr", stringSubstr},           {"split", stringSplit},      {"toLowerCase", stringToLowerCase},
        {"toUpperCase", stringToUpperCase},
    };
    realm.defineMethods(proto, methods);
}

}  // namespace swf::script
