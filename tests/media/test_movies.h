#pragma once
// Small movies for the player's tests, built with the SWF writer.

#include "swf/format/types.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace mediatest {

// A movie of `frames` frames at `fps` frames per second whose stage
// (widthPx x heightPx pixels) is covered by one solid rectangle of `color`.
swf::MovieData stageMovie(int frames, double fps, int widthPx, int heightPx, swf::Rgba color);

// Frames `from` to `to - 1` of a slide: each moves depth 1 to (i * stepTwips, 0).
void appendSlide(std::vector<swf::Tag>& tags, int from, int to, int stepTwips);

// A 705 x 481 pixel movie of 3 frames that stops on frame 2 and shows a
// 100 x 100 pixel button at (300, 200): grey when up, green when the pointer
// is over it or holds it down. Releasing the button over it goes to frame 3.
swf::MovieData buttonMovie();

// A movie of `frames` frames at 10 fps with uncompressed 11025 Hz streaming
// sound: one block of a tenth of a second per frame.
swf::MovieData soundMovie(int frames);

std::vector<std::uint8_t> bytesOf(const swf::MovieData& movie, swf::Compression c = swf::Compression::None);

// Writes bytes to a file; returns false when it cannot.
bool writeFile(const QString& path, const std::vector<std::uint8_t>& bytes);

}  // namespace mediatest
