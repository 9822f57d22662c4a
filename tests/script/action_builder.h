// A tiny assembler of action bytes for the machine's tests: push operands,
// action codes, labels with forward branches, functions, try and with blocks.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace swf::script::test {

struct Null {};
struct Undef {};
struct Reg {
    std::uint8_t n;
};
struct Const {
    std::uint16_t n;
};
using Operand = std::variant<const char*, std::string, double, int, bool, Null, Undef, Reg, Const>;

namespace op {
enum : std::uint8_t {
    NextFrame = 0x04,
    PrevFrame = 0x05,
    Play = 0x06,
    Stop = 0x07,
    Add = 0x0A,
    Subtract = 0x0B,
    Multiply = 0x0C,
    Divide = 0x0D,
    Equals = 0x0E,
    Less = 0x0F,
    And = 0x10,
    Or = 0x11,
    Not = 0x12,
    StringEquals = 0x13,
    StringLength = 0x14,
    StringExtract = 0x15,
    Pop = 0x17,
    ToInteger = 0x18,
    GetVariable = 0x1C,
    SetVariable = 0x1D,
    SetTarget2 = 0x20,
    StringAdd = 0x21,
    GetProperty = 0x22,
    SetProperty = 0x23,
    CloneSprite = 0x24,
    RemoveSprite = 0x25,
    Trace = 0x26,
    StringLess = 0x29,
    Throw = 0x2A,
    CastOp = 0x2B,
    ImplementsOp = 0x2C,
    RandomNumber = 0x30,
    MBStringLength = 0x31,
    CharToAscii = 0x32,
    AsciiToChar = 0x33,
    GetTime = 0x34,
    MBStringExtract = 0x35,
    MBCharToAscii = 0x36,
    MBAsciiToChar = 0x37,
    Delete = 0x3A,
    Delete2 = 0x3B,
    DefineLocal = 0x3C,
    CallFunction = 0x3D,
    Return = 0x3E,
    Modulo = 0x3F,
    NewObject = 0x40,
    DefineLocal2 = 0x41,
    InitArray = 0x42,
    InitObject = 0x43,
    TypeOf = 0x44,
    TargetPath = 0x45,
    Enumerate = 0x46,
    Add2 = 0x47,
    Less2 = 0x48,
    Equals2 = 0x49,
    ToNumber = 0x4A,
    ToString = 0x4B,
    PushDuplicate = 0x4C,
    StackSwap = 0x4D,
    GetMember = 0x4E,
    SetMember = 0x4F,
    Increment = 0x50,
    Decrement = 0x51,
    CallMethod = 0x52,
    NewMethod = 0x53,
    InstanceOf = 0x54,
    Enumerate2 = 0x55,
    BitAnd = 0x60,
    BitOr = 0x61,
    BitXor = 0x62,
    BitLShift = 0x63,
    BitRShift = 0x64,
    BitURShift = 0x65,
    StrictEquals = 0x66,
    Greater = 0x67,
    StringGreater = 0x68,
    Extends = 0x69,
};
}

