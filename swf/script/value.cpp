#include "swf/script/value.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "swf/script/object.h"

namespace swf::script {

std::string formatNumber(double n) {
    if (std::isnan(n)) return "NaN";
    if (std::isinf(n)) return n > 0 ? "Infinity" : "-Infinity";
    if (n == 0) return "0";
    // Integers that fit print as integers (fast path for loop counters).
    if (std::fabs(n) < 1e15 && n == std::floor(n)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(n));
        return buf;
    }
    // 15 significant digits in scientific form, then laid out by the exponent.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", n);
    // Rounding up past the largest double (Number.MAX_VALUE) is not done: the
    // reference player prints those digits cut, not rounded.
    if (std::isinf(std::strtod(buf, nullptr))) {
        std::snprintf(buf, sizeof buf, "%.16e", n);
        std::string cut(buf);
        std::size_t e = cut.find('e');
        std::size_t keep = cut.find('.') + 15;  // "d." and 14 digits
        cut.erase(keep, e - keep);
        std::snprintf(buf, sizeof buf, "%s", cut.c_str());
    }
    // buf: [-]d.dddddddddddddde[+-]XX
    std::string s(buf);
    bool negative = s[0] == '-';
    if (negative) s.erase(0, 1);
    std::size_t e = s.find('e');
    int exponent = std::atoi(s.c_str() + e + 1);
    std::string digits;
    digits += s[0];
    digits += s.substr(2, e - 2);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = negative ? "-" : "";
    if (exponent >= 15 || exponent < -5) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'e';
        out += exponent < 0 ? '-' : '+';
        out += std::to_string(std::abs(exponent));
    } else if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intDigits) {
            out += digits;
            out.append(intDigits - digits.size(), '0');
        } else {
            out += digits.substr(0, intDigits);
            out += '.';
            out += digits.substr(intDigits);
        }
    }
    return out;
}

std::string formatNumberRadix(double n, int radix) {
    if (radix == 10 || radix < 2 || radix > 36) return formatNumber(n);
    if (std::isnan(n)) return "NaN";
    if (std::isinf(n)) return n > 0 ? "Infinity" : "-Infinity";
    // Integer part only, as the reference player prints non-decimal radixes.
    double t = std::trunc(n);
    bool negative = t < 0;
    if (negative) t = -t;
    if (t > 9007199254740992.0) return formatNumber(n);
    auto u = static_cast<std::uint64_t>(t);
    std::string out;
    do {
        int d = static_cast<int>(u % static_cast<std::uint64_t>(radix));
        out += static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
        u /= static_cast<std::uint64_t>(radix);
    } while (u);
    if (negative) out += '-';
    return std::string(out.rbegin(), out.rend());
}

static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

double parseNumber(std::string_view s, int version) {
    std::size_t i = 0, j = s.size();
    while (i < j && isSpace(s[i])) ++i;
    while (j > i && isSpace(s[j - 1])) --j;
    std::string_view t = s.substr(i, j - i);
    if (t.empty()) return version >= 5 ? std::nan("") : 0.0;
    if (version >= 6 && t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        std::uint64_t v = 0;
        bool negative = t[2] == '-';  // "0x-10" reads -16
        std::size_t first = negative ? 3 : 2;
        if (first >= t.size()) return std::nan("");
        for (std::size_t k = first; k < t.size(); ++k) {
            char c = t[k];
            int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
            if (d < 0) return std::nan("");
            v = (v << 4) | static_cast<std::uint64_t>(d);
        }
        double d = static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
        return negative ? -d : d;
    }
    // From version 6, "010" is octal when every digit allows it.
    if (version >= 6) {
        std::size_t k0 = (t[0] == '-' || t[0] == '+') ? 1 : 0;
        if (t.size() > k0 + 1 && t[k0] == '0' && t.find_first_not_of("01234567", k0) == std::string_view::npos) {
            double v = 0;
            for (std::size_t k = k0; k < t.size(); ++k) v = v * 8 + (t[k] - '0');
            return t[0] == '-' ? -v : v;
        }
    }
    // Decimal: [sign] digits [. digits] [e [sign] digits], nothing after.
    std::size_t k = 0;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
    std::size_t digitsStart = k;
    while (k < t.size() && t[k] >= '0' && t[k] <= '9') ++k;
    bool anyDigits = k > digitsStart;
    if (k < t.size() && t[k] == '.') {
        ++k;
        std::size_t f = k;
        while (k < t.size() && t[k] >= '0' && t[k] <= '9') ++k;
        anyDigits = anyDigits || k > f;
    }
    if (!anyDigits) return std::nan("");  // "Infinity" too: the reference player reads no words
    if (k < t.size() && (t[k] == 'e' || t[k] == 'E')) {
        std::size_t e = k + 1;
        if (e < t.size() && (t[e] == '+' || t[e] == '-')) ++e;
        std::size_t ed = e;
        while (e < t.size() && t[e] >= '0' && t[e] <= '9') ++e;
        if (e > ed)
            k = e;
        else
            return std::nan("");
    }
    if (k != t.size()) return std::nan("");
    std::string copy(t);
    return std::strtod(copy.c_str(), nullptr);
}

