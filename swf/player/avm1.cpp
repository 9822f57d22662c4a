#include "swf/player/avm1.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace swf {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Payload reader: every read checks the end of the record.
struct Payload {
    const Bytes& b;
    std::size_t p = 0;
    bool ok = true;
    bool has(std::size_t n) { if (b.size() - p < n) ok = false; return ok; }
    std::uint8_t u8() { return has(1) ? b[p++] : 0; }
    std::uint16_t u16() { if (!has(2)) return 0; std::uint16_t v = b[p] | (b[p + 1] << 8); p += 2; return v; }
    std::uint32_t u32() {
        if (!has(4)) return 0;
        std::uint32_t v = std::uint32_t(b[p]) | (std::uint32_t(b[p + 1]) << 8) | (std::uint32_t(b[p + 2]) << 16) | (std::uint32_t(b[p + 3]) << 24);
        p += 4;
        return v;
    }
    std::string str() {
        auto end = std::find(b.begin() + static_cast<std::ptrdiff_t>(p), b.end(), 0);
        if (end == b.end()) { ok = false; p = b.size(); return {}; }
        std::string s(b.begin() + static_cast<std::ptrdiff_t>(p), end);
        p = static_cast<std::size_t>(end - b.begin()) + 1;
        return s;
    }
    bool atEnd() const { return p >= b.size(); }
};

std::string formatNumber(double n) {
    if (std::isnan(n)) return "NaN";
    if (std::isinf(n)) return n > 0 ? "Infinity" : "-Infinity";
    if (n == std::trunc(n) && std::fabs(n) < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", n == 0 ? 0.0 : n);
        return buf;
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", n);
    return buf;
}

}  // namespace

