// Building blocks for movies that answer the pointer and the keyboard:
// onClipEvent handlers, script listeners and handler methods.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "swf/format/action_builder.h"
#include "swf/format/types.h"

namespace swf::samples {

// The onClipEvent handlers of a version 6+ PlaceObject tag: (events, actions)
// pairs; a key press handler's first byte is its key code. Sets hasClipActions.
void setClipActions(PlaceObject& p, const std::vector<std::pair<std::uint32_t, Bytes>>& handlers);

// Appends `object.method = function () { body }` to `a`, with `object` a
// variable or a path ("_root.boite").
ActionBuilder& defineMethod(ActionBuilder& a, std::string_view object, std::string_view method,
                            const ActionBuilder& body);

// Appends: a new object in variable `name`, given to `broadcaster`.addListener.
ActionBuilder& addListener(ActionBuilder& a, std::string_view broadcaster, std::string_view name);

// Appends trace(object.method(args...)) for number arguments (Key.isDown(65)...).
ActionBuilder& traceCall(ActionBuilder& a, std::string_view object, std::string_view method,
                         std::initializer_list<double> args = {});

}  // namespace swf::samples
