#include "swf/format/action_builder.h"

#include <algorithm>
#include <cstring>

#include "swf/format/codes.h"

namespace swf {

namespace {

void u16(Bytes& v, std::uint16_t x) {
    v.push_back(static_cast<std::uint8_t>(x & 0xFF));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}

void u32(Bytes& v, std::uint32_t x) {
    u16(v, static_cast<std::uint16_t>(x & 0xFFFF));
    u16(v, static_cast<std::uint16_t>(x >> 16));
}

// A string as the file stores it: up to its first zero byte, then a zero.
void str(Bytes& v, std::string_view s) {
    s = s.substr(0, std::min(s.find('\0'), std::size_t(0xFFFE)));
    v.insert(v.end(), s.begin(), s.end());
    v.push_back(0);
}

// One value of a Push record: its type byte, then the value.
struct PushWriter {
    Bytes& p;
    void operator()(const char* s) const { operator()(std::string_view(s)); }
    void operator()(const std::string& s) const { operator()(std::string_view(s)); }
    void operator()(std::string_view s) const {
        p.push_back(0);
        str(p, s);
    }
    void operator()(double d) const {
        // Doubles are stored high word first, each word little-endian.
        std::uint64_t bits;
        std::memcpy(&bits, &d, 8);
        p.push_back(6);
        u32(p, static_cast<std::uint32_t>(bits >> 32));
        u32(p, static_cast<std::uint32_t>(bits));
    }
    void operator()(int i) const {
        p.push_back(7);
        u32(p, static_cast<std::uint32_t>(i));
    }
    void operator()(bool b) const {
        p.push_back(5);
        p.push_back(b ? 1 : 0);
    }
    void operator()(ActionBuilder::Null) const { p.push_back(2); }
    void operator()(ActionBuilder::Undefined) const { p.push_back(3); }
    void operator()(ActionBuilder::Register r) const {
        p.push_back(4);
        p.push_back(r.index);
    }
    void operator()(ActionBuilder::Constant c) const {
        if (c.index < 256) {
            p.push_back(8);
            p.push_back(static_cast<std::uint8_t>(c.index));
        } else {
            p.push_back(9);
            u16(p, c.index);
        }
    }
};

}  // namespace

ActionBuilder& ActionBuilder::stop() { return record(action::Stop); }
ActionBuilder& ActionBuilder::play() { return record(action::Play); }
ActionBuilder& ActionBuilder::nextFrame() { return record(action::NextFrame); }
ActionBuilder& ActionBuilder::previousFrame() { return record(action::PrevFrame); }

ActionBuilder& ActionBuilder::gotoFrame(std::uint16_t frame) {
    Bytes p;
    u16(p, frame);
    return record(action::GotoFrame, p);
}

ActionBuilder& ActionBuilder::gotoLabel(std::string_view label) {
    Bytes p;
    str(p, label);
    return record(action::GotoLabel, p);
}

ActionBuilder& ActionBuilder::gotoFrame2(bool play) {
    return record(action::GotoFrame2, {static_cast<std::uint8_t>(play ? 1 : 0)});
}

ActionBuilder& ActionBuilder::setTarget(std::string_view target) {
    Bytes p;
    str(p, target);
    return record(action::SetTarget, p);
}

ActionBuilder& ActionBuilder::getUrl(std::string_view url, std::string_view window) {
    Bytes p;
    str(p, url);
    str(p, window);
    return record(action::GetUrl, p);
}

ActionBuilder& ActionBuilder::record(std::uint8_t code, const Bytes& payload) {
    out_.push_back(code);
    if (code < 0x80) return *this;
    const std::size_t n = std::min<std::size_t>(payload.size(), 0xFFFF);
    u16(out_, static_cast<std::uint16_t>(n));
    out_.insert(out_.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(n));
    return *this;
}

ActionBuilder& ActionBuilder::push(std::initializer_list<PushValue> values) {
    Bytes p;
    for (const PushValue& v : values) std::visit(PushWriter{p}, v);
    return record(action::Push, p);
}

ActionBuilder& ActionBuilder::constantPool(std::initializer_list<std::string_view> names) {
    Bytes p;
    u16(p, static_cast<std::uint16_t>(names.size()));
    for (std::string_view n : names) str(p, n);
    return record(action::ConstantPool, p);
}

ActionBuilder& ActionBuilder::storeRegister(std::uint8_t index) { return record(action::StoreRegister, {index}); }

ActionBuilder& ActionBuilder::getVariable(std::string_view name) {
    return push({std::string(name)}).record(action::GetVariable);
}

ActionBuilder& ActionBuilder::setVariable(std::string_view name, const PushValue& value) {
    Bytes p;
    PushWriter{p}(name);
    std::visit(PushWriter{p}, value);
    return record(action::Push, p).record(action::SetVariable);
}

ActionBuilder& ActionBuilder::getMember(std::string_view name) {
    return push({std::string(name)}).record(action::GetMember);
}

ActionBuilder& ActionBuilder::callMethod(std::string_view object, std::string_view method) {
    return getVariable(object).push({std::string(method)}).record(action::CallMethod);
}

ActionBuilder& ActionBuilder::trace() { return record(action::Trace); }

ActionBuilder& ActionBuilder::traceValue(const PushValue& value) {
    Bytes p;
    std::visit(PushWriter{p}, value);
    return record(action::Push, p).trace();
}

ActionBuilder& ActionBuilder::traceVariable(std::string_view name) { return getVariable(name).trace(); }

ActionBuilder& ActionBuilder::label(const std::string& name) {
    labels_[name] = out_.size();
    return *this;
}

ActionBuilder& ActionBuilder::jump(const std::string& label) { return branch(action::Jump, label); }

ActionBuilder& ActionBuilder::jumpIf(const std::string& label) { return branch(action::If, label); }

ActionBuilder& ActionBuilder::branch(std::uint8_t code, const std::string& label) {
    out_.push_back(code);
    u16(out_, 2);
    fixups_.emplace_back(out_.size(), label);
    u16(out_, 0);
    return *this;
}

ActionBuilder& ActionBuilder::block(std::uint8_t code, const Bytes& header, const Bytes& body) {
    record(code, header);
    out_.insert(out_.end(), body.begin(), body.end());
    return *this;
}

ActionBuilder& ActionBuilder::defineFunction(std::string_view name, std::initializer_list<std::string_view> params,
                                             const ActionBuilder& body) {
    Bytes p;
    str(p, name);
    u16(p, static_cast<std::uint16_t>(params.size()));
    for (std::string_view n : params) str(p, n);
    Bytes code = body.records();
    u16(p, static_cast<std::uint16_t>(code.size()));
    return block(action::DefineFunction, p, code);
}

ActionBuilder& ActionBuilder::defineFunction2(std::string_view name, std::uint8_t registers, std::uint16_t flags,
                                              std::initializer_list<Parameter> params, const ActionBuilder& body) {
    Bytes p;
    str(p, name);
    u16(p, static_cast<std::uint16_t>(params.size()));
    p.push_back(registers);
    u16(p, flags);
    for (const Parameter& q : params) {
        p.push_back(q.reg);
        str(p, q.name);
    }
    Bytes code = body.records();
    u16(p, static_cast<std::uint16_t>(code.size()));
    return block(action::DefineFunction2, p, code);
}

ActionBuilder& ActionBuilder::tryBlock(const ActionBuilder& body, const ActionBuilder* catchBody,
                                       const ActionBuilder* finallyBody, std::string_view catchName,
                                       int catchRegister) {
    Bytes t = body.records(), c, f;
    if (catchBody) c = catchBody->records();
    if (finallyBody) f = finallyBody->records();
    if (catchBody) {
        t.push_back(action::Jump);
        u16(t, 2);
        u16(t, static_cast<std::uint16_t>(c.size()));
    }
    Bytes p;
    p.push_back(static_cast<std::uint8_t>((catchBody ? 1 : 0) | (finallyBody ? 2 : 0) | (catchRegister >= 0 ? 4 : 0)));
    u16(p, static_cast<std::uint16_t>(t.size()));
    u16(p, static_cast<std::uint16_t>(c.size()));
    u16(p, static_cast<std::uint16_t>(f.size()));
    if (catchRegister >= 0)
        p.push_back(static_cast<std::uint8_t>(catchRegister));
    else
        str(p, catchName);
    t.insert(t.end(), c.begin(), c.end());
    t.insert(t.end(), f.begin(), f.end());
    return block(action::Try, p, t);
}

ActionBuilder& ActionBuilder::withBlock(const ActionBuilder& body) {
    Bytes code = body.records();
    Bytes p;
    u16(p, static_cast<std::uint16_t>(code.size()));
    return block(action::With, p, code);
}

Bytes ActionBuilder::records() const {
    Bytes out = out_;
    for (const auto& [at, label] : fixups_) {
        auto it = labels_.find(label);
        std::size_t target = it == labels_.end() ? out.size() : it->second;
        auto off = static_cast<std::int16_t>(static_cast<long>(target) - static_cast<long>(at + 2));
        out[at] = static_cast<std::uint8_t>(off & 0xFF);
        out[at + 1] = static_cast<std::uint8_t>((off >> 8) & 0xFF);
    }
    return out;
}

Bytes ActionBuilder::bytes() const {
    Bytes b = records();
    b.push_back(action::End);
    return b;
}

}  // namespace swf
