// Tables of small action programs for the machine's tests: each case
// assembles a program, runs it on a test stage and compares what it traced;
// a run must end without a bound passed and without a warning.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "swf/script/machine.h"
#include "tests/script/test_host.h"

namespace swf::script::test {

struct Case {
    const char* name;
    int version;
    std::function<void(Asm&)> build;
    std::vector<std::string> out;
};

// One action on pushed operands, and what it leaves traced.
struct OpCase {
    const char* name;
    int version;
    std::initializer_list<Asm::PushValue> operands;
    std::uint8_t code;
    const char* out;
};

// Traces each name that Enumerate2 lists for the variable `object`, in its
// order, until the null that ends the list.
inline void traceEnumeration(Asm& a, const char* object) {
    a.getVariable(object)
        .record(op::Enumerate2)
        .label("loop")
        .storeRegister(0)
        .push({Null{}})
        .record(op::Equals2)
        .jumpIf("done");
    a.push({Reg{0}}).trace().jump("loop").label("done");
}

inline void runTable(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        TestHost host;
        Machine m(host, c.version);
        Asm a;
        c.build(a);
        std::vector<std::uint8_t> bytes = a.bytes();
        RunResult r = m.runActions(bytes, host.root());
        EXPECT_EQ(host.traces, c.out) << c.name;
        EXPECT_NE(r.end, RunResult::End::LimitReached) << c.name;
        EXPECT_TRUE(host.warnings.empty()) << c.name << ": " << (host.warnings.empty() ? "" : host.warnings[0]);
    }
}

inline void runOps(std::initializer_list<OpCase> cases) {
    std::vector<Case> table;
    for (const OpCase& c : cases)
        table.push_back({c.name, c.version, [&c](Asm& a) { a.push(c.operands).record(c.code).trace(); }, {c.out}});
    runTable(table);
}

}  // namespace swf::script::test
