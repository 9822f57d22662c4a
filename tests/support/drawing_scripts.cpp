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

}  // namespace swf::samples
