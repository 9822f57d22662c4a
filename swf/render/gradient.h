// A gradient's colours as the reference player builds them: a table of 256
// entries, one per ratio, filled record by record and looked up at the
// nearest entry.
//
// Records whose ratio goes backwards add nothing (their colour still starts
// the next record's blend); records repeating the previous ratio each take
// the next entry, so none of them is lost; past the last record the table
// holds the last record's colour.
#pragma once

#include <QColor>
#include <QGradient>

#include <array>
#include <vector>

#include "swf/format/types.h"

namespace swf {

using GradientTable = std::array<QColor, 256>;

// The table of `records` (already colour-transformed), blended in sRGB or,
// with InterpolationMode::Linear, in linear light.
GradientTable gradientTable(const std::vector<GradientRecord>& records, InterpolationMode interpolation);

// Qt stops that show the table entry by entry, each entry over 1/256 of the gradient.
QGradientStops tableStops(const GradientTable& table);

}  // namespace swf
