// What the drawing methods of MovieClip (beginFill, lineStyle, lineTo...)
// ask of the stage, one command at a time, with their arguments already
// checked and converted to the file format's styles (twips, 16.16 matrices).
#pragma once

#include <optional>

#include "swf/format/types.h"

namespace swf::script {

struct DrawCommand {
    enum class Kind {
        Clear,         // every fill and line goes, and the line style with them
        MoveTo,        // the pen to (x, y)
        LineTo,        // a straight edge to (x, y)
        CurveTo,       // a quadratic curve through (controlX, controlY) to (x, y)
        BeginFill,     // `fill` (none: the fill stops)
        EndFill,       // the fill closes back to where it began
        LineStyle,     // `line` (none: edges are not stroked)
        LineGradient,  // the line style's colour becomes the gradient `fill`
    };
    Kind kind = Kind::Clear;
    double x = 0, y = 0, controlX = 0, controlY = 0;  // twips
    std::optional<FillStyle> fill;
    std::optional<LineStyle> line;
};

}  // namespace swf::script
