// Action records that call the drawing methods, for tests: arguments pushed
// the way compilers push them (last first), arrays and objects built with
// InitArray and InitObject.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "swf/format/action_builder.h"

namespace swf::samples {

// One pushed argument: a plain value, an array of numbers, or an object of named numbers.
struct ScriptArg {
    enum class Kind { Value, Numbers, Object };
    Kind kind = Kind::Value;
    ActionBuilder::PushValue value = ActionBuilder::Undefined{};
    std::vector<double> numbers;
    std::vector<std::pair<std::string, ActionBuilder::PushValue>> fields;

    ScriptArg(ActionBuilder::PushValue v) : value(std::move(v)) {}  // NOLINT: arguments read as values
    ScriptArg(const char* s) : value(s) {}                          // NOLINT
    ScriptArg(int n) : value(n) {}                                  // NOLINT
    ScriptArg(double n) : value(n) {}                               // NOLINT
    static ScriptArg array(std::vector<double> n) {
        ScriptArg a(0);
        a.kind = Kind::Numbers;
        a.numbers = std::move(n);
        return a;
    }
    static ScriptArg object(std::vector<std::pair<std::string, ActionBuilder::PushValue>> f) {
        ScriptArg a(0);
        a.kind = Kind::Object;
        a.fields = std::move(f);
        return a;
    }
};

// target.method(args...) with the result dropped; `target` is a variable or a path ("_root.d").
ActionBuilder& callOn(ActionBuilder& a, const std::string& target, const std::string& method,
                      const std::vector<ScriptArg>& args);

// The closed square (x0, y0)-(x1, y1) drawn on `clip` with moveTo, three lineTo and endFill.
ActionBuilder& square(ActionBuilder& a, const std::string& clip, int x0, int y0, int x1, int y1);

}  // namespace swf::samples
