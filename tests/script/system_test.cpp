// System (security, capabilities, Product, $version), Error's message kept
// as given, and how the names of the stage's own objects (_global, _parent,
// _root) resolve as variables.
#include <gtest/gtest.h>

#include "tests/script/action_table.h"

namespace swf::script {
namespace {

using namespace test;

// Calls System.<holder>.<method> (holder may be empty) with `args` and traces the result.
void callSystem(Asm& a, const char* holder, const char* method, std::initializer_list<Asm::PushValue> args) {
    a.push(args).push({static_cast<int>(args.size())}).getVariable("System");
    if (*holder) a.getMember(holder);
    a.push({method}).record(op::CallMethod).trace();
}

TEST(System, SecurityGrantsAndSettings) {
    runTable({
        {"allowDomain grants with an argument and refuses without one",
         7,
         [](Asm& a) {
             callSystem(a, "security", "allowDomain", {"example.org"});
             callSystem(a, "security", "allowDomain", {});
             callSystem(a, "security", "allowInsecureDomain", {Undef{}});
             a.getVariable("System").getMember("security").getMember("sandboxType").trace();
         },
         {"true", "false", "true", "localWithFile"}},
        {"exactSettings and useCodepage read back what the movie set",
         7,
         [](Asm& a) {
             a.getVariable("System").getMember("exactSettings").trace();
             a.getVariable("System").push({"exactSettings", false}).record(op::SetMember);
             a.getVariable("System").getMember("exactSettings").trace();
             a.getVariable("System").push({"useCodepage", true}).record(op::SetMember);
             a.getVariable("System").getMember("useCodepage").trace();
         },
         {"true", "false", "true"}},
        {"version 6 movies start without exact settings",
         6,
         [](Asm& a) { a.getVariable("System").getMember("exactSettings").trace(); },
         {"false"}},
    });
}

TEST(System, CapabilitiesAndVersion) {
    runTable({
        {"capabilities are own members of the kinds movies test",
         7,
         [](Asm& a) {
             for (const char* name : {"version", "screenResolutionX", "hasAudio", "pixelAspectRatio"}) {
                 a.push({name, 1}).getVariable("System").getMember("capabilities");
                 a.push({"hasOwnProperty"}).record(op::CallMethod).trace();
                 a.getVariable("System").getMember("capabilities").getMember(name).record(op::TypeOf).trace();
             }
         },
         {"true", "string", "true", "number", "true", "boolean", "true", "number"}},
        {"$version is the main clip's own variable and matches capabilities.version",
         7,
         [](Asm& a) {
             a.getVariable("$version").getVariable("System").getMember("capabilities").getMember("version");
             a.record(op::StrictEquals).trace();
             a.push({"$version", 1}).getVariable("this").push({"hasOwnProperty"}).record(op::CallMethod).trace();
             a.getVariable("_global").getMember("$version").record(op::TypeOf).trace();
             a.push({"$version", 1}).getVariable("MovieClip").getMember("prototype");
             a.push({"hasOwnProperty"}).record(op::CallMethod).trace();
         },
         {"true", "true", "undefined", "false"}},
        {"System.Product makes objects that can launch and download",
         7,
         [](Asm& a) {
             a.push({"p", "viewer", 1}).getVariable("System").push({"Product"}).record(op::NewMethod);
             a.record(op::SetVariable);
             a.getVariable("p").getMember("launch").record(op::TypeOf).trace();
             a.getVariable("p").getMember("download").record(op::TypeOf).trace();
             a.getVariable("System").getMember("__proto__").getVariable("Object").getMember("prototype");
             a.record(op::StrictEquals).trace();
         },
         {"function", "function", "true"}},
    });
}

TEST(Error, MessageKeptAsGiven) {
    runTable({
        {"an object message stays an object, and toString answers it unconverted",
         7,
         [](Asm& a) {
             a.push({"e", 0, "Object"}).record(op::NewObject).push({1, "Error"}).record(op::NewObject);
             a.record(op::SetVariable);
             a.getVariable("e").getMember("message").record(op::TypeOf).trace();
             a.push({0}).callMethod("e", "toString").record(op::TypeOf).trace();
             a.push({"e", 7.5, 1, "Error"}).record(op::NewObject).record(op::SetVariable);
             a.push({0}).callMethod("e", "toString").record(op::TypeOf).trace();
         },
         {"object", "object", "number"}},
        {"without a message the prototype's text shows; called without new, Error makes nothing",
         7,
         [](Asm& a) {
             a.push({0, "Error"}).record(op::NewObject).trace();
             a.push({"x", 1, "Error"}).record(op::CallFunction).record(op::TypeOf).trace();
         },
         {"Error", "undefined"}},
    });
}

TEST(StageNames, PrototypeMembersDoNotHideTheStage) {
    // MovieClip.prototype[name] = "hidden"
    auto setOnClipPrototype = [](Asm& a, const char* name) {
        a.getVariable("MovieClip").getMember("prototype").push({name, "hidden"}).record(op::SetMember);
    };
    runTable({
        {"_global, _parent and _root on MovieClip.prototype are passed over",
         8,
         [&](Asm& a) {
             for (const char* n : {"_global", "_parent", "_root"}) setOnClipPrototype(a, n);
             a.getVariable("_global").record(op::TypeOf).trace();
             a.getVariable("_global").getMember("Math").getVariable("Math").record(op::StrictEquals).trace();
             a.getVariable("_parent").trace();
             a.getVariable("_root").record(op::TypeOf).trace();
         },
         {"object", "true", "undefined", "movieclip"}},
        {"a function's own _parent variable still wins",
         8,
         [&](Asm& a) {
             setOnClipPrototype(a, "_parent");
             Asm body;
             body.push({"_parent", "mine"}).record(op::DefineLocal).getVariable("_parent").trace();
             a.defineFunction("f", {}, body).push({0, "f"}).record(op::CallFunction).record(op::Pop);
         },
         {"mine"}},
        {"other names still come from the clip's prototype",
         8,
         [&](Asm& a) {
             setOnClipPrototype(a, "shared");
             a.getVariable("shared").trace();
         },
         {"hidden"}},
        {"an undeclared o reads null",
         8,
         [](Asm& a) {
             a.getVariable("o").record(op::TypeOf).trace();
             a.push({"o", 2}).record(op::SetVariable).getVariable("o").trace();
         },
         {"null", "2"}},
    });
}

}  // namespace
}  // namespace swf::script
