// A quick look at a composed frame without going through SWF: paints the
// timeline's own symbols with QPainter. Used while writing lessons and to
// check placement in tests; the movies themselves are reviewed through the
// SWF engine's renderer.
#pragma once

#include "lessons/kit/timeline.h"

#include <QImage>

namespace lessons {

QImage previewFrame(const Timeline& t, std::size_t frame, double scale = 1.0);

}  // namespace lessons
