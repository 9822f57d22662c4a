// Morph shapes (shape tweens): DefineMorphShape and DefineMorphShape2 with
// their start and end styles and edges, and the shape at a given ratio in
// the plain shape form the renderer draws.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "swf/part2/media.h"
#include "swf/types.h"

namespace swf {

namespace morphcode {
enum : std::uint16_t { DefineMorphShape = 46, DefineMorphShape2 = 84 };
}

struct MorphGradientRecord {
    std::uint8_t startRatio = 0, endRatio = 0;
    Rgba startColor, endColor;
    bool operator==(const MorphGradientRecord&) const = default;
};

struct MorphFillStyle {
    FillType type = FillType::Solid;
    Rgba startColor, endColor;           // solid
    Matrix startMatrix, endMatrix;       // gradient and bitmap fills
    SpreadMode spread = SpreadMode::Pad;  // gradient fills
    InterpolationMode interpolation = InterpolationMode::Normal;
    std::vector<MorphGradientRecord> gradient;
    std::int16_t startFocal = 0, endFocal = 0;  // focal gradients
    std::uint16_t bitmapId = 0;
    bool operator==(const MorphFillStyle&) const = default;
};

// Version 1 uses widths and colours only; version 2 adds the line style 2
// fields (caps, join, scaling flags, miter limit, an optional fill).
struct MorphLineStyle {
    std::uint16_t startWidth = 20, endWidth = 20;
    Rgba startColor, endColor;
    CapStyle startCap = CapStyle::Round, endCap = CapStyle::Round;
    JoinStyle join = JoinStyle::Round;
    bool noHScale = false, noVScale = false, pixelHinting = false, noClose = false;
    std::uint16_t miterLimit = 3 << 8;
    std::optional<MorphFillStyle> fill;
    bool operator==(const MorphLineStyle&) const = default;
};

struct DefineMorphShape {
    std::uint8_t version = 1;
    std::uint16_t id = 0;
    Rect startBounds, endBounds;
    Rect startEdgeBounds, endEdgeBounds;  // version 2
    bool usesNonScalingStrokes = false, usesScalingStrokes = false;  // version 2
    std::vector<MorphFillStyle> fills;
    std::vector<MorphLineStyle> lines;
    std::vector<ShapeRecord> startEdges;  // style selections live here
    std::vector<ShapeRecord> endEdges;    // edges and moves only
    bool operator==(const DefineMorphShape&) const = default;
};

struct MorphLimits {
    std::size_t maxRecords = 200000;  // per edge list
    std::size_t maxStyles = 20000;
};

Decoded<DefineMorphShape> parseDefineMorphShape(std::uint8_t version, std::span<const std::uint8_t> body,
                                                const MorphLimits& limits = {});
Bytes encodeDefineMorphShape(const DefineMorphShape& tag);

// The shape at `ratio` (0 = start, 65535 = end): styles and edges
// interpolated linearly. Start and end edges are paired in order; a straight
// edge paired with a curve becomes a curve with its control point halfway.
// Missing end edges stay where the end outline stopped.
Shape morphShapeAt(const DefineMorphShape& morph, std::uint16_t ratio);
Rect morphBoundsAt(const DefineMorphShape& morph, std::uint16_t ratio);
FillStyle morphFillAt(const MorphFillStyle& fill, std::uint16_t ratio);
LineStyle morphLineAt(const MorphLineStyle& line, std::uint16_t ratio);

}  // namespace swf
