#include "swf/script/host.h"

#include "swf/script/value.h"

namespace swf::script {

namespace {
const char* const kNames[] = {"_x",           "_y",           "_xscale",       "_yscale",       "_currentframe",
                              "_totalframes", "_alpha",       "_visible",      "_width",        "_height",
                              "_rotation",    "_target",      "_framesloaded", "_name",         "_droptarget",
                              "_url",         "_highquality", "_focusrect",    "_soundbuftime", "_quality",
                              "_xmouse",      "_ymouse"};
}

std::optional<DisplayProperty> displayPropertyByName(std::string_view name) {
    if (name.size() < 2 || name[0] != '_') return std::nullopt;
    for (int i = 0; i < static_cast<int>(DisplayProperty::Count); ++i)
        if (equalNames(name, kNames[i], false)) return static_cast<DisplayProperty>(i);
    return std::nullopt;
}

const char* displayPropertyName(DisplayProperty p) {
    auto i = static_cast<int>(p);
    return i >= 0 && i < static_cast<int>(DisplayProperty::Count) ? kNames[i] : "";
}

}  // namespace swf::script
