#include "swf/script/program.h"

#include <algorithm>
#include <cstring>

namespace swf::script {

namespace {

// Reads fields from one record's payload; reading past the end gives zeros
// and sets `bad`.
struct Payload {
    const std::uint8_t* p;
    std::size_t size;
    std::size_t pos = 0;
    bool bad = false;

    std::uint8_t u8() {
        if (pos + 1 > size) {
            bad = true;
            pos = size;
            return 0;
        }
        return p[pos++];
    }
    std::uint16_t u16() {
        std::uint16_t lo = u8();
        std::uint16_t hi = u8();
        return static_cast<std::uint16_t>(lo | (hi << 8));
    }
    std::uint32_t u32() {
        std::uint32_t v = u16();
        return v | (static_cast<std::uint32_t>(u16()) << 16);
    }
    std::string string() {
        const void* end = pos < size ? std::memchr(p + pos, 0, size - pos) : nullptr;
        if (!end) {
            std::string s(reinterpret_cast<const char*>(p + pos), size - pos);
            pos = size;
            bad = true;
            return s;
        }
        std::size_t n = static_cast<const std::uint8_t*>(end) - (p + pos);
        std::string s(reinterpret_cast<const char*>(p + pos), n);
        pos += n + 1;
        return s;
    }
};

struct Pending {
    std::uint32_t record;
    enum { Branch, Function, Try, With, Wait } what;
    std::size_t offset;  // byte offset the block or branch refers to
    std::size_t offset2 = 0, offset3 = 0, offset4 = 0;
};

}  // namespace

std::int32_t Program::recordAt(std::size_t offset) const {
    auto it = std::lower_bound(offsets_.begin(), offsets_.end(), offset);
    if (it == offsets_.end() || *it != offset) return -1;
    return static_cast<std::int32_t>(it - offsets_.begin());
}

std::shared_ptr<Program> Program::parse(std::span<const std::uint8_t> bytes, Heap& heap, std::size_t maxRecords) {
    auto prog = std::make_shared<Program>();
    Program& P = *prog;
    auto literal = [&](std::string s) {
        Str* str = heap.make<Str>(std::move(s));
        heap.pin(str);
        return str;
    };
    std::vector<Pending> pending;
    std::size_t pos = 0;
    while (pos < bytes.size() && P.records.size() < maxRecords) {
        Record r;
        r.code = bytes[pos];
        std::size_t start = pos;
        std::size_t length = 0;
        if (r.code >= 0x80) {
            if (pos + 3 > bytes.size()) {
                P.truncated = true;
                break;
            }
            length = bytes[pos + 1] | (bytes[pos + 2] << 8);
            pos += 3;
            if (pos + length > bytes.size()) {
                P.truncated = true;
                break;
            }
        } else {
            pos += 1;
        }
        Payload in{bytes.data() + pos, length};
        auto index = static_cast<std::uint32_t>(P.records.size());
        std::size_t endOfRecord = pos + length;
        switch (r.code) {
        case 0x81:  // GotoFrame
            r.a = in.u16();
            break;
        case 0x83:  // GetURL
            r.s1 = literal(in.string());
            r.s2 = literal(in.string());
            break;
        case 0x87:  // StoreRegister
            r.a = in.u8();
            break;
        case 0x88: {  // ConstantPool
            std::uint16_t count = in.u16();
            std::vector<const Str*> pool;
            for (std::uint16_t i = 0; i < count && !in.bad; ++i) pool.push_back(literal(in.string()));
            r.extra = static_cast<std::uint32_t>(P.pools.size());
            P.pools.push_back(std::move(pool));
            break;
        }
        case 0x8A:  // WaitForFrame
            r.a = in.u16();
            r.b = in.u8();
            break;
        case 0x8B:  // SetTarget
        case 0x8C:  // GotoLabel
            r.s1 = literal(in.string());
            break;
        case 0x8D:  // WaitForFrame2
            r.b = in.u8();
            break;
        case 0x8E:    // DefineFunction2
        case 0x9B: {  // DefineFunction
            FunctionCode fc;
            fc.name = literal(in.string());
            std::uint16_t n = in.u16();
            if (r.code == 0x8E) {
                fc.v2 = true;
                fc.registers = in.u8();
                fc.flags = in.u16();
                for (std::uint16_t i = 0; i < n && !in.bad; ++i) {
                    std::uint8_t reg = in.u8();
                    fc.params.push_back({literal(in.string()), reg});
                }
            } else {
                for (std::uint16_t i = 0; i < n && !in.bad; ++i) fc.params.push_back({literal(in.string()), 0});
            }
            std::uint16_t codeSize = in.u16();
            r.extra = static_cast<std::uint32_t>(P.functions.size());
            P.functions.push_back(std::move(fc));
            pending.push_back({index, Pending::Function, endOfRecord, endOfRecord + codeSize});
            break;
        }
        case 0x8F: {  // Try
            std::uint8_t flags = in.u8();
            std::uint16_t trySize = in.u16(), catchSize = in.u16(), finallySize = in.u16();
            TryCode tc;
            tc.hasCatch = flags & 1;
            tc.hasFinally = flags & 2;
            tc.catchInRegister = flags & 4;
            if (tc.catchInRegister)
                tc.catchRegister = in.u8();
            else
                tc.catchName = literal(in.string());
            r.extra = static_cast<std::uint32_t>(P.tries.size());
            P.tries.push_back(tc);
            std::size_t c = endOfRecord + trySize, f = c + catchSize, e = f + finallySize;
            pending.push_back({index, Pending::Try, endOfRecord, c, f, e});
            break;
        }
        case 0x94:  // With
            pending.push_back({index, Pending::With, endOfRecord + in.u16()});
            break;
        case 0x96: {  // Push
            std::vector<PushItem> items;
            while (in.pos < in.size && !in.bad) {
                PushItem it;
                std::uint8_t type = in.u8();
                switch (type) {
                case 0: it.literal = Value::string(literal(in.string())); break;
                case 1: {
                    std::uint32_t bits = in.u32();
                    float f;
                    std::memcpy(&f, &bits, 4);
                    it.literal = Value::number(f);
                    break;
                }
                case 2: it.literal = Value::null(); break;
                case 3: it.literal = Value::undefined(); break;
                case 4:
                    it.kind = PushItem::Kind::Register;
                    it.index = in.u8();
                    break;
                case 5: it.literal = Value::boolean(in.u8() != 0); break;
                case 6: {
                    std::uint64_t hi = in.u32();
                    std::uint64_t lo = in.u32();
                    std::uint64_t bits = (hi << 32) | lo;
                    double d;
                    std::memcpy(&d, &bits, 8);
                    it.literal = Value::number(d);
                    break;
                }
                case 7: it.literal = Value::number(static_cast<std::int32_t>(in.u32())); break;
                case 8:
                    it.kind = PushItem::Kind::Constant;
                    it.index = in.u8();
                    break;
                case 9:
                    it.kind = PushItem::Kind::Constant;
                    it.index = in.u16();
                    break;
                default: in.bad = true; break;
                }
                if (!in.bad) items.push_back(it);
            }
            r.extra = static_cast<std::uint32_t>(P.pushes.size());
            P.pushes.push_back(std::move(items));
            break;
        }
        case 0x99:    // Jump
        case 0x9D: {  // If
            auto off = static_cast<std::int16_t>(in.u16());
            auto target = static_cast<std::int64_t>(endOfRecord) + off;
            pending.push_back({index, Pending::Branch, target < 0 ? SIZE_MAX : static_cast<std::size_t>(target)});
            break;
        }
        case 0x9A:  // GetURL2
            r.a = in.u8();
            break;
        case 0x9F: {  // GotoFrame2
            std::uint8_t flags = in.u8();
            r.a = flags & 1;
            r.b = (flags & 2) ? in.u16() : 0;
            break;
        }
        default: break;
        }
        P.offsets_.push_back(start);
        P.records.push_back(r);
        pos = endOfRecord;
    }
    // A closing End, so branches to the very end land somewhere.
    P.offsets_.push_back(pos);
    P.records.push_back(Record{});
    for (std::uint32_t i = 0; i < P.records.size(); ++i)
        P.records[i].next = std::min<std::uint32_t>(i + 1, static_cast<std::uint32_t>(P.records.size() - 1));

    auto at = [&](std::size_t offset) -> std::int32_t { return offset == SIZE_MAX ? -1 : P.recordAt(offset); };
    auto endAt = [&](std::size_t offset) -> std::uint32_t {
        // A block ends at a record boundary, or at the first record past it.
        auto it = std::lower_bound(P.offsets_.begin(), P.offsets_.end(), offset);
        return static_cast<std::uint32_t>(std::min<std::size_t>(it - P.offsets_.begin(), P.records.size() - 1));
    };
    for (const Pending& p : pending) {
        Record& r = P.records[p.record];
        switch (p.what) {
        case Pending::Branch: r.target = at(p.offset); break;
        case Pending::Function: {
            FunctionCode& fc = P.functions[r.extra];
            fc.begin = p.record + 1;
            fc.end = endAt(p.offset2);
            r.target = static_cast<std::int32_t>(fc.end);  // where the definer continues
            break;
        }
        case Pending::Try: {
            TryCode& tc = P.tries[r.extra];
            tc.tryBegin = p.record + 1;
            tc.catchBegin = endAt(p.offset2);
            tc.finallyBegin = endAt(p.offset3);
            tc.end = endAt(p.offset4);
            break;
        }
        case Pending::With: r.target = static_cast<std::int32_t>(endAt(p.offset)); break;
        case Pending::Wait: break;
        }
    }
    return prog;
}

}  // namespace swf::script