double primitiveToNumber(const Value& v, int version) {
    switch (v.type) {
    case Type::Undefined:
    case Type::Null: return version >= 7 ? std::nan("") : 0.0;
    case Type::Boolean: return v.b ? 1.0 : 0.0;
    case Type::Number: return v.n;
    case Type::String: {
        if (version >= 5) return parseNumber(v.str(), version);
        // Version 4 reads the decimal number at the start of the string, 0 when there is none.
        std::string_view t = v.str();
        std::size_t k = 0;
        while (k < t.size() && isSpace(t[k])) ++k;
        std::size_t start = k;
        if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
        std::size_t digits = k;
        while (k < t.size() && t[k] >= '0' && t[k] <= '9') ++k;
        if (k < t.size() && t[k] == '.') {
            ++k;
            while (k < t.size() && t[k] >= '0' && t[k] <= '9') ++k;
        }
        if (k == digits || (k == digits + 1 && t[digits] == '.')) return 0.0;
        if (k < t.size() && (t[k] == 'e' || t[k] == 'E')) {
            std::size_t e = k + 1;
            if (e < t.size() && (t[e] == '+' || t[e] == '-')) ++e;
            std::size_t ed = e;
            while (e < t.size() && t[e] >= '0' && t[e] <= '9') ++e;
            if (e > ed) k = e;
        }
        return std::strtod(std::string(t.substr(start, k - start)).c_str(), nullptr);
    }
    case Type::Object: return std::nan("");
    }
    return std::nan("");
}

bool primitiveToBoolean(const Value& v, int version) {
    switch (v.type) {
    case Type::Undefined:
    case Type::Null: return false;
    case Type::Boolean: return v.b;
    case Type::Number: return !std::isnan(v.n) && v.n != 0;
    case Type::String:
        // Version 7 on: a string is true when not empty; before, by its number value.
        if (version >= 7) return !v.str().empty();
        {
            double d = parseNumber(v.str(), version);
            return !std::isnan(d) && d != 0;
        }
    case Type::Object: return true;
    }
    return false;
}

std::string primitiveToString(const Value& v, int version) {
    switch (v.type) {
    case Type::Undefined: return version >= 7 ? "undefined" : "";
    case Type::Null: return "null";
    case Type::Boolean:
        if (version < 5) return v.b ? "1" : "0";
        return v.b ? "true" : "false";
    case Type::Number: return formatNumber(v.n);
    case Type::String: return std::string(v.str());
    case Type::Object: return v.o->isFunction() ? "[type Function]" : "[object Object]";
    }
    return "";
}

std::int32_t toInt32(double n) {
    if (!std::isfinite(n)) return 0;
    double t = std::trunc(n);
    double m = std::fmod(t, 4294967296.0);
    if (m < 0) m += 4294967296.0;
    auto u = static_cast<std::uint32_t>(m);
    return static_cast<std::int32_t>(u);
}

Str::Str(const Str& head, std::string_view tail) {
    const std::size_t total = head.size_ + tail.size();
    Buffer* b = head.buffer_.get();
    if (b && head.data_ + head.size_ == b->bytes.get() + b->used && b->capacity - b->used >= tail.size()) {
        // The head is the longest string of its buffer and there is room: write the tail after it.
        std::memcpy(b->bytes.get() + b->used, tail.data(), tail.size());
        b->used += tail.size();
        buffer_ = head.buffer_;
        data_ = head.data_;
        size_ = total;
        return;
    }
    // Short results own their bytes; long ones get a buffer with room for
    // the appends that usually follow.
    constexpr std::size_t kShareFrom = 64;
    if (total < kShareFrom) {
        own_.reserve(total);
        own_.append(head.view()).append(tail);
        data_ = own_.data();
        size_ = total;
        return;
    }
    buffer_ = std::make_shared<Buffer>();
    buffer_->capacity = total + total / 2;
    buffer_->bytes = std::make_unique_for_overwrite<char[]>(buffer_->capacity);
    std::memcpy(buffer_->bytes.get(), head.data_, head.size_);
    std::memcpy(buffer_->bytes.get() + head.size_, tail.data(), tail.size());
    buffer_->used = total;
    data_ = buffer_->bytes.get();
    size_ = total;
}

int toClampedInt(double n) { return std::isnan(n) ? 0 : static_cast<int>(std::clamp(std::trunc(n), -1e9, 1e9)); }

std::uint32_t toUint32(double n) { return static_cast<std::uint32_t>(toInt32(n)); }

static inline char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string lowerCaseText(std::string_view text);  // builtins/string.cpp: String's case rules

namespace {

bool isAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

// Names outside ASCII fold with String's lower-case rules (Ä and ä are one
// name; letters newer than the reference player's tables stay apart).
bool equalNames(std::string_view a, std::string_view b, bool caseSensitive) {
    if (caseSensitive) return a == b;
    if (a.size() == b.size()) {
        std::size_t i = 0;
        while (i < a.size() && lower(a[i]) == lower(b[i]) && static_cast<unsigned char>(a[i]) < 0x80) ++i;
        if (i == a.size()) return true;
        if (static_cast<unsigned char>(a[i]) < 0x80 && static_cast<unsigned char>(b[i]) < 0x80) return false;
    } else if (isAscii(a) && isAscii(b)) {
        return false;
    }
    return lowerCaseText(a) == lowerCaseText(b);
}

std::string foldName(std::string_view s) {
    if (!isAscii(s)) return lowerCaseText(s);
    std::string out(s);
    for (char& c : out) c = lower(c);
    return out;
}

std::size_t scriptLength(std::string_view s, int version) {
    if (version < 6) return s.size();
    std::size_t n = 0;
    for (unsigned char c : s) {
        if ((c & 0xC0) != 0x80) ++n;
        if (c >= 0xF0) ++n;  // outside the basic plane: a surrogate pair
    }
    return n;
}

const char* typeName(const Value& v) {
    switch (v.type) {
    case Type::Undefined: return "undefined";
    case Type::Null: return "null";
    case Type::Boolean: return "boolean";
    case Type::Number: return "number";
    case Type::String: return "string";
    case Type::Object:
        if (v.o->kind() == Object::Kind::Stage) return "movieclip";
        return v.o->isFunction() ? "function" : "object";
    }
    return "undefined";
}

}  // namespace swf::script