class Asm {
public:
    Asm& code(std::uint8_t c) {
        b_.push_back(c);
        return *this;
    }
    Asm& push(std::initializer_list<Operand> items) {
        std::vector<std::uint8_t> p;
        for (const Operand& o : items) {
            if (auto s = std::get_if<const char*>(&o)) {
                p.push_back(0);
                str(p, *s);
            } else if (auto s2 = std::get_if<std::string>(&o)) {
                p.push_back(0);
                str(p, s2->c_str());
            } else if (auto d = std::get_if<double>(&o)) {
                p.push_back(6);
                std::uint64_t bits;
                std::memcpy(&bits, d, 8);
                u32(p, static_cast<std::uint32_t>(bits >> 32));
                u32(p, static_cast<std::uint32_t>(bits));
            } else if (auto i = std::get_if<int>(&o)) {
                p.push_back(7);
                u32(p, static_cast<std::uint32_t>(*i));
            } else if (auto bo = std::get_if<bool>(&o)) {
                p.push_back(5);
                p.push_back(*bo ? 1 : 0);
            } else if (std::holds_alternative<Null>(o))
                p.push_back(2);
            else if (std::holds_alternative<Undef>(o))
                p.push_back(3);
            else if (auto r = std::get_if<Reg>(&o)) {
                p.push_back(4);
                p.push_back(r->n);
            } else if (auto c = std::get_if<Const>(&o)) {
                if (c->n < 256) {
                    p.push_back(8);
                    p.push_back(static_cast<std::uint8_t>(c->n));
                } else {
                    p.push_back(9);
                    u16(p, c->n);
                }
            }
        }
        return record(0x96, p);
    }
    // Shorthands for common sequences.
    Asm& get(const char* name) { return push({name}).code(op::GetVariable); }
    Asm& set(const char* name, Operand v) { return push({name, v}).code(op::SetVariable); }
    Asm& trace() { return code(op::Trace); }
    Asm& traceValue(Operand v) { return push({v}).trace(); }
    Asm& traceVar(const char* name) { return get(name).trace(); }
    Asm& member(const char* name) { return push({name}).code(op::GetMember); }
    Asm& constants(std::initializer_list<const char*> names) {
        std::vector<std::uint8_t> p;
        u16(p, static_cast<std::uint16_t>(names.size()));
        for (const char* n : names) str(p, n);
        return record(0x88, p);
    }
    Asm& storeRegister(std::uint8_t r) { return record(0x87, {r}); }
    Asm& gotoFrame(std::uint16_t f) {
        std::vector<std::uint8_t> p;
        u16(p, f);
        return record(0x81, p);
    }
    Asm& gotoLabel(const char* l) {
        std::vector<std::uint8_t> p;
        str(p, l);
        return record(0x8C, p);
    }
    Asm& gotoFrame2(bool play) { return record(0x9F, {static_cast<std::uint8_t>(play ? 1 : 0)}); }
    Asm& setTarget(const char* t) {
        std::vector<std::uint8_t> p;
        str(p, t);
        return record(0x8B, p);
    }
    Asm& getUrl(const char* url, const char* target) {
        std::vector<std::uint8_t> p;
        str(p, url);
        str(p, target);
        return record(0x83, p);
    }
    Asm& jump(const std::string& label) { return branch(0x99, label); }
    Asm& ifTrue(const std::string& label) { return branch(0x9D, label); }
    Asm& label(const std::string& name) {
        labels_[name] = b_.size();
        return *this;
    }
    Asm& raw(std::initializer_list<std::uint8_t> bytes) {
        b_.insert(b_.end(), bytes);
        return *this;
    }
    // DefineFunction: the body is its own Asm (labels inside stay inside).
    Asm& function(const char* name, std::initializer_list<const char*> params, const Asm& body) {
        std::vector<std::uint8_t> p;
        str(p, name);
        u16(p, static_cast<std::uint16_t>(params.size()));
        for (const char* n : params) str(p, n);
        std::vector<std::uint8_t> code = body.bytesNoEnd();
        u16(p, static_cast<std::uint16_t>(code.size()));
        record(0x9B, p);
        b_.insert(b_.end(), code.begin(), code.end());
        return *this;
    }
    struct Param {
        std::uint8_t reg;
        const char* name;
    };
    Asm& function2(const char* name, std::uint8_t registers, std::uint16_t flags, std::initializer_list<Param> params,
                   const Asm& body) {
        std::vector<std::uint8_t> p;
        str(p, name);
        u16(p, static_cast<std::uint16_t>(params.size()));
        p.push_back(registers);
        u16(p, flags);
        for (const Param& q : params) {
            p.push_back(q.reg);
            str(p, q.name);
        }
        std::vector<std::uint8_t> code = body.bytesNoEnd();
        u16(p, static_cast<std::uint16_t>(code.size()));
        record(0x8E, p);
        b_.insert(b_.end(), code.begin(), code.end());
        return *this;
    }
    // Try: catchVar empty and catchReg ≥ 0 catches into a register.
    Asm& tryBlock(const Asm& body, const Asm* catchBody, const Asm* finallyBody, const char* catchVar,
                  int catchReg = -1) {
        std::vector<std::uint8_t> t = body.bytesNoEnd(), c, f;
        if (catchBody) c = catchBody->bytesNoEnd();
        if (finallyBody) f = finallyBody->bytesNoEnd();
        std::vector<std::uint8_t> p;
        std::uint8_t flags = (catchBody ? 1 : 0) | (finallyBody ? 2 : 0) | (catchReg >= 0 ? 4 : 0);
        p.push_back(flags);
        // The try block ends with a jump over the catch block, as compilers emit it.
        std::vector<std::uint8_t> jumpOver;
        if (catchBody) {
            jumpOver = {0x99, 2, 0};
            auto skip = static_cast<std::uint16_t>(c.size());
            jumpOver.push_back(static_cast<std::uint8_t>(skip & 0xFF));
            jumpOver.push_back(static_cast<std::uint8_t>(skip >> 8));
        }
        u16(p, static_cast<std::uint16_t>(t.size() + jumpOver.size()));
        u16(p, static_cast<std::uint16_t>(c.size()));
        u16(p, static_cast<std::uint16_t>(f.size()));
        if (catchReg >= 0)
            p.push_back(static_cast<std::uint8_t>(catchReg));
        else
            str(p, catchVar ? catchVar : "");
        record(0x8F, p);
        b_.insert(b_.end(), t.begin(), t.end());
        b_.insert(b_.end(), jumpOver.begin(), jumpOver.end());
        b_.insert(b_.end(), c.begin(), c.end());
        b_.insert(b_.end(), f.begin(), f.end());
        return *this;
    }
    Asm& with(const Asm& body) {
        std::vector<std::uint8_t> code = body.bytesNoEnd();
        std::vector<std::uint8_t> p;
        u16(p, static_cast<std::uint16_t>(code.size()));
        record(0x94, p);
        b_.insert(b_.end(), code.begin(), code.end());
        return *this;
    }

