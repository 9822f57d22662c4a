// LoadVars: the URL-encoded text of an object's variables, and back.
#include <gtest/gtest.h>

#include "tests/script/action_table.h"

namespace swf::script {
namespace {

using namespace test;

TEST(LoadVars, EncodesAndDecodes) {
    Asm thrower;
    thrower.push({"bad"}).record(op::Throw);
    runTable({
        {"variables newest first, names and values escaped; empty gives an empty text",
         7,
         [](Asm& a) {
             a.push({"lv", 0, "LoadVars"}).record(op::NewObject).record(op::SetVariable);
             a.getVariable("lv").push({"a b", "x&y=z"}).record(op::SetMember);
             a.getVariable("lv").push({"n", 1}).record(op::SetMember);
             a.push({0}).callMethod("lv", "toString").trace();
             a.push({0, "LoadVars"}).record(op::NewObject).trace();
         },
         {"n=1&a%20b=x%26y%3Dz", ""}},
        {"decode sets each pair, unescaped; a pair without = is skipped",
         7,
         [](Asm& a) {
             a.push({"lv", 0, "LoadVars"}).record(op::NewObject).record(op::SetVariable);
             a.push({"k=v%21&odd&sp=a+b", 1}).callMethod("lv", "decode").record(op::Pop);
             a.getVariable("lv").getMember("k").trace();
             a.getVariable("lv").getMember("sp").trace();
             a.getVariable("lv").getMember("odd").trace();
         },
         {"v!", "a b", "undefined"}},
        {"a value whose toString throws stops toString with that exception",
         7,
         [&](Asm& a) {
             a.push({"lv", 0, "LoadVars"}).record(op::NewObject).record(op::SetVariable);
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("o").push({"toString"}).defineFunction("", {}, thrower).record(op::SetMember);
             a.getVariable("lv").push({"v"}).getVariable("o").record(op::SetMember);
             Asm body, handler;
             body.push({0}).callMethod("lv", "toString").trace();
             handler.push({"e"}).record(op::GetVariable).trace();
             a.tryBlock(body, &handler, nullptr, "e");
         },
         {"bad"}},
    });
}

}  // namespace
}  // namespace swf::script
