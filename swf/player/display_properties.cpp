#include "swf/player/display_properties.h"

#include <QTransform>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "swf/player/shape_tessellator.h"
#include "swf/player/text_field.h"

namespace swf {

namespace {

// Twips from pixels: a value past the 32-bit range (infinities included)
// becomes the smallest integer, as the reference player's conversion gives.
std::int32_t toTwips(double pixels) {
    double t = std::round(pixels * 20.0);
    if (!(t >= -2147483648.0 && t <= 2147483647.0)) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(t);
}

std::int32_t toFixed16(double v) {
    double f = std::round(v * 65536.0);
    if (!(f >= -2147483648.0 && f <= 2147483647.0)) return f > 0 ? std::numeric_limits<std::int32_t>::max() : 0;
    return static_cast<std::int32_t>(f);
}

double a(const Matrix& m) { return m.scaleX / 65536.0; }
double b(const Matrix& m) { return m.rotateSkew0 / 65536.0; }
double c(const Matrix& m) { return m.rotateSkew1 / 65536.0; }
double d(const Matrix& m) { return m.scaleY / 65536.0; }

// The scales and rotation kept beside the matrix, taken from it when a
// script has not set them since the timeline last did.
void ensureScriptScale(DisplayObject& obj) {
    if (obj.hasScriptScale) return;
    obj.xscale = displayXScale(obj);
    obj.yscale = displayYScale(obj);
    obj.rotation = displayRotation(obj);
    obj.hasScriptScale = true;
}

// The matrix again from the kept scales and rotation; the translation stays.
void rebuildMatrix(DisplayObject& obj) {
    double r = std::isfinite(obj.rotation) ? obj.rotation * std::numbers::pi / 180.0 : 0.0;
    double sx = obj.xscale / 100.0, sy = obj.yscale / 100.0;
    obj.matrix.scaleX = toFixed16(sx * std::cos(r));
    obj.matrix.rotateSkew0 = toFixed16(sx * std::sin(r));
    obj.matrix.rotateSkew1 = toFixed16(-sy * std::sin(r));
    obj.matrix.scaleY = toFixed16(sy * std::cos(r));
    obj.scriptTransformed = true;
}

}  // namespace

double displayX(const DisplayObject& obj) { return obj.matrix.translateX / 20.0; }
double displayY(const DisplayObject& obj) { return obj.matrix.translateY / 20.0; }

void setDisplayX(DisplayObject& obj, double x) {
    if (std::isnan(x)) return;
    obj.matrix.translateX = toTwips(x);
    obj.scriptTransformed = true;
}

void setDisplayY(DisplayObject& obj, double y) {
    if (std::isnan(y)) return;
    obj.matrix.translateY = toTwips(y);
    obj.scriptTransformed = true;
}

double displayXScale(const DisplayObject& obj) {
    if (obj.hasScriptScale) return obj.xscale;
    const Matrix& m = obj.matrix;
    return std::hypot(a(m), b(m)) * 100.0;
}

double displayYScale(const DisplayObject& obj) {
    if (obj.hasScriptScale) return obj.yscale;
    const Matrix& m = obj.matrix;
    double s = std::hypot(c(m), d(m)) * 100.0;
    // A mirrored matrix reads as a negative vertical scale.
    return a(m) * d(m) - b(m) * c(m) < 0 ? -s : s;
}

double displayRotation(const DisplayObject& obj) {
    if (obj.hasScriptScale) return obj.rotation;
    const Matrix& m = obj.matrix;
    if (a(m) == 0 && b(m) == 0) return 0;
    return std::atan2(b(m), a(m)) * 180.0 / std::numbers::pi;
}

void setDisplayXScale(DisplayObject& obj, double percent) {
    if (std::isnan(percent)) return;
    ensureScriptScale(obj);
    obj.xscale = percent;
    rebuildMatrix(obj);
}

void setDisplayYScale(DisplayObject& obj, double percent) {
    if (std::isnan(percent)) return;
    ensureScriptScale(obj);
    obj.yscale = percent;
    rebuildMatrix(obj);
}

void setDisplayRotation(DisplayObject& obj, double degrees) {
    if (std::isnan(degrees)) return;
    ensureScriptScale(obj);
    // Into (-180, 180]; an infinity has no angle and reads back NaN.
    double r = std::fmod(degrees, 360.0);
    if (r > 180.0)
        r -= 360.0;
    else if (r <= -180.0)
        r += 360.0;
    obj.rotation = r;
    rebuildMatrix(obj);
}

double displayAlpha(const DisplayObject& obj) { return obj.colorTransform.multA / 256.0 * 100.0; }

void setDisplayAlpha(DisplayObject& obj, double percent) {
    if (std::isnan(percent)) return;
    // The 8.8 multiplier, truncated; an infinity gives 0.
    double m = std::isfinite(percent) ? std::trunc(percent * 256.0 / 100.0) : 0.0;
    if (m > 32767) m = 32767;
    if (m < -32768) m = -32768;
    obj.colorTransform.multA = static_cast<std::int16_t>(m);
    obj.scriptTransformed = true;
}

void setDisplayVisible(DisplayObject& obj, double v) {
    if (std::isnan(v)) return;
    obj.visible = v != 0;
}

std::optional<QRectF> characterBounds(const Dictionary& dict, const DisplayObject& obj, int depth) {
    auto rect = [](const Rect& r) { return QRectF(QPointF(r.xmin, r.ymin), QPointF(r.xmax, r.ymax)).normalized(); };
    std::uint16_t id = obj.characterId;
    if (obj.text) return rect(obj.text->bounds());
    if (const DefineShape* s = dict.shape(id)) return rect(s->bounds);
    if (const DefineMorphShape* m = dict.morph(id)) return rect(m->startBounds);
    if (const DefineText* t = dict.text(id)) return toTransform(t->matrix).mapRect(rect(t->bounds));
    if (const DefineEditText* e = dict.editText(id)) return rect(e->bounds);
    if (!obj.sprite || depth > 32) return std::nullopt;
    std::optional<QRectF> all;
    if (QRectF drawn = obj.sprite->drawing().bounds(); !drawn.isNull()) all = drawn;
    for (const auto& [d, child] : obj.sprite->displayList()) {
        if (child.clipDepth) continue;  // masks draw nothing themselves
        auto b = characterBounds(dict, child, depth + 1);
        if (!b) continue;
        QRectF placed = toTransform(child.matrix).mapRect(*b);
        all = all ? all->united(placed) : placed;
    }
    return all;
}

namespace {
std::optional<QRectF> placedBounds(const Dictionary& dict, const DisplayObject& obj) {
    auto b = characterBounds(dict, obj);
    if (!b) return std::nullopt;
    return toTransform(obj.matrix).mapRect(*b);
}
}  // namespace

double displayWidth(const Dictionary& dict, const DisplayObject& obj) {
    auto b = placedBounds(dict, obj);
    return b ? b->width() / 20.0 : 0.0;
}

double displayHeight(const Dictionary& dict, const DisplayObject& obj) {
    auto b = placedBounds(dict, obj);
    return b ? b->height() / 20.0 : 0.0;
}

void setDisplayWidth(const Dictionary& dict, DisplayObject& obj, double pixels) {
    double now = displayWidth(dict, obj);
    if (std::isnan(pixels) || !(now > 0)) return;
    ensureScriptScale(obj);
    obj.xscale *= pixels / now;
    rebuildMatrix(obj);
}

void setDisplayHeight(const Dictionary& dict, DisplayObject& obj, double pixels) {
    double now = displayHeight(dict, obj);
    if (std::isnan(pixels) || !(now > 0)) return;
    ensureScriptScale(obj);
    obj.yscale *= pixels / now;
    rebuildMatrix(obj);
}

}  // namespace swf