    std::vector<std::uint8_t> bytesNoEnd() const {
        std::vector<std::uint8_t> out = b_;
        for (const auto& [at, label] : fixups_) {
            auto it = labels_.find(label);
            std::size_t target = it == labels_.end() ? out.size() : it->second;
            auto off = static_cast<std::int16_t>(static_cast<long>(target) - static_cast<long>(at + 2));
            out[at] = static_cast<std::uint8_t>(off & 0xFF);
            out[at + 1] = static_cast<std::uint8_t>((off >> 8) & 0xFF);
        }
        return out;
    }
    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> out = bytesNoEnd();
        out.push_back(0);
        return out;
    }

private:
    Asm& record(std::uint8_t c, const std::vector<std::uint8_t>& payload) {
        b_.push_back(c);
        u16(b_, static_cast<std::uint16_t>(payload.size()));
        b_.insert(b_.end(), payload.begin(), payload.end());
        return *this;
    }
    Asm& branch(std::uint8_t c, const std::string& label) {
        b_.push_back(c);
        u16(b_, 2);
        fixups_.emplace_back(b_.size(), label);
        u16(b_, 0);
        return *this;
    }
    static void u16(std::vector<std::uint8_t>& v, std::uint16_t x) {
        v.push_back(static_cast<std::uint8_t>(x & 0xFF));
        v.push_back(static_cast<std::uint8_t>(x >> 8));
    }
    static void u32(std::vector<std::uint8_t>& v, std::uint32_t x) {
        u16(v, static_cast<std::uint16_t>(x & 0xFFFF));
        u16(v, static_cast<std::uint16_t>(x >> 16));
    }
    static void str(std::vector<std::uint8_t>& v, const char* s) {
        v.insert(v.end(), s, s + std::strlen(s));
        v.push_back(0);
    }

    std::vector<std::uint8_t> b_;
    std::map<std::string, std::size_t> labels_;
    std::vector<std::pair<std::size_t, std::string>> fixups_;
};

}  // namespace swf::script::test
