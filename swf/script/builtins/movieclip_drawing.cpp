// MovieClip.prototype's drawing methods: lineStyle, lineGradientStyle,
// beginFill, beginGradientFill, moveTo, lineTo, curveTo, endFill, clear.
// Their arguments are checked and converted here to the file format's
// styles (pixels to twips, colours with alpha, gradient boxes to 16.16
// matrices); the stage keeps what is drawn (Host::draw).
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

constexpr double kTwips = 20;
// The gradient square spans -16384..16384 twips: 1638.4 pixels.
constexpr double kGradientSquarePixels = 32768 / kTwips;
constexpr std::uint32_t kMaxGradientRecords = 15;

// The clip drawn on: `this`, or for a plain call from a frame script
// (`lineTo(10, 10)` found through the timeline), the script's timeline.
ClipHandle drawingClip(Machine& m, Value self) {
    if (!self.isObject()) return m.host().scriptClip();
    if (self.o->kind() != Object::Kind::Stage) return 0;
    return static_cast<StageObject*>(self.o)->clip();
}

Value arg(std::span<const Value> args, std::size_t i) { return i < args.size() ? args[i] : Value(); }

std::int32_t toTwips(double pixels) {
    double t = std::round(pixels * kTwips);
    if (!std::isfinite(t)) return 0;
    return std::int32_t(std::clamp(t, -1e9, 1e9));
}

std::int32_t toFixed(double v) {
    double f = std::round(v * 65536);
    if (!std::isfinite(f)) return 0;
    return std::int32_t(std::clamp(f, -2147483647.0, 2147483647.0));
}

// A colour number and an alpha in percent (clamped to 0..100).
Rgba colour(Machine& m, Value rgb, Value alpha) {
    std::uint32_t c = std::uint32_t(m.toInt32(rgb));
    double a = alpha.isUndefined() ? 100 : m.toNumber(alpha);
    if (std::isnan(a)) a = 0;
    a = std::clamp(a, 0.0, 100.0);
    return Rgba{std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c), std::uint8_t(std::lround(a * 255 / 100))};
}

void send(Machine& m, Value self, const DrawCommand& command) {
    if (ClipHandle c = drawingClip(m, self)) m.host().draw(c, command);
}

// The gradient's matrix from a script object: {matrixType: "box", x, y, w, h, r},
// a flash.geom.Matrix-like {a, b, c, d, tx, ty}, or the 3 x 3 {a, b, d, e, g, h}
// where a..e scale a one-pixel square and g, h place its centre.
std::optional<Matrix> gradientMatrix(Machine& m, Value v) {
    if (!v.isObject()) return std::nullopt;
    Object* o = v.o;
    auto num = [&](const char* name) { return m.toNumber(m.get(o, name)); };
    Matrix out;
    if (m.toString(m.get(o, "matrixType")) == "box") {
        double w = num("w"), h = num("h"), r = num("r");
        double sx = w / kGradientSquarePixels, sy = h / kGradientSquarePixels;
        out.scaleX = toFixed(std::cos(r) * sx);
        out.rotateSkew0 = toFixed(std::sin(r) * sx);
        out.rotateSkew1 = toFixed(-std::sin(r) * sy);
        out.scaleY = toFixed(std::cos(r) * sy);
        out.translateX = toTwips(num("x") + w / 2);
        out.translateY = toTwips(num("y") + h / 2);
    } else if (!m.get(o, "tx").isUndefined()) {
        out.scaleX = toFixed(num("a"));
        out.rotateSkew0 = toFixed(num("b"));
        out.rotateSkew1 = toFixed(num("c"));
        out.scaleY = toFixed(num("d"));
        out.translateX = toTwips(num("tx"));
        out.translateY = toTwips(num("ty"));
    } else {
        out.scaleX = toFixed(num("a") / kGradientSquarePixels);
        out.rotateSkew0 = toFixed(num("b") / kGradientSquarePixels);
        out.rotateSkew1 = toFixed(num("d") / kGradientSquarePixels);
        out.scaleY = toFixed(num("e") / kGradientSquarePixels);
        out.translateX = toTwips(num("g"));
        out.translateY = toTwips(num("h"));
    }
    return out;
}

