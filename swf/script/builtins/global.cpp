// Global functions: trace, parseInt, parseFloat, isNaN, isFinite, escape,
// unescape, setInterval, clearInterval, setTimeout, clearTimeout,
// ASSetPropFlags; and the values NaN and Infinity.
#include <cmath>
#include <iterator>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

Value arg(std::span<const Value> args, std::size_t i) { return i < args.size() ? args[i] : Value(); }

bool space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

Value traceFn(Machine& m, Value, std::span<const Value> args) {
    Value v = arg(args, 0);
    m.traceLine(v.isUndefined() ? std::string("undefined") : m.toString(v));
    return Value();
}

Value parseIntFn(Machine& m, Value, std::span<const Value> args) {
    if (args.empty()) return Value::number(NAN);
    std::string s = m.toString(args[0]);
    // toInt32 wraps huge radices instead of overflowing the conversion.
    int radix = args.size() > 1 ? m.toInt32(args[1]) : 0;
    if (args.size() > 1 && !args[1].isUndefined() && (radix < 2 || radix > 36)) return Value::number(NAN);
    std::size_t i = 0;
    while (i < s.size() && space(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (radix == 0) {
        radix = 10;
        if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
            radix = 16;
            i += 2;
        } else if (i + 1 < s.size() && s[i] == '0' && s.find_first_not_of("01234567", i) == std::string::npos) {
            radix = 8;  // a leading zero reads octal when every digit allows it
        }
    } else if (radix == 16 && i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        i += 2;
    }
    double v = 0;
    std::size_t start = i;
    while (i < s.size() && digitValue(s[i]) < radix) {
        v = v * radix + digitValue(s[i]);
        ++i;
    }
    if (i == start) return Value::number(NAN);
    return Value::number(negative ? -v : v);
}

Value parseFloatFn(Machine& m, Value, std::span<const Value> args) {
    if (args.empty()) return Value::number(NAN);
    std::string s = m.toString(args[0]);
    std::size_t i = 0;
    while (i < s.size() && space(s[i])) ++i;
    std::size_t start = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    }
    if (i == digits || (i == digits + 1 && s[digits] == '.')) return Value::number(NAN);
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t e = i + 1;
        if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
        std::size_t ed = e;
        while (e < s.size() && s[e] >= '0' && s[e] <= '9') ++e;
        if (e > ed) i = e;
    }
    return Value::number(std::strtod(s.substr(start, i - start).c_str(), nullptr));
}

Value isNaNFn(Machine& m, Value, std::span<const Value> args) {
    return Value::boolean(std::isnan(m.toNumber(arg(args, 0))));
}

Value isFiniteFn(Machine& m, Value, std::span<const Value> args) {
    return Value::boolean(std::isfinite(m.toNumber(arg(args, 0))));
}

Value escapeFn(Machine& m, Value, std::span<const Value> args) {
    if (args.empty()) return Value();
    return m.str(escapeText(m.toString(args[0])));
}

Value unescapeFn(Machine& m, Value, std::span<const Value> args) {
    if (args.empty()) return Value();
    return m.str(unescapeText(m.toString(args[0])));
}

Value timer(Machine& m, std::span<const Value> args, bool repeat) {
    if (args.empty()) return Value();
    if (args[0].isObject() && args[0].o->isFunction()) {
        double ms = m.toNumber(arg(args, 1));
        std::vector<Value> rest(args.begin() + std::min<std::size_t>(2, args.size()), args.end());
        int id = m.addTimer(args[0], "", ms, std::move(rest), repeat);
        return id ? Value::number(id) : Value();
    }
    if (args[0].isObject() && args.size() >= 2) {
        std::string method = m.toString(args[1]);
        double ms = m.toNumber(arg(args, 2));
        std::vector<Value> rest(args.begin() + std::min<std::size_t>(3, args.size()), args.end());
        int id = m.addTimer(args[0], method, ms, std::move(rest), repeat);
        return id ? Value::number(id) : Value();
    }
    return Value();
}

Value setIntervalFn(Machine& m, Value, std::span<const Value> args) { return timer(m, args, true); }
Value setTimeoutFn(Machine& m, Value, std::span<const Value> args) { return timer(m, args, false); }

Value clearTimerFn(Machine& m, Value, std::span<const Value> args) {
    double id = m.toNumber(arg(args, 0));
    if (std::isfinite(id) && std::abs(id) < 1e9) m.clearTimer(static_cast<int>(id));
    return Value();
}

// ASSetPropFlags(object, names, set, clear): names is null (every own
// property), a comma-separated string or an array of names.
Value setPropFlags(Machine& m, Value, std::span<const Value> args) {
    if (args.size() < 3 || !args[0].isObject()) return Value();
    Object* o = args[0].o;
    auto set = static_cast<std::uint16_t>(swf::script::toInt32(m.toNumber(args[2])) & 0xFFFF);
    auto clear = static_cast<std::uint16_t>(args.size() > 3 ? swf::script::toInt32(m.toNumber(args[3])) & 0xFFFF : 0);
    auto apply = [&](Property& p) { p.flags = static_cast<std::uint16_t>((p.flags & ~clear) | set); };
    Value names = args[1];
    if (names.isNull()) {
        for (Property& p : o->properties())
            if (!p.dead) apply(p);
        return Value();
    }
    std::vector<std::string> list;
    if (names.isObject() && names.o->kind() == Object::Kind::Array) {
        double n = m.toNumber(m.get(names.o, "length"));
        std::size_t count = n > 0 ? static_cast<std::size_t>(std::min(n, 1e6)) : 0;
        m.chargeSteps(count);
        for (std::size_t i = 0; i < count; ++i) list.push_back(m.toString(m.get(names.o, std::to_string(i))));
    } else {
        std::string s = m.toString(names);
        std::size_t start = 0;
        while (start <= s.size()) {
            std::size_t comma = s.find(',', start);
            if (comma == std::string::npos) comma = s.size();
            list.push_back(s.substr(start, comma - start));
            start = comma + 1;
        }
    }
    for (const std::string& name : list)
        if (Property* p = o->findOwn(name, m.caseSensitive())) apply(*p);
    return Value();
}

