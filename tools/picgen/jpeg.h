// Baseline JFIF writer for the course's pictures. Qt's JPEG writer always
// subsamples the colour channels (4:2:0), which smears colour across the
// edges of thin strokes and of flat areas (the lesson band's first row, the
// hover arrows); here every pixel keeps its own colour samples (4:4:4).
#pragma once

#include <QByteArray>
#include <QImage>

namespace picgen {

// Encodes as a baseline, 8-bit, three-component JFIF file at the given
// quality (1..100), 96 dots per inch, without optimised tables. Throws
// std::runtime_error when the image is empty or the library reports an error.
QByteArray encodeJpeg(const QImage& image, int quality);

}  // namespace picgen