std::uint32_t lengthOf(Machine& m, Value v) {
    if (!v.isObject()) return 0;
    double n = m.toNumber(m.get(v.o, "length"));
    if (!(n > 0)) return 0;
    return std::uint32_t(std::min(n, 1e6));
}

// beginGradientFill's and lineGradientStyle's arguments as a gradient fill:
// none when the type is not exactly "linear" or "radial", an argument is
// missing or one too many, the three arrays differ in length, or a ratio
// is outside (-1, 256).
std::optional<FillStyle> gradientFill(Machine& m, std::span<const Value> args) {
    if (args.size() < 5 || args.size() > 8) return std::nullopt;
    std::string type = m.toString(args[0]);
    if (type != "linear" && type != "radial") return std::nullopt;
    std::uint32_t n = lengthOf(m, args[1]);
    if (n == 0 || n != lengthOf(m, args[2]) || n != lengthOf(m, args[3])) return std::nullopt;
    auto matrix = gradientMatrix(m, args[4]);
    if (!matrix) return std::nullopt;
    FillStyle f;
    f.matrix = *matrix;
    n = std::min(n, kMaxGradientRecords);
    for (std::uint32_t i = 0; i < n; ++i) {
        std::string index = std::to_string(i);
        double ratio = m.toNumber(m.get(args[3].o, index));
        if (ratio <= -1 || ratio >= 256) return std::nullopt;
        if (std::isnan(ratio)) ratio = 0;
        GradientRecord rec;
        rec.ratio = std::uint8_t(std::clamp(ratio, 0.0, 255.0));
        rec.color = colour(m, m.get(args[1].o, index), m.get(args[2].o, index));
        f.gradient.records.push_back(rec);
    }
    std::string spread = m.toString(arg(args, 5));
    f.gradient.spread = spread == "reflect"  ? SpreadMode::Reflect
                        : spread == "repeat" ? SpreadMode::Repeat
                                             : SpreadMode::Pad;
    if (m.toString(arg(args, 6)) == "linearRGB") f.gradient.interpolation = InterpolationMode::Linear;
    if (type == "linear") {
        f.type = FillType::LinearGradient;
    } else {
        double focal = args.size() > 7 ? m.toNumber(args[7]) : 0;
        if (std::isnan(focal)) focal = 0;
        focal = std::clamp(focal, -1.0, 1.0);
        f.type = focal != 0 ? FillType::FocalGradient : FillType::RadialGradient;
        f.gradient.focalPoint = std::int16_t(std::lround(focal * 256));
    }
    return f;
}

Value lineStyle(Machine& m, Value self, std::span<const Value> args) {
    DrawCommand c{DrawCommand::Kind::LineStyle};
    if (!args.empty() && !args[0].isUndefined()) {
        double width = m.toNumber(args[0]);
        if (std::isnan(width)) width = 0;
        LineStyle l;
        l.width = std::uint16_t(std::lround(std::clamp(width, 0.0, 255.0) * kTwips));
        l.color = colour(m, arg(args, 1), arg(args, 2));
        if (m.version() >= 8) {
            l.pixelHinting = m.toBoolean(arg(args, 3));
            std::string scale = m.toString(arg(args, 4));
            l.noHScale = scale == "none" || scale == "horizontal";
            l.noVScale = scale == "none" || scale == "vertical";
            std::string caps = m.toString(arg(args, 5));
            l.startCap = l.endCap = caps == "none"     ? CapStyle::None
                                    : caps == "square" ? CapStyle::Square
                                                       : CapStyle::Round;
            std::string joint = m.toString(arg(args, 6));
            l.join = joint == "miter" ? JoinStyle::Miter : joint == "bevel" ? JoinStyle::Bevel : JoinStyle::Round;
            double limit = args.size() > 7 ? m.toNumber(args[7]) : 3;
            if (std::isnan(limit)) limit = 3;
            l.miterLimit = std::uint16_t(std::lround(std::clamp(limit, 1.0, 255.0) * 256));
        }
        c.line = l;
    }
    send(m, self, c);
    return Value();
}

