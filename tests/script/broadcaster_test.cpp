// AsBroadcaster, the classes standing in for absent devices, and what each
// file version sees of them.
#include <gtest/gtest.h>

#include "tests/script/action_table.h"

namespace swf::script {
namespace {

using namespace test;

// l_NAME = { on: function(a, b) { trace("NAME " + a + "," + b) } }
void listener(Asm& a, const char* name, const char* method) {
    Asm body;
    body.push({name, " "}).record(op::Add2).push({"a"}).record(op::GetVariable).record(op::Add2);
    body.push({","}).record(op::Add2).push({"b"}).record(op::GetVariable).record(op::Add2).trace();
    std::string var = std::string("l_") + name;
    a.push({var.c_str(), method}).defineFunction("", {"a", "b"}, body).push({1}).record(op::InitObject);
    a.record(op::SetVariable);
}

TEST(Broadcaster, InitializeAddRemoveAndBroadcast) {
    runTable({
        {"listeners hear messages in the order they were added, once each",
         6,
         [](Asm& a) {
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("o").push({1}).callMethod("AsBroadcaster", "initialize").record(op::Pop);
             listener(a, "one", "on");
             listener(a, "two", "on");
             a.getVariable("l_one").push({1}).callMethod("o", "addListener").trace();
             a.getVariable("l_two").push({1}).callMethod("o", "addListener").record(op::Pop);
             // added again: moves to the end, not listed twice
             a.getVariable("l_one").push({1}).callMethod("o", "addListener").record(op::Pop);
             a.getVariable("o").getMember("_listeners").getMember("length").trace();
             a.push({"y", "x", "on", 3}).callMethod("o", "broadcastMessage").trace();
             a.getVariable("l_two").push({1}).callMethod("o", "removeListener").trace();
             a.getVariable("l_two").push({1}).callMethod("o", "removeListener").trace();
             a.push({"on", 1}).callMethod("o", "broadcastMessage").record(op::Pop);
         },
         {"true", "2", "two x,y", "one x,y", "true", "true", "false", "one ,"}},
        {"the members initialize adds are hidden from for..in",
         6,
         [](Asm& a) {
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("o").push({1}).callMethod("AsBroadcaster", "initialize").record(op::Pop);
             a.getVariable("o").record(op::Enumerate2).label("next").storeRegister(0).push({Null{}});
             a.record(op::Equals2).jumpIf("done").push({Reg{0}}).trace().jump("next").label("done");
             a.traceValue("end");
         },
         {"end"}},
        {"Key, Mouse, Stage, System.IME and MovieClipLoader share AsBroadcaster's methods",
         8,
         [](Asm& a) {
             a.push({"mcl", 0, "MovieClipLoader"}).record(op::NewObject).record(op::SetVariable);
             a.getVariable("AsBroadcaster").getMember("addListener").storeRegister(1).record(op::Pop);
             for (const char* o : {"Key", "Mouse", "Stage", "mcl"})
                 a.getVariable(o).getMember("addListener").push({Reg{1}}).record(op::StrictEquals).trace();
             a.getVariable("System").getMember("IME").getMember("removeListener").getVariable("AsBroadcaster");
             a.getMember("removeListener").record(op::StrictEquals).trace();
             // a loader is its own first listener
             a.getVariable("mcl").getMember("_listeners").getMember("0").getVariable("mcl");
             a.record(op::StrictEquals).trace();
         },
         {"true", "true", "true", "true", "true", "true"}},
        {"below version 6 AsBroadcaster is a bare function",
         5,
         [](Asm& a) {
             a.getVariable("AsBroadcaster").record(op::TypeOf).trace();
             a.getVariable("AsBroadcaster").getMember("initialize").record(op::TypeOf).trace();
             a.getVariable("AsBroadcaster").getMember("prototype").record(op::TypeOf).trace();
         },
         {"function", "undefined", "undefined"}},
    });
}

TEST(Broadcaster, PlaceholdersAndVersions) {
    runTable({
        {"device classes exist in every version",
         5,
         [](Asm& a) {
             for (const char* cls : {"Camera", "ContextMenu", "TextSnapshot"})
                 a.getVariable(cls).record(op::TypeOf).trace();
         },
         {"function", "function", "function"}},
        {"flash.geom is hidden below version 8 until its flags are lifted",
         7,
         [](Asm& a) {
             a.getVariable("flash").record(op::TypeOf).trace();
             a.push({5248, 0, "flash"}).getVariable("_global").push({4, "ASSetPropFlags"}).record(op::CallFunction);
             a.record(op::Pop);
             a.getVariable("flash").getMember("geom").getMember("Transform").record(op::TypeOf).trace();
         },
         {"undefined", "function"}},
        {"ASSetNative numbers the names from the first index; an empty name skips one",
         6,
         [](Asm& a) {
             a.push({"d", 1234, 1, "Date"}).record(op::NewObject).record(op::SetVariable);
             a.push({15, ",t", 103}).getVariable("d").push({4, "ASSetNative"}).record(op::CallFunction);
             a.record(op::Pop);
             a.push({0}).callMethod("d", "t").trace();
             a.getVariable("d").push({"g", 16, 103, 2, "ASnative"}).record(op::CallFunction).record(op::SetMember);
             a.push({0}).callMethod("d", "g").trace();
             a.push({99, 103, 2, "ASnative"}).record(op::CallFunction).record(op::TypeOf).trace();
         },
         {"1234", "1234", "undefined"}},
        {"ASnative(101, 5) is hasOwnProperty",
         6,
         [](Asm& a) {
             a.push({"o", "k", 1, 1}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("o").push({"has", 5, 101, 2, "ASnative"}).record(op::CallFunction).record(op::SetMember);
             a.push({"k", 1}).callMethod("o", "has").trace();
             a.push({"z", 1}).callMethod("o", "has").trace();
         },
         {"true", "false"}},
    });
}

TEST(Broadcaster, AClipTakenOffTheStageStaysListedButHearsNothing) {
    TestHost host;
    Machine m(host, 6);
    ClipHandle clip = host.add(host.root(), "c");
    Asm body, a;
    body.push({"c "}).push({"a"}).record(op::GetVariable).record(op::Add2).trace();
    a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
    a.getVariable("o").push({1}).callMethod("AsBroadcaster", "initialize").record(op::Pop);
    a.getVariable("c").push({"on"}).defineFunction("", {"a"}, body).record(op::SetMember);
    a.getVariable("c").push({1}).callMethod("o", "addListener").record(op::Pop);
    a.push({"x", "on", 2}).callMethod("o", "broadcastMessage").record(op::Pop);
    m.runActions(a.bytes(), host.root());
    EXPECT_EQ(host.traces, std::vector<std::string>{"c x"});
    m.clipRemoved(clip);
    host.traces.clear();
    Asm again;
    again.push({"y", "on", 2}).callMethod("o", "broadcastMessage").trace();
    again.getVariable("o").getMember("_listeners").getMember("length").trace();
    m.runActions(again.bytes(), host.root());
    EXPECT_EQ(host.traces, (std::vector<std::string>{"true", "1"}));
}

}  // namespace
}  // namespace swf::script
