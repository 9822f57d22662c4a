// Internal to the player: the input events sent to the stage (input.cpp),
// and what the script host asks of the pointer.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QTransform>

#include <cstdint>
#include <optional>

#include "swf/player/timeline.h"

namespace swf {

// A timeline's coordinates to stage twips.
QTransform worldTransform(const Timeline* t);
// Whether what a timeline shows covers a point in its own twips.
bool timelineHits(const PlayerContext& ctx, const Timeline& t, QPointF local, int nesting = 0);
// The object the pointer is over at a stage point: the topmost clip with
// pointer handlers or button, through every level.
PointerTarget pointerTargetAt(PlayerContext& ctx, QPointF stageTwips);

void dispatchMouseMove(PlayerContext& ctx, QPointF stageTwips);
// After a frame: what is under the still pointer may have changed (clips
// moved, appeared or went away), so clips roll over and out.
void refreshPointer(PlayerContext& ctx);
void dispatchMouseButton(PlayerContext& ctx, QPointF stageTwips, bool down);
void dispatchMouseWheel(PlayerContext& ctx, double lines);
void dispatchKey(PlayerContext& ctx, int code, std::uint32_t ascii, bool down);

// startDrag: the clip follows the pointer (its centre on it with lockCenter,
// else keeping its offset), within bounds in its parent's pixels.
void beginDrag(PlayerContext& ctx, Timeline* clip, bool lockCenter, std::optional<QRectF> bounds);
void endDrag(PlayerContext& ctx);
// The topmost clip under the pointer other than the dragged one and its
// children (_droptarget), or null.
Timeline* dropTarget(PlayerContext& ctx, const Timeline* dragged);

}  // namespace swf