Value lineGradientStyle(Machine& m, Value self, std::span<const Value> args) {
    // A call that gives no gradient, even with no arguments at all, leaves the line as it was.
    DrawCommand c{DrawCommand::Kind::LineGradient};
    c.fill = gradientFill(m, args);
    if (c.fill) send(m, self, c);
    return Value();
}

Value beginFill(Machine& m, Value self, std::span<const Value> args) {
    DrawCommand c{DrawCommand::Kind::BeginFill};
    if (!args.empty() && !args[0].isUndefined()) c.fill = FillStyle::solid(colour(m, args[0], arg(args, 1)));
    send(m, self, c);
    return Value();
}

// An undefined type ends the fill; any other call that gives no gradient
// is ignored, leaving the fill as it was.
Value beginGradientFill(Machine& m, Value self, std::span<const Value> args) {
    DrawCommand c{DrawCommand::Kind::BeginFill};
    if (!args.empty() && !args[0].isUndefined()) {
        c.fill = gradientFill(m, args);
        if (!c.fill) return Value();
    }
    send(m, self, c);
    return Value();
}

// The points of moveTo, lineTo and curveTo: every coordinate must be given.
bool point(Machine& m, std::span<const Value> args, std::size_t i, double& x, double& y) {
    if (args.size() < i + 2) return false;
    x = toTwips(m.toNumber(args[i]));
    y = toTwips(m.toNumber(args[i + 1]));
    return true;
}

Value moveTo(Machine& m, Value self, std::span<const Value> args) {
    DrawCommand c{DrawCommand::Kind::MoveTo};
    if (point(m, args, 0, c.x, c.y)) send(m, self, c);
    return Value();
}

Value lineTo(Machine& m, Value self, std::span<const Value> args) {
    DrawCommand c{DrawCommand::Kind::LineTo};
    if (point(m, args, 0, c.x, c.y)) send(m, self, c);
    return Value();
}

Value curveTo(Machine& m, Value self, std::span<const Value> args) {
    DrawCommand c{DrawCommand::Kind::CurveTo};
    if (point(m, args, 0, c.controlX, c.controlY) && point(m, args, 2, c.x, c.y)) send(m, self, c);
    return Value();
}

Value endFill(Machine& m, Value self, std::span<const Value>) {
    send(m, self, DrawCommand{DrawCommand::Kind::EndFill});
    return Value();
}

Value clear(Machine& m, Value self, std::span<const Value>) {
    send(m, self, DrawCommand{DrawCommand::Kind::Clear});
    return Value();
}

}  // namespace

void installMovieClipDrawing(Realm& realm) {
    realm.defineMethod(realm.movieClipProto, "lineStyle", lineStyle);
    realm.defineMethod(realm.movieClipProto, "lineGradientStyle", lineGradientStyle);
    realm.defineMethod(realm.movieClipProto, "beginFill", beginFill);
    realm.defineMethod(realm.movieClipProto, "beginGradientFill", beginGradientFill);
    realm.defineMethod(realm.movieClipProto, "moveTo", moveTo);
    realm.defineMethod(realm.movieClipProto, "lineTo", lineTo);
    realm.defineMethod(realm.movieClipProto, "curveTo", curveTo);
    realm.defineMethod(realm.movieClipProto, "endFill", endFill);
    realm.defineMethod(realm.movieClipProto, "clear", clear);
}

}  // namespace swf::script
