// Action bytes parsed once into records: payloads decoded, branch targets
// resolved to record numbers, function bodies and try blocks located, and
// string literals placed on the heap (pinned for the program's life).
// Malformed bytes never fail the parse: a record that passes the end, or a
// branch into the middle of a record, ends the script there.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "swf/script/value.h"

namespace swf::script {

// One operand of a Push.
struct PushItem {
    enum class Kind : std::uint8_t { Literal, Constant, Register } kind = Kind::Literal;
    std::uint16_t index = 0;  // constant or register number
    Value literal;
};

struct FunctionCode {
    const Str* name = nullptr;  // "" for anonymous
    struct Param {
        const Str* name;
        std::uint8_t reg;
    };  // reg 0: by name
    std::vector<Param> params;
    bool v2 = false;              // DefineFunction2
    std::uint16_t flags = 0;      // DefineFunction2 preload/suppress bits
    std::uint16_t registers = 4;  // register count (4 for DefineFunction)
    std::uint32_t begin = 0;      // first record of the body
    std::uint32_t end = 0;        // record just past the body
};

// DefineFunction2 flags.
enum FunctionFlag : std::uint16_t {
    PreloadThis = 0x0001,
    SuppressThis = 0x0002,
    PreloadArguments = 0x0004,
    SuppressArguments = 0x0008,
    PreloadSuper = 0x0010,
    SuppressSuper = 0x0020,
    PreloadRoot = 0x0040,
    PreloadParent = 0x0080,
    PreloadGlobal = 0x0100,
};

struct TryCode {
    bool catchInRegister = false;
    std::uint8_t catchRegister = 0;
    const Str* catchName = nullptr;
    bool hasCatch = false, hasFinally = false;
    std::uint32_t tryBegin = 0, catchBegin = 0, finallyBegin = 0, end = 0;  // record numbers
};

struct Record {
    std::uint8_t code = 0;
    std::uint32_t next = 0;    // record that follows
    std::int32_t target = -1;  // Jump/If: record to branch to (-1: leaves the script)
    std::uint32_t a = 0;       // small operand: frame, register, count, skip, flags...
    std::uint32_t b = 0;       // second small operand
    std::uint32_t extra = 0;   // index into pushes/functions/tries/pools
    const Str* s1 = nullptr;   // string operands (label, url, target)
    const Str* s2 = nullptr;
};

class Program : public std::enable_shared_from_this<Program> {
public:
    // Parses actions. Literal strings go on `heap`, pinned.
    static std::shared_ptr<Program> parse(std::span<const std::uint8_t> bytes, Heap& heap,
                                          std::size_t maxRecords = 1u << 20);

    std::vector<Record> records;  // always ends with an End record
    std::vector<std::vector<PushItem>> pushes;
    std::vector<FunctionCode> functions;
    std::vector<TryCode> tries;
    std::vector<std::vector<const Str*>> pools;
    bool truncated = false;
    // Record number of a byte offset; -1 when the offset is not the start of a record.
    std::int32_t recordAt(std::size_t offset) const;

private:
    std::vector<std::uint32_t> offsets_;  // byte offset of each record
};

}  // namespace swf::script
