#pragma once
// Small movies for the player's tests, built with the SWF writer.

#include "swf/types.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace mediatest {

// A movie of `frames` frames at `fps` frames per second whose stage
// (widthPx x heightPx pixels) is covered by one solid rectangle of `color`.
swf::MovieData stageMovie(int frames, double fps, int widthPx, int heightPx, swf::Rgba color);

std::vector<std::uint8_t> bytesOf(const swf::MovieData& movie, swf::Compression c = swf::Compression::None);

// Writes bytes to a file; returns false when it cannot.
bool writeFile(const QString& path, const std::vector<std::uint8_t>& bytes);

}  // namespace mediatest
