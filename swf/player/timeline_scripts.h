// Internal to the player: what timeline.cpp needs of the script side of
// timelines (timeline_scripts.cpp).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "swf/player/timeline.h"

namespace swf {

// The handle the action machine knows a timeline by.
inline script::ClipHandle scriptHandle(const Timeline* t) { return reinterpret_cast<script::ClipHandle>(t); }

// Runs one action list with `target` as its timeline; returns the timelines
// it sent elsewhere.
std::vector<Timeline*> runScript(PlayerContext& ctx, std::span<const std::uint8_t> actions, Timeline* target);
// The new frames of timelines a script sent elsewhere run at once, within
// the depth bound; deeper sends wait for those timelines' next step.
void runTouched(PlayerContext& ctx, const std::vector<Timeline*>& touched, const Timeline* self);
// Takes a timeline and everything under it out of the live set.
void markDead(PlayerContext& ctx, const Timeline& t);
// The handle of a text field; a field leaving the stage is forgotten.
inline script::ClipHandle scriptHandle(const TextField* f) { return reinterpret_cast<script::ClipHandle>(f); }
void forgetTextField(PlayerContext& ctx, const TextField* field);
// A field just placed gets its script object; fields bound to a variable
// show its value (or give it their text when it has none): one field as
// it is placed, every field once a frame.
void bindTextVariable(PlayerContext& ctx, const TextField* field);
void syncTextVariables(PlayerContext& ctx);

// The onClipEvent(load) event.
inline constexpr std::uint32_t kLoadEvent = 0x1;
// Runs the onClipEvent handlers of `t` that answer `event`.
void fireClipEvent(PlayerContext& ctx, Timeline* t, std::uint32_t event);
// Calls the method `name` of the clip's object when it has one (onPress...),
// with the clip as the timeline of plain calls; then the frames it sent clips to.
void callClipMethod(PlayerContext& ctx, Timeline* t, std::string_view name, std::span<const script::Value> args = {});

}  // namespace swf