double Avm1Value::toNumber(int version) const {
    switch (kind) {
    case Kind::Undefined:
    case Kind::Null: return version >= 7 ? std::numeric_limits<double>::quiet_NaN() : 0.0;
    case Kind::Boolean: return boolean ? 1.0 : 0.0;
    case Kind::Number: return number;
    case Kind::String: {
        const char* s = string.c_str();
        while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r') ++s;
        char* end = nullptr;
        double v = std::strtod(s, &end);
        if (end == s) return version >= 5 ? std::numeric_limits<double>::quiet_NaN() : 0.0;
        while (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r') ++end;
        if (*end != 0) return version >= 5 ? std::numeric_limits<double>::quiet_NaN() : 0.0;
        return v;
    }
    }
    return 0;
}

std::string Avm1Value::toString(int version) const {
    switch (kind) {
    case Kind::Undefined: return version >= 7 ? "undefined" : "";
    case Kind::Null: return "null";
    case Kind::Boolean: return version >= 5 ? (boolean ? "true" : "false") : (boolean ? "1" : "0");
    case Kind::Number: return formatNumber(number);
    case Kind::String: return string;
    }
    return {};
}

bool Avm1Value::toBoolean(int version) const {
    switch (kind) {
    case Kind::Undefined:
    case Kind::Null: return false;
    case Kind::Boolean: return boolean;
    case Kind::Number: return number != 0 && !std::isnan(number);
    case Kind::String:
        if (version >= 7) return !string.empty();
        { double n = toNumber(version); return n != 0 && !std::isnan(n); }
    }
    return false;
}

Avm1Program Avm1Program::parse(std::span<const std::uint8_t> a, std::size_t maxRecords) {
    Avm1Program prog;
    std::size_t p = 0;
    while (true) {
        if (p >= a.size()) { prog.truncated = true; break; }  // no end byte
        std::uint8_t code = a[p];
        if (code == 0) break;
        if (prog.records.size() >= maxRecords) { prog.truncated = true; break; }
        Avm1Record rec;
        rec.code = code;
        rec.offset = p;
        if (code >= 0x80) {
            if (a.size() - p < 3) { prog.truncated = true; break; }
            std::size_t len = a[p + 1] | (a[p + 2] << 8);
            if (a.size() - p - 3 < len) { prog.truncated = true; break; }
            rec.payload.assign(a.begin() + static_cast<std::ptrdiff_t>(p + 3), a.begin() + static_cast<std::ptrdiff_t>(p + 3 + len));
            rec.size = 3 + len;
        }
        p += rec.size;
        prog.records.push_back(std::move(rec));
    }
    prog.byteSize = p;
    return prog;
}

const Avm1Value* Avm1Variables::get(Avm1Target target, std::string_view name) const {
    auto it = values_.find({target, lower(name)});
    return it == values_.end() ? nullptr : &it->second;
}

bool Avm1Variables::set(Avm1Target target, std::string_view name, Avm1Value value, std::size_t maxVariables) {
    auto key = std::make_pair(target, lower(name));
    auto it = values_.find(key);
    if (it != values_.end()) { it->second = std::move(value); return true; }
    if (values_.size() >= maxVariables) return false;
    values_.emplace(std::move(key), std::move(value));
    return true;
}

void Avm1Variables::forget(Avm1Target target) {
    for (auto it = values_.begin(); it != values_.end();)
        it = it->first.first == target ? values_.erase(it) : std::next(it);
}

Avm1Machine::Avm1Machine(Avm1Host& host, Avm1Variables& variables, int version, Avm1Limits limits)
    : host_(host), vars_(variables), version_(version), limits_(limits) {}

Avm1Value Avm1Machine::pop() {
    if (stack_.empty()) return Avm1Value::undefined();  // as the original machine: popping nothing gives undefined
    Avm1Value v = std::move(stack_.back());
    stack_.pop_back();
    return v;
}

bool Avm1Machine::push(Avm1Value v) {
    if (stack_.size() >= limits_.maxStack) { stackOverflow_ = true; return false; }
    if (v.kind == Avm1Value::Kind::String && v.string.size() > limits_.maxStringBytes) v.string.resize(limits_.maxStringBytes);
    stack_.push_back(std::move(v));
    return true;
}

Avm1Target Avm1Machine::targetOf(Avm1Target original, std::string_view path) {
    if (path.empty()) return original;
    return host_.resolveTarget(original, path);
}

std::pair<Avm1Target, std::string> Avm1Machine::splitVariable(Avm1Target current, std::string_view full) {
    std::size_t cut = full.rfind(':');
    if (cut == std::string_view::npos) cut = full.rfind('.');
    if (cut == std::string_view::npos) return {current, std::string(full)};
    std::string_view path = full.substr(0, cut);
    Avm1Target t = path.empty() ? current : host_.resolveTarget(current, path);
    return {t, std::string(full.substr(cut + 1))};
}

void Avm1Machine::gotoValue(Avm1Target target, const Avm1Value& frame, int bias, bool play) {
    Avm1Target t = target;
    if (frame.kind == Avm1Value::Kind::String) {
        std::string_view s = frame.string;
        std::size_t colon = s.rfind(':');
        if (colon != std::string_view::npos) {
            t = s.substr(0, colon).empty() ? target : host_.resolveTarget(target, s.substr(0, colon));
            s = s.substr(colon + 1);
        }
        if (!t) return;
        Avm1Value part = Avm1Value::of(std::string(s));
        double n = part.toNumber(7);
        if (!std::isnan(n)) host_.gotoFrame(t, static_cast<int>(n) - 1 + bias);
        else if (!host_.gotoLabel(t, s)) return;
    } else {
        if (!t) return;
        double n = frame.toNumber(version_);
        if (std::isnan(n) || std::isinf(n)) return;
        host_.gotoFrame(t, static_cast<int>(std::clamp(n, -1e6, 1e6)) - 1 + bias);
    }
    if (play) host_.play(t);
    else host_.stop(t);
}

Avm1RunResult Avm1Machine::run(const Avm1Program& prog, Avm1Target original) {
    using V = Avm1Value;
    using K = Avm1Value::Kind;
    Avm1RunResult result;
    stack_.clear();
    constants_.clear();
    stackOverflow_ = false;
    Avm1Target target = original;
    const int v = version_;
    auto logic = [&](bool b) { return v >= 5 ? V::of(b) : V::of(b ? 1.0 : 0.0); };
    auto num = [&](const V& x) { return x.toNumber(v); };

    std::size_t i = 0;
    while (i < prog.records.size()) {
        if (result.steps >= limits_.maxSteps) { result.end = Avm1RunResult::End::StepLimit; return result; }
        ++result.steps;
        const Avm1Record& rec = prog.records[i];
        std::size_t next = i + 1;
        Payload pl{rec.payload};
        switch (rec.code) {
        case action::NextFrame: if (target) host_.nextFrame(target); break;
        case action::PrevFrame: if (target) host_.prevFrame(target); break;
        case action::Play: if (target) host_.play(target); break;
        case action::Stop: if (target) host_.stop(target); break;
        case action::StopSounds: host_.stopSounds(); break;
        case action::ToggleQuality: break;
        case action::Add: case action::Subtract: case action::Multiply: case action::Divide: {
            double b = num(pop()), a = num(pop());
            if (rec.code == action::Add) push(V::of(a + b));
            else if (rec.code == action::Subtract) push(V::of(a - b));
            else if (rec.code == action::Multiply) push(V::of(a * b));
            else if (b == 0 && v < 5) push(V::of(std::string("#ERROR#")));
            else push(V::of(a / b));
            break;
        }
        case action::Equals: { double b = num(pop()), a = num(pop()); push(logic(a == b)); break; }
        case action::Less: { double b = num(pop()), a = num(pop()); push(logic(a < b)); break; }
        case action::And: { bool b = pop().toBoolean(v), a = pop().toBoolean(v); push(logic(a && b)); break; }
        case action::Or: { bool b = pop().toBoolean(v), a = pop().toBoolean(v); push(logic(a || b)); break; }
        case action::Not: push(logic(!pop().toBoolean(v))); break;
        case action::StringEquals: { auto b = pop().toString(v), a = pop().toString(v); push(logic(a == b)); break; }
        case action::StringLess: { auto b = pop().toString(v), a = pop().toString(v); push(logic(a < b)); break; }
        case action::StringLength: push(V::of(static_cast<double>(pop().toString(v).size()))); break;
        case action::StringAdd: { auto b = pop().toString(v), a = pop().toString(v); push(V::of(a + b)); break; }
        case action::Pop: pop(); break;
        case action::ToInteger: { double n = num(pop()); push(V::of(std::isnan(n) ? 0.0 : std::trunc(n))); break; }
        case action::GetVariable: {
            auto [t, name] = splitVariable(target, pop().toString(v));
            const V* val = t ? vars_.get(t, name) : nullptr;
            push(val ? *val : V::undefined());
            break;
        }
        case action::SetVariable: {
            V val = pop();
            auto [t, name] = splitVariable(target, pop().toString(v));
            if (t) vars_.set(t, name, std::move(val), limits_.maxVariables);
            break;
        }
        case action::SetTarget: target = targetOf(original, pl.str()); break;
        case action::SetTarget2: target = targetOf(original, pop().toString(v)); break;
        case action::GetProperty: {
            double index = num(pop());
            Avm1Target t = targetOf(target, pop().toString(v));
            int k = std::isnan(index) ? -1 : static_cast<int>(index);
            if (t && k == 4) push(V::of(static_cast<double>(host_.currentFrame(t))));
            else if (t && (k == 5 || k == 12)) push(V::of(static_cast<double>(host_.frameCount(t))));
            else push(V::undefined());
            break;
        }
        case action::SetProperty: pop(); pop(); pop(); break;  // display properties are not scriptable here
        case action::Trace: host_.trace(pop().toString(v)); break;
        case action::Add2: {
            V b = pop(), a = pop();
            if (a.kind == K::String || b.kind == K::String) push(V::of(a.toString(v) + b.toString(v)));
            else push(V::of(num(a) + num(b)));
            break;
        }
        case action::Less2: {
            V b = pop(), a = pop();
            if (a.kind == K::String && b.kind == K::String) { push(V::of(a.string < b.string)); break; }
            double x = num(a), y = num(b);
            if (std::isnan(x) || std::isnan(y)) push(V::undefined());
            else push(V::of(x < y));
            break;
        }
        case action::Equals2: {
            V b = pop(), a = pop();
            bool eq;
            auto nullish = [](const V& x) { return x.kind == K::Undefined || x.kind == K::Null; };
            if (nullish(a) || nullish(b)) eq = nullish(a) && nullish(b);
            else if (a.kind == K::String && b.kind == K::String) eq = a.string == b.string;
            else eq = a.toNumber(7) == b.toNumber(7);
            push(V::of(eq));
            break;
        }
        case action::PushDuplicate: { V top = stack_.empty() ? V::undefined() : stack_.back(); push(std::move(top)); break; }
        case action::StackSwap: { V b = pop(), a = pop(); push(std::move(b)); push(std::move(a)); break; }
        case action::GotoFrame: if (target) host_.gotoFrame(target, pl.u16()); break;
        case action::GotoLabel: if (target) host_.gotoLabel(target, pl.str()); break;
        case action::GotoFrame2: {
            std::uint8_t flags = pl.u8();
            int bias = (flags & 2) ? pl.u16() : 0;
            gotoValue(target, pop(), bias, flags & 1);
            break;
        }
        case action::GetUrl: { std::string url = pl.str(); std::string win = pl.str(); if (pl.ok) host_.getUrl(url, win); break; }
        case action::GetUrl2: { std::string win = pop().toString(v); std::string url = pop().toString(v); host_.getUrl(url, win); break; }
        case action::StoreRegister: {
            std::uint8_t r = pl.u8();
            if (pl.ok && r < 4) registers_[r] = stack_.empty() ? V::undefined() : stack_.back();
            break;
        }
        case action::ConstantPool: {
            constants_.clear();
            std::uint16_t n = pl.u16();
            for (std::uint16_t k = 0; k < n && pl.ok; ++k) {
                std::string s = pl.str();
                if (pl.ok) constants_.push_back(std::move(s));
            }
            break;
        }
        case action::WaitForFrame: break;  // every frame is loaded: never skip
        case action::WaitForFrame2: pop(); break;
        case action::Call: pop(); break;
        case action::Push: {
            while (!pl.atEnd() && pl.ok && !stackOverflow_) {
                std::uint8_t type = pl.u8();
                switch (type) {
                case 0: { std::string s = pl.str(); if (pl.ok) push(V::of(std::move(s))); break; }
                case 1: { std::uint32_t bits = pl.u32(); float f; std::memcpy(&f, &bits, 4); if (pl.ok) push(V::of(double(f))); break; }
                case 2: push(V::null()); break;
                case 3: push(V::undefined()); break;
                case 4: { std::uint8_t r = pl.u8(); if (pl.ok) push(r < 4 ? registers_[r] : V::undefined()); break; }
                case 5: { std::uint8_t b = pl.u8(); if (pl.ok) push(v >= 5 ? V::of(b != 0) : V::of(b ? 1.0 : 0.0)); break; }
                case 6: {
                    // The two 32-bit halves are stored high half first.
                    std::uint64_t hi = pl.u32(), lo = pl.u32();
                    std::uint64_t bits = (hi << 32) | lo;
                    double d;
                    std::memcpy(&d, &bits, 8);
                    if (pl.ok) push(V::of(d));
                    break;
                }
                case 7: { std::int32_t n = static_cast<std::int32_t>(pl.u32()); if (pl.ok) push(V::of(double(n))); break; }
                case 8: case 9: {
                    std::size_t k = type == 8 ? pl.u8() : pl.u16();
                    if (pl.ok) push(k < constants_.size() ? V::of(constants_[k]) : V::undefined());
                    break;
                }
                default: pl.ok = false;  // unknown value type: the rest of the record is unreadable
                }
            }
            break;
        }
        case action::Jump:
        case action::If: {
            std::int16_t offset = static_cast<std::int16_t>(pl.u16());
            bool taken = rec.code == action::Jump || pop().toBoolean(v);
            if (!pl.ok) { result.end = Avm1RunResult::End::Truncated; return result; }
            if (!taken) break;
            std::int64_t to = static_cast<std::int64_t>(rec.offset + rec.size) + offset;
            if (to == static_cast<std::int64_t>(prog.byteSize)) { next = prog.records.size(); break; }
            auto it = std::lower_bound(prog.records.begin(), prog.records.end(), to,
                                       [](const Avm1Record& r, std::int64_t o) { return static_cast<std::int64_t>(r.offset) < o; });
            if (to < 0 || it == prog.records.end() || static_cast<std::int64_t>(it->offset) != to) {
                result.end = Avm1RunResult::End::BadJump;
                return result;
            }
            next = static_cast<std::size_t>(it - prog.records.begin());
            break;
        }
        default: ++result.skipped; break;
        }
        if (stackOverflow_) { result.end = Avm1RunResult::End::StackLimit; return result; }
        i = next;
    }
    if (prog.truncated) result.end = Avm1RunResult::End::Truncated;
    return result;
}

}  // namespace swf
