// The language as the reference player runs it, where it differs from a
// first guess: conversion order, string order, elements hidden by
// properties, and the like. Each case is a small program and what it traces.
#include <gtest/gtest.h>

#include "swf/script/utf8.h"
#include "tests/script/action_table.h"

namespace swf::script {
namespace {

using namespace test;

// function NAME() { trace(TEXT); return VALUE; } as an object's valueOf: o = {valueOf: NAME}.
void objectWithValueOf(Asm& a, const char* object, const char* text, Asm::PushValue value) {
    Asm body;
    body.traceValue(text).push({value}).record(op::Return);
    a.push({object, "valueOf"}).defineFunction("", {}, body).push({1}).record(op::InitObject).record(op::SetVariable);
}

TEST(Language, ConversionOrderAndComparisons) {
    runTable({
        {"legacy equals converts the right operand first",
         5,
         [](Asm& a) {
             objectWithValueOf(a, "o1", "left", 1);
             objectWithValueOf(a, "o2", "right", "1");
             a.getVariable("o1").getVariable("o2").record(op::Equals).trace();
         },
         {"right", "left", "true"}},
        {"less2 orders a surrogate pair after the rest of the basic plane",
         7,
         [](Asm& a) {
             a.push({"\xEF\xBD\xA1", "\xED\xA0\x80\xED\xB0\x82"}).record(op::Less2).trace();
             a.push({"\xED\xA0\x80\xED\xB0\x82", "\xEF\xBD\xA1"}).record(op::Less2).trace();
             a.push({"A", "B"}).record(op::Less2).trace();
             a.push({"ab", "a"}).record(op::Less2).trace();
         },
         {"true", "false", "true", "false"}},
    });
}

TEST(Language, ArrayElementsAndProperties) {
    runTable({
        {"a getter on an element's name hides the element",
         7,
         [](Asm& a) {
             Asm ten;
             ten.push({10}).record(op::Return);
             a.push({"o", 3, 2, 1, 3}).record(op::InitArray).record(op::SetVariable);
             a.push({Null{}}).defineFunction("", {}, ten).push({"2", 3}).callMethod("o", "addProperty").trace();
             a.getVariable("o").push({2}).record(op::GetMember).trace();
             a.getVariable("o").push({0}).record(op::GetMember).trace();
             a.push({0}).callMethod("o", "pop").trace();
         },
         {"true", "10", "1", "3"}},
    });
}

TEST(Language, TextOrder) {
    struct Row {
        const char* a;
        const char* b;
        int order;
    } rows[] = {
        {"", "", 0},
        {"a", "", 1},
        {"abc", "abd", -1},
        {"\xC3\xA9", "z", 1},
        {"\xEF\xBF\xBF", "\xF0\x90\x80\x82", -1},
        {"\xED\xA0\x80\xED\xB0\x82", "\xF0\x90\x80\x82", 0},
        {"\xED\xA0\x80", "\xED\xA0\x80\xED\xB0\x82", -1},  // a lone high half
        {"\xF0\x90", "\xF0", 1},                           // cut sequences count byte by byte
    };
    for (const Row& r : rows) {
        int got = compareText(r.a, r.b);
        EXPECT_EQ((got > 0) - (got < 0), r.order) << r.a << " / " << r.b;
    }
}

}  // namespace
}  // namespace swf::script
