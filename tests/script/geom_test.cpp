// flash.geom.Point and Matrix: fields kept as given, arithmetic with the
// script's own operators, and the matrix operations.
#include <gtest/gtest.h>

#include "tests/script/action_table.h"

namespace swf::script {
namespace {

using namespace test;

// VAR = new flash.geom.CLS(args...) — the arguments pushed last to first.
void make(Asm& a, const char* var, const char* cls, std::initializer_list<Asm::PushValue> reversedArgs) {
    a.push({var});
    a.push(reversedArgs);
    a.push({static_cast<int>(reversedArgs.size())});
    a.getVariable("flash").getMember("geom").getMember(cls).push({Undef{}}).record(op::NewMethod);
    a.record(op::SetVariable);
}

// trace(VAR.method(args...))
void traceCall(Asm& a, const char* var, const char* method, std::initializer_list<Asm::PushValue> reversedArgs) {
    a.push(reversedArgs).push({static_cast<int>(reversedArgs.size())}).callMethod(var, method).trace();
}

TEST(Geom, Point) {
    runTable({
        {"fields as given, + joins strings, length and distance",
         8,
         [](Asm& a) {
             make(a, "o", "Point", {});
             a.getVariable("o").trace();
             make(a, "p", "Point", {4, 3});
             a.getVariable("p").getMember("length").trace();
             make(a, "s", "Point", {"y", "x"});
             a.getVariable("p").push({1}).callMethod("s", "add").trace();
             a.getVariable("s").push({1}).callMethod("p", "subtract").trace();
             a.getVariable("o").getVariable("p").push({2}).getVariable("flash").getMember("geom").getMember("Point");
             a.push({"distance"}).record(op::CallMethod).trace();
         },
         {"(x=0, y=0)", "5", "(x=x3, y=y4)", "(x=NaN, y=NaN)", "5"}},
        {"equals compares fields strictly; normalize, offset, interpolate, polar",
         8,
         [](Asm& a) {
             make(a, "p", "Point", {4, 3});
             make(a, "q", "Point", {"4", 3});
             a.getVariable("q").push({1}).callMethod("p", "equals").trace();
             a.push({0}).callMethod("p", "clone").push({1}).callMethod("p", "equals").trace();
             traceCall(a, "p", "normalize", {10});
             a.getVariable("p").trace();
             traceCall(a, "p", "offset", {1, 1});
             a.getVariable("p").trace();
             make(a, "r", "Point", {0, 0});
             a.push({0.25}).getVariable("r").getVariable("q").push({3}).getVariable("flash").getMember("geom");
             a.getMember("Point").push({"interpolate"}).record(op::CallMethod).trace();
             a.push({0, 2, 2}).getVariable("flash").getMember("geom").getMember("Point").push({"polar"});
             a.record(op::CallMethod).trace();
         },
         {"false", "true", "undefined", "(x=6, y=8)", "undefined", "(x=7, y=9)", "(x=0.75, y=1)", "(x=2, y=0)"}},
        {"the members show in for..in",
         8,
         [](Asm& a) {
             make(a, "p", "Point", {});
             a.setVariable("n", 0);
             a.getVariable("p").record(op::Enumerate2).label("next").storeRegister(0).push({Null{}});
             a.record(op::Equals2).jumpIf("done").push({"n"}).getVariable("n").record(op::Increment);
             a.record(op::SetVariable).jump("next").label("done");
             a.traceVariable("n");
         },
         {"10"}},
    });
}

TEST(Geom, Matrix) {
    runTable({
        {"identity by default, fields as given otherwise",
         8,
         [](Asm& a) {
             make(a, "m", "Matrix", {});
             a.getVariable("m").trace();
             make(a, "n", "Matrix", {2, 1});
             a.getVariable("n").trace();
         },
         {"(a=1, b=0, c=0, d=1, tx=0, ty=0)", "(a=1, b=2, c=undefined, d=undefined, tx=undefined, ty=undefined)"}},
        {"scale, translate, invert, concat and the points",
         8,
         [](Asm& a) {
             make(a, "m", "Matrix", {100, 100, 2, 0, 0, 2});
             traceCall(a, "m", "scale", {11, 7});
             a.getVariable("m").trace();
             make(a, "n", "Matrix", {11, 9, 7, 5, 3, 2});
             traceCall(a, "n", "invert", {});
             a.getVariable("n").trace();
             make(a, "k", "Matrix", {13, 11, 7, 5, 3, 2});
             make(a, "pt", "Point", {1, 1});
             a.getVariable("pt").push({1}).callMethod("k", "transformPoint").trace();
             a.getVariable("pt").push({1}).callMethod("k", "deltaTransformPoint").trace();
             make(a, "t", "Matrix", {5, 3, 0, 1, 1, 0});
             a.getVariable("t").push({1}).callMethod("k", "concat").record(op::Pop);
             a.getVariable("k").trace();
             traceCall(a, "k", "identity", {});
             a.getVariable("k").trace();
         },
         {"undefined", "(a=14, b=0, c=0, d=22, tx=700, ty=1100)", "undefined", "(a=-7, b=3, c=5, d=-2, tx=8, ty=-5)",
          "(x=18, y=23)", "(x=7, y=10)", "(a=3, b=2, c=7, d=5, tx=16, ty=16)", "undefined",
          "(a=1, b=0, c=0, d=1, tx=0, ty=0)"}},
        {"copied onto a plain object, the methods lean on the object's own methods",
         8,
         [](Asm& a) {
             a.push({"o", "a", 3, "b", 2, "c", 5, "d", 3, "tx", 5, "ty", 5, 6}).record(op::InitObject);
             a.record(op::SetVariable);
             for (const char* name : {"rotate", "translate", "invert", "createBox", "toString"}) {
                 a.getVariable("o").push({name}).getVariable("flash").getMember("geom").getMember("Matrix");
                 a.getMember("prototype").getMember(name).record(op::SetMember);
             }
             // rotate goes through this.concat, which a plain object lacks
             a.push({1, 1}).callMethod("o", "rotate").record(op::Pop);
             a.push({0}).callMethod("o", "toString").trace();
             a.push({1, 1, 2}).callMethod("o", "translate").record(op::Pop);
             a.getVariable("o").getMember("tx").trace();
             // invert's translation comes from this.deltaTransformPoint
             a.push({0}).callMethod("o", "invert").record(op::Pop);
             a.push({0}).callMethod("o", "toString").trace();
             // createBox only sets the translation on it
             a.push({9, 8, 0, 1, 1, 5}).callMethod("o", "createBox").record(op::Pop);
             a.push({0}).callMethod("o", "toString").trace();
         },
         {"(a=3, b=2, c=5, d=3, tx=5, ty=5)", "6", "(a=-3, b=2, c=5, d=-3, tx=NaN, ty=NaN)",
          "(a=-3, b=2, c=5, d=-3, tx=8, ty=9)"}},
        {"createBox and createGradientBox; the constructor fills any object",
         8,
         [](Asm& a) {
             make(a, "m", "Matrix", {});
             a.push({0, 3, 2, 3}).callMethod("m", "createBox").record(op::Pop);
             a.getVariable("m").trace();
             a.push({300, 200, 2}).callMethod("m", "createGradientBox").record(op::Pop);
             a.getVariable("m").trace();
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.push({3, 2}).getVariable("o").push({3}).getVariable("flash").getMember("geom").getMember("Matrix");
             a.push({"call"}).record(op::CallMethod).record(op::Pop);
             a.getVariable("o").getMember("b").trace();
         },
         {"(a=2, b=0, c=0, d=3, tx=0, ty=0)", "(a=0.1220703125, b=0, c=0, d=0.18310546875, tx=100, ty=150)", "3"}},
    });
}

}  // namespace
}  // namespace swf::script
