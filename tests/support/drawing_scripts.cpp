#include "tests/support/drawing_scripts.h"

#include "swf/format/codes.h"

namespace swf::samples {

namespace {

void pushArg(ActionBuilder& a, const ScriptArg& arg) {
    switch (arg.kind) {
    case ScriptArg::Kind::Value: a.push({arg.value}); break;
    case ScriptArg::Kind::Numbers:
        for (auto it = arg.numbers.rbegin(); it != arg.numbers.rend(); ++it) a.push({*it});
        a.push({int(arg.numbers.size())}).record(action::InitArray);
        break;
    case ScriptArg::Kind::Object:
        for (const auto& [name, v] : arg.fields) a.push({name, v});
        a.push({int(arg.fields.size())}).record(action::InitObject);
        break;
    }
}

}  // namespace

ActionBuilder& callOn(ActionBuilder& a, const std::string& target, const std::string& method,
                      const std::vector<ScriptArg>& args) {
    for (auto it = args.rbegin(); it != args.rend(); ++it) pushArg(a, *it);
    a.push({int(args.size())});
    a.getVariable(target);
    return a.push({method}).record(action::CallMethod).record(action::Pop);
}

ActionBuilder& square(ActionBuilder& a, const std::string& clip, int x0, int y0, int x1, int y1) {
    callOn(a, clip, "moveTo", {x0, y0});
    callOn(a, clip, "lineTo", {x1, y0});
    callOn(a, clip, "lineTo", {x1, y1});
    callOn(a, clip, "lineTo", {x0, y1});
    return callOn(a, clip, "endFill", {});
}

}  // namespace swf::samples