// The methods a prototype holds under native numbers (ASnative(family, index)).
struct NativeFamily {
    double family;
    Object* Realm::*proto;
    std::span<const char* const> names;
};
constexpr const char* kObjectMethods[] = {"watch",    "unwatch",        "addProperty",   "valueOf",
                                          "toString", "hasOwnProperty", "isPrototypeOf", "isPropertyEnumerable"};
constexpr const char* kDateMethods[] = {
    "getFullYear",       "getYear",    "getMonth",        "getDate",         "getDay",   "getHours",
    "getMinutes",        "getSeconds", "getMilliseconds", "setFullYear",     "setMonth", "setDate",
    "setHours",          "setMinutes", "setSeconds",      "setMilliseconds", "getTime",  "setTime",
    "getTimezoneOffset", "toString",   "setYear"};
constexpr NativeFamily kFamilies[] = {
    {101, &Realm::objectProto, kObjectMethods},
    {103, &Realm::dateProto, kDateMethods},
};

// ASnative(family, index): a built-in function by its numbers: Math's (200)
// and the methods of Object.prototype (101) and Date.prototype (103).
Value nativeByNumber(Machine& m, double family, double index) {
    if (family == 200) return Value::object(m.realm().makeFunction(mathNative(index)));
    for (const NativeFamily& f : kFamilies) {
        if (f.family != family) continue;
        if (!(index >= 0 && index < static_cast<double>(f.names.size()))) return Value();
        const Property* p = (m.realm().*f.proto)->findOwn(f.names[static_cast<std::size_t>(index)], false);
        return p ? p->value : Value();
    }
    return Value();
}

Value asNativeFn(Machine& m, Value, std::span<const Value> args) {
    if (args.size() < 2) return Value();
    double family = m.toNumber(args[0]);
    return nativeByNumber(m, family, m.toNumber(args[1]));
}

// ASSetNative(object, family, "name1,name2,...", first): object[name_k] is
// ASnative(family, first + k); an empty name skips its number.
Value asSetNativeFn(Machine& m, Value, std::span<const Value> args) {
    if (args.size() < 3 || !args[0].isObject()) return Value();
    Object* o = args[0].o;
    double family = m.toNumber(args[1]);
    std::string names = m.toString(args[2]);
    double index = args.size() > 3 ? m.toNumber(args[3]) : 0;
    std::size_t start = 0;
    while (start <= names.size()) {
        std::size_t comma = names.find(',', start);
        if (comma == std::string::npos) comma = names.size();
        m.chargeSteps(1);
        if (comma > start) {
            Value fn = nativeByNumber(m, family, index);
            o->define(m.heap(), std::string_view(names).substr(start, comma - start), fn, kBuiltinFlags,
                      m.caseSensitive());
        }
        index += 1;
        start = comma + 1;
    }
    return Value();
}

}  // namespace

std::string escapeText(std::string_view s) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (c == 0) break;
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string unescapeText(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        char c = s[i];
        if (c == '+') {
            out += ' ';
            ++i;
        } else if (c == '%') {
            int a = i + 1 < s.size() ? digitValue(s[i + 1]) : 99;
            int b = i + 2 < s.size() ? digitValue(s[i + 2]) : 99;
            if (a < 16 && b < 16) {
                char byte = static_cast<char>(a * 16 + b);
                if (byte == 0) break;
                out += byte;
                i += 3;
            } else if (a >= 16) {
                i += 2;  // "%" and a character that is not a digit
            } else {
                i += 3;  // one good digit then a bad one: both are dropped
            }
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

void installGlobal(Realm& realm) {
    Object* g = realm.global;
    static constexpr Realm::Method methods[] = {
        {"trace", traceFn},           {"parseInt", parseIntFn},       {"parseFloat", parseFloatFn},
        {"isNaN", isNaNFn},           {"isFinite", isFiniteFn},       {"escape", escapeFn},
        {"unescape", unescapeFn},     {"setInterval", setIntervalFn}, {"clearInterval", clearTimerFn},
        {"setTimeout", setTimeoutFn}, {"clearTimeout", clearTimerFn}, {"ASSetPropFlags", setPropFlags},
        {"ASnative", asNativeFn},     {"ASSetNative", asSetNativeFn},
    };
    realm.defineMethods(g, methods);
    realm.defineValue(g, "NaN", Value::number(NAN));
    realm.defineValue(g, "Infinity", Value::number(INFINITY));
    // The reference player's global object carries a hidden `o` holding
    // null: a movie reading an undeclared `o` sees null, not undefined.
    realm.defineValue(g, "o", Value::null(), DontEnum);
}

}  // namespace swf::script
