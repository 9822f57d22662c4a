// The string actions: comparisons, concatenation, length, extraction and
// character codes, counted in bytes before file version 6 and in characters
// from then on (the multibyte actions always count characters).
#include <algorithm>
#include <cmath>

#include "swf/script/machine_internal.h"
#include "swf/script/utf8.h"

namespace swf::script {

namespace {

std::string codePointText(std::uint32_t cp) {
    std::string s;
    appendUtf8(s, cp);
    return s;
}

}  // namespace

std::uint32_t Machine::execStrings(Frame& f, const Record& r, std::uint32_t pc, std::uint32_t end, std::uint32_t next) {
    const int ver = version_;
    switch (r.code) {
    case action::StringEquals: {
        std::string b = toString(pop(f));
        std::string a = toString(pop(f));
        pushBool(a == b);
        break;
    }
    case action::StringLess: {
        std::string b = toString(pop(f));
        std::string a = toString(pop(f));
        pushBool(a < b);
        break;
    }
    case action::StringGreater: {
        std::string b = toString(pop(f));
        std::string a = toString(pop(f));
        pushBool(a > b);
        break;
    }

    case action::StringAdd: {
        Value b = pop(f);
        Value a = pop(f);
        if (a.isString() && b.isPrimitive()) {  // converting b runs no script
            push(concat(a.s, toString(b)));
            break;
        }
        std::string s = toString(a);
        std::string t = toString(b);
        if (s.size() + t.size() > limits_.maxStringBytes) stopScript("chaîne trop longue");
        push(str(s + t));
        break;
    }
    case action::StringLength: {
        std::string s = toString(pop(f));
        push(Value::number(static_cast<double>(ver >= 6 ? utf8Count(s) : s.size())));
        break;
    }
    case action::MBStringLength: push(Value::number(static_cast<double>(utf8Count(toString(pop(f)))))); break;
    case action::StringExtract:
    case action::MBStringExtract: {
        double count = toNumber(pop(f));
        double index = toNumber(pop(f));
        std::string s = toString(pop(f));
        bool chars = r.code == action::MBStringExtract || ver >= 6;
        std::size_t len = chars ? utf8Count(s) : s.size();
        double start = std::isnan(index) ? 0 : std::trunc(index) - 1;
        if (start < 0) start = 0;
        if (start >= static_cast<double>(len)) {
            push(str(""));
            break;
        }
        double n = std::isnan(count) || count < 0 ? static_cast<double>(len) : std::trunc(count);
        n = std::min(n, static_cast<double>(len) - start);
        auto a = static_cast<std::size_t>(start), b = a + static_cast<std::size_t>(n);
        if (chars) {
            std::size_t x = utf8Offset(s, a), y = utf8Offset(s, b);
            push(str(s.substr(x, y - x)));
        } else {
            push(str(s.substr(a, b - a)));
        }
        break;
    }
    case action::CharToAscii: {
        std::string s = toString(pop(f));
        if (ver >= 6)
            push(Value::number(s.empty() ? 0 : utf8First(s)));
        else
            push(Value::number(s.empty() ? 0 : static_cast<unsigned char>(s[0])));
        break;
    }
    case action::MBCharToAscii: {
        std::string s = toString(pop(f));
        push(Value::number(utf8First(s)));
        break;
    }
    case action::AsciiToChar:
    case action::MBAsciiToChar: {
        double n = toNumber(pop(f));
        auto cp = static_cast<std::uint32_t>(swf::script::toInt32(n));
        if (r.code == action::AsciiToChar && ver < 6) {
            cp &= 0xFF;
            push(str(cp == 0 ? std::string() : cp < 0x80 ? std::string(1, static_cast<char>(cp)) : codePointText(cp)));
        } else {
            cp &= 0xFFFF;
            push(str(cp == 0 ? std::string() : codePointText(cp)));
        }
        break;
    }
    default: break;
    }
    return next;
}

}  // namespace swf::script
