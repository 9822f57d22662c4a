#include "tests/support/input_movies.h"

#include <string>

#include "swf/format/codes.h"

namespace swf::samples {

void setClipActions(PlaceObject& p, const std::vector<std::pair<std::uint32_t, Bytes>>& handlers) {
    Bytes out{0, 0};
    auto u32 = [&](std::uint32_t v) {
        for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    };
    std::uint32_t all = 0;
    for (const auto& [events, code] : handlers) all |= events;
    u32(all);
    for (const auto& [events, code] : handlers) {
        u32(events);
        u32(static_cast<std::uint32_t>(code.size()));
        out.insert(out.end(), code.begin(), code.end());
    }
    u32(0);
    p.hasClipActions = true;
    p.tail = std::move(out);
}

ActionBuilder& defineMethod(ActionBuilder& a, std::string_view object, std::string_view method,
                            const ActionBuilder& body) {
    a.push({std::string(object)}).record(action::GetVariable).push({std::string(method)});
    a.defineFunction("", {}, body);
    return a.record(action::SetMember);
}

ActionBuilder& addListener(ActionBuilder& a, std::string_view broadcaster, std::string_view name) {
    a.push({std::string(name), 0, "Object"}).record(action::NewObject).record(action::SetVariable);
    a.push({std::string(name)}).record(action::GetVariable).push({1});
    return a.callMethod(broadcaster, "addListener").record(action::Pop);
}

ActionBuilder& traceCall(ActionBuilder& a, std::string_view object, std::string_view method,
                         std::initializer_list<double> args) {
    // Arguments go on the stack last first.
    std::vector<double> list(args);
    for (auto it = list.rbegin(); it != list.rend(); ++it) a.push({*it});
    a.push({static_cast<int>(list.size())});
    return a.callMethod(object, method).trace();
}

}  // namespace swf::samples
