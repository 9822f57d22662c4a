#include "swf/render/renderer.h"

#include <QBrush>
#include <QLinearGradient>
#include <QPen>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "swf/player/button.h"
#include "swf/player/text_field.h"
#include "swf/render/gradient.h"
#include "swf/render/paint.h"
#include "swf/render/render_cache.h"

namespace swf {

namespace {

// A colour transform as factors, so nested transforms compose exactly.
struct Cx {
    float m[4] = {1, 1, 1, 1};
    float a[4] = {0, 0, 0, 0};
    static Cx from(const ColorTransform& c) {
        Cx x;
        x.m[0] = c.multR / 256.f;
        x.m[1] = c.multG / 256.f;
        x.m[2] = c.multB / 256.f;
        x.m[3] = c.multA / 256.f;
        x.a[0] = c.addR;
        x.a[1] = c.addG;
        x.a[2] = c.addB;
        x.a[3] = c.addA;
        return x;
    }
    // Applies `inner` first, then this.
    Cx after(const Cx& inner) const {
        Cx r;
        for (int i = 0; i < 4; ++i) {
            r.m[i] = inner.m[i] * m[i];
            r.a[i] = inner.a[i] * m[i] + a[i];
        }
        return r;
    }
    bool isIdentity() const {
        for (int i = 0; i < 4; ++i)
            if (m[i] != 1 || a[i] != 0) return false;
        return true;
    }
    Rgba applyRgba(const Rgba& c) const {
        QColor q = apply(c);
        return Rgba{std::uint8_t(q.red()), std::uint8_t(q.green()), std::uint8_t(q.blue()), std::uint8_t(q.alpha())};
    }
    QColor apply(const Rgba& c) const {
        auto ch = [&](int i, std::uint8_t v) { return std::clamp(int(std::lround(v * m[i] + a[i])), 0, 255); };
        return QColor(ch(0, c.r), ch(1, c.g), ch(2, c.b), ch(3, c.a));
    }
};

QGradientStops gradientStops(const Gradient& g, const Cx& cx) {
    std::vector<GradientRecord> recs = g.records;
    for (auto& r : recs) r.color = cx.applyRgba(r.color);
    return tableStops(gradientTable(recs, g.interpolation));
}

QBrush makeBrush(const FillStyle& f, const Cx& cx) {
    switch (f.type) {
    case FillType::Solid: return QBrush(cx.apply(f.color));
    case FillType::LinearGradient:
    case FillType::RadialGradient:
    case FillType::FocalGradient: {
        if (f.gradient.records.empty()) return QBrush(Qt::NoBrush);
        if (f.gradient.records.size() == 1) return QBrush(cx.apply(f.gradient.records[0].color));
        QGradient grad;
        if (f.type == FillType::LinearGradient) {
            grad = QLinearGradient(-16384, 0, 16384, 0);
        } else {
            double focal =
                f.type == FillType::FocalGradient ? std::clamp(f.gradient.focalPoint / 256.0, -0.98, 0.98) : 0;
            grad = QRadialGradient(QPointF(0, 0), 16384, QPointF(focal * 16384, 0));
        }
        grad.setSpread(f.gradient.spread == SpreadMode::Reflect  ? QGradient::ReflectSpread
                       : f.gradient.spread == SpreadMode::Repeat ? QGradient::RepeatSpread
                                                                 : QGradient::PadSpread);
        grad.setStops(gradientStops(f.gradient, cx));
        QBrush b(grad);
        b.setTransform(toTransform(f.matrix));
        return b;
    }
    default:
        // Bitmap fills are drawn by the frame drawer, which has the images.
        return QBrush(Qt::NoBrush);
    }
}

bool isBitmapFill(FillType t) {
    return t == FillType::RepeatingBitmap || t == FillType::ClippedBitmap || t == FillType::RepeatingBitmapHard ||
           t == FillType::ClippedBitmapHard;
}

// A bitmap under a colour transform (unpremultiplied, transformed, and
// premultiplied again). Only an alpha factor is left to the painter's opacity.
QImage colored(const QImage& image, const Cx& cx) {
    if (cx.isIdentity() || image.isNull()) return image;
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            QColor c = cx.apply(Rgba{std::uint8_t(qRed(row[x])), std::uint8_t(qGreen(row[x])),
                                     std::uint8_t(qBlue(row[x])), std::uint8_t(qAlpha(row[x]))});
            row[x] = c.rgba();
        }
    }
    return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The system font an edit text is shown in: the named font of its font
// character (the device font names mapped to Qt's generic families), its
// style flags, at the field's height.
QFont editTextFont(const Dictionary& dict, const DefineEditText& field) {
    QFont font;
    if (field.fontId)
        if (const DefineFont* f = dict.font(*field.fontId)) {
            QString name = QString::fromUtf8(f->name.data(), int(f->name.size()));
            if (name == QLatin1String("_sans"))
                font.setStyleHint(QFont::SansSerif);
            else if (name == QLatin1String("_serif"))
                font.setStyleHint(QFont::Serif);
            else if (name == QLatin1String("_typewriter"))
                font.setStyleHint(QFont::TypeWriter);
            else if (!name.isEmpty())
                font.setFamily(name);
            font.setBold(f->bold);
            font.setItalic(f->italic);
        }
    return font;
}

// Pixels per twip along the transform's axes (for hairlines).
double pixelScale(const QTransform& t) { return std::sqrt(std::abs(t.determinant())); }

// `stageScale` is device pixels per twip of the stage, for strokes that keep
// their width whatever the object's own scale (LineStyle2 no-scale flags).
QPen makePen(const LineStyle& l, const Cx& cx, const QTransform& t, double stageScale) {
    QBrush brush = l.fill ? makeBrush(*l.fill, cx) : QBrush(cx.apply(l.color));
    QPen pen(brush, l.width);
    double px = l.width * pixelScale(t);
    if (l.noHScale || l.noVScale) {
        pen.setCosmetic(true);
        pen.setWidthF(std::max(1.0, l.width * stageScale));
    } else if (px < 1.0) {
        pen.setCosmetic(true);
        pen.setWidthF(1.0);
    }
    pen.setCapStyle(l.startCap == CapStyle::None     ? Qt::FlatCap
                    : l.startCap == CapStyle::Square ? Qt::SquareCap
                                                     : Qt::RoundCap);
    pen.setJoinStyle(l.join == JoinStyle::Bevel   ? Qt::BevelJoin
                     : l.join == JoinStyle::Miter ? Qt::MiterJoin
                                                  : Qt::RoundJoin);
    if (l.join == JoinStyle::Miter) pen.setMiterLimit(std::max(1.0, l.miterLimit / 256.0));
    return pen;
}

// Characters are drawn into the cache from this many sightings on.
constexpr int kSightingsBeforeCaching = 2;

class FrameDrawer {
public:
    FrameDrawer(const Player& player, QPainter& painter, bool antialias)
        : dict_(player.dictionary()),
          rc_(RenderCache::of(player)),
          cache_(rc_.raster()),
          p_(painter),
          max_(player.maxNesting()),
          antialias_(antialias) {
        // World (logical) to device pixels: the device pixel ratio's scale.
        bool ok = false;
        QTransform inv = painter.worldTransform().inverted(&ok);
        devFromWorld_ = ok ? inv * painter.deviceTransform() : QTransform();
        worldFromDev_ = devFromWorld_.inverted(&ok);
        if (!ok) worldFromDev_ = QTransform();
    }

    void setStage(const QTransform& base) { stageScale_ = pixelScale(base * devFromWorld_); }

    void drawList(const DisplayList& list, const QTransform& parent, const Cx& cx, int nesting) {
        if (nesting > max_) return;
        int masks = 0;
        std::vector<std::uint16_t> maskEnds;
        for (auto it = list.begin(); it != list.end(); ++it) {
            const DisplayObject& obj = it->second;
            while (!maskEnds.empty() && maskEnds.back() < obj.depth) {
                maskEnds.pop_back();
                p_.restore();
                --masks;
            }
            QTransform t = toTransform(obj.matrix) * parent;
            if (obj.clipDepth > 0) {
                // The mask is not drawn; it clips the depths up to clipDepth.
                QPainterPath clip = outline(obj, t, nesting);
                p_.save();
                p_.setWorldTransform(QTransform());
                p_.setClipPath(clip, Qt::IntersectClip);
                maskEnds.push_back(obj.clipDepth);
                ++masks;
                continue;
            }
            drawObject(obj, t, cx.after(Cx::from(obj.colorTransform)), nesting);
        }
        while (masks-- > 0) p_.restore();
    }

private:
    void drawObject(const DisplayObject& obj, const QTransform& t, const Cx& cx, int nesting) {
        if (obj.sprite) {
            drawDrawing(obj.sprite->drawing(), t, cx);
            drawList(obj.sprite->displayList(), t, cx, nesting + 1);
        } else if (obj.button) {
            drawButton(obj, t, cx, nesting);
        } else if (obj.text) {
            // A text field shows what scripts made of it: drawn each time, never cached.
            DefineEditText shown = obj.text->shown();
            shown.color = cx.applyRgba(shown.color.value_or(Rgba{}));
            p_.save();
            p_.setWorldTransform(t);
            drawEditText(p_, shown, editTextFont(dict_, shown));
            p_.restore();
        } else {
            drawCharacter(obj.characterId, obj.ratio, t, cx);
        }
    }

public:
    // What a clip's scripts drew, under its children; changes too often to cache.
    void drawDrawing(const Drawing& drawing, const QTransform& t, const Cx& cx) {
        if (!drawing.empty()) drawShape(p_, drawing.geometry(), t, t * devFromWorld_, cx);
    }

private:
    // A character that has no timeline of its own.
    void drawCharacter(std::uint16_t id, std::uint16_t ratio, const QTransform& t, const Cx& cx) {
        if (const ShapeGeometry* g = rc_.shapeGeometry(id)) {
            drawCached(id, g->bounds, t, cx, [&](QPainter& p, const QTransform& dev, const QTransform& world) {
                drawShape(p, *g, world, dev, cx);
            });
        } else if (const DefineText* text = dict_.text(id)) {
            auto it = cache_.textBounds.find(id);
            if (it == cache_.textBounds.end()) {
                QRectF r;
                forEachGlyph(*text, QTransform(), [&](const QPainterPath& path, const QTransform& gt, const Rgba&) {
                    r |= gt.mapRect(path.boundingRect());
                });
                it = cache_.textBounds.emplace(id, r).first;
            }
            drawCached(id, it->second, t, cx,
                       [&](QPainter& p, const QTransform&, const QTransform& world) { drawText(p, *text, world, cx); });
        } else if (dict_.morph(id)) {
            // Every ratio is a different picture: drawn directly, never cached.
            if (auto g = rc_.morphGeometry(id, ratio)) drawShape(p_, *g, t, t * devFromWorld_, cx);
        } else if (const DefineEditText* field = dict_.editText(id)) {
            const Rect& b = field->bounds;
            drawCached(id, QRectF(b.xmin, b.ymin, b.width(), b.height()), t, cx,
                       [&](QPainter& p, const QTransform&, const QTransform& world) {
                           DefineEditText shown = *field;
                           shown.color = cx.applyRgba(field->color.value_or(Rgba{}));
                           p.setWorldTransform(world);
                           drawEditText(p, shown, editTextFont(dict_, *field));
                       });
        } else if (dict_.isBitmap(id)) {
            const QImage image = dict_.bitmap(id);
            if (image.isNull()) return;
            // One bitmap pixel is 20 twips.
            drawCached(id, QRectF(0, 0, image.width() * 20.0, image.height() * 20.0), t, cx,
                       [&](QPainter& p, const QTransform&, const QTransform& world) {
                           p.setWorldTransform(QTransform::fromScale(20, 20) * world);
                           p.drawImage(QPointF(0, 0), colored(image, cx));
                       });
        }
    }

    // A button shows the records of its current state, each under its own
    // matrix and colour transform (DefineButton2's per record, or the
    // button's DefineButtonCxform).
    void drawButton(const DisplayObject& obj, const QTransform& t, const Cx& cx, int nesting) {
        const DefineButton* def = dict_.button(obj.characterId);
        if (!def || nesting > max_) return;
        Cx buttonCx = cx;
        if (def->version <= 1)
            if (const DefineButtonCxform* bc = dict_.buttonCxform(def->id))
                buttonCx = cx.after(Cx::from(bc->colorTransform));
        for (const ButtonRecord* rec : recordsIn(*def, obj.button->machine.shownState())) {
            QTransform rt = toTransform(rec->matrix) * t;
            Cx rcx = def->version >= 2 ? cx.after(Cx::from(rec->colorTransform)) : buttonCx;
            auto sprite = obj.button->sprites.find(static_cast<std::size_t>(rec - def->records.data()));
            if (sprite != obj.button->sprites.end() && sprite->second)
                drawList(sprite->second->displayList(), rt, rcx, nesting + 1);
            else
                drawCharacter(rec->characterId, 0, rt, rcx);
        }
    }

    // Draws directly the first time a character is seen with a given device
    // transform (up to a quarter pixel) and colour transform; from the second
    // time on, blits its cached device-resolution image.
    template <typename Draw>
    void drawCached(std::uint16_t id, const QRectF& bounds, const QTransform& t, const Cx& cx, Draw&& draw) {
        QTransform dev = t * devFromWorld_;
        if (bounds.isEmpty() && bounds.width() <= 0 && bounds.height() <= 0) return;
        RasterCache::Key key;
        key.id = id;
        key.antialias = antialias_;
        key.stageScale = float(stageScale_);
        key.m[0] = float(dev.m11());
        key.m[1] = float(dev.m12());
        key.m[2] = float(dev.m21());
        key.m[3] = float(dev.m22());
        double ix = std::floor(dev.dx()), iy = std::floor(dev.dy());
        int fx = int(std::lround((dev.dx() - ix) * 4)), fy = int(std::lround((dev.dy() - iy) * 4));
        if (fx == 4) {
            fx = 0;
            ix += 1;
        }
        if (fy == 4) {
            fy = 0;
            iy += 1;
        }
        key.fx = std::uint8_t(fx);
        key.fy = std::uint8_t(fy);
        for (int i = 0; i < 4; ++i) {
            key.cx[i] = cx.m[i];
            key.cx[4 + i] = cx.a[i];
        }
        bool finite = std::isfinite(ix) && std::isfinite(iy) && std::abs(ix) < 1e7 && std::abs(iy) < 1e7;
        RasterCache::Entry& e = cache_.entry(key);
        if (e.image.isNull()) {
            if (!finite || e.uncacheable || ++e.sightings < kSightingsBeforeCaching) {
                draw(p_, dev, t);
                return;
            }
            QTransform local(dev.m11(), dev.m12(), dev.m21(), dev.m22(), fx / 4.0, fy / 4.0);
            QRectF r = local.mapRect(bounds).adjusted(-2, -2, 2, 2);  // hairlines and antialiasing
            if (!(r.width() * r.height() * 4 < RasterCache::kMaxImageBytes)) {
                e.uncacheable = true;
                draw(p_, dev, t);
                return;
            }
            QPoint o(int(std::floor(r.left())), int(std::floor(r.top())));
            QSize size(int(std::ceil(r.right())) - o.x(), int(std::ceil(r.bottom())) - o.y());
            QImage img(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
            {
                QPainter ip(&img);
                ip.setRenderHint(QPainter::Antialiasing, antialias_);
                ip.setRenderHint(QPainter::SmoothPixmapTransform, antialias_);
                ip.setPen(Qt::NoPen);
                QTransform into = local * QTransform::fromTranslate(-o.x(), -o.y());
                draw(ip, into, into);
            }
            e.image = std::move(img);
            e.offset = o;
            cache_.stored(e);
        }
        p_.setWorldTransform(worldFromDev_);
        p_.drawImage(QPointF(ix + e.offset.x(), iy + e.offset.y()), e.image);
    }

    // `world` is the painter transform to use; `dev` maps to device pixels
    // (for the hairline rule).
    void drawShape(QPainter& p, const ShapeGeometry& g, const QTransform& world, const QTransform& dev, const Cx& cx) {
        p.setWorldTransform(world);
        for (const auto& layer : g.layers) {
            for (const auto& f : layer.fills) {
                if (isBitmapFill(f.style.type)) {
                    QImage image = colored(dict_.bitmap(f.style.bitmapId), cx);
                    // Smoothing follows the fill type; without antialiasing nothing is smoothed.
                    FillStyle style = f.style;
                    if (!antialias_ && style.type == FillType::RepeatingBitmap)
                        style.type = FillType::RepeatingBitmapHard;
                    if (!antialias_ && style.type == FillType::ClippedBitmap) style.type = FillType::ClippedBitmapHard;
                    fillWithBitmap(p, f.path, image, style);
                    continue;
                }
                QBrush b = makeBrush(f.style, cx);
                if (b.style() != Qt::NoBrush) p.fillPath(f.path, b);
            }
            for (const auto& s : layer.strokes) p.strokePath(s.path, makePen(s.style, cx, dev, stageScale_));
        }
    }

    template <typename F>
    void forEachGlyph(const DefineText& text, const QTransform& t, F&& fn) {
        QTransform base = toTransform(text.matrix) * t;
        std::uint16_t font = 0;
        double height = 0;
        const DefineFont* def = nullptr;
        Rgba color;
        double x = 0, y = 0;
        for (const auto& rec : text.records) {
            if (rec.fontId) {
                font = *rec.fontId;
                height = rec.height;
                def = dict_.font(font);
            }
            if (rec.color) color = *rec.color;
            if (rec.xOffset) x = *rec.xOffset;
            if (rec.yOffset) y = *rec.yOffset;
            double em = def && def->version >= 3 ? 20480.0 : 1024.0;
            double s = height / em;
            for (const auto& g : rec.glyphs) {
                if (const QPainterPath* path = def ? rc_.glyphPath(font, g.index) : nullptr)
                    fn(*path, QTransform(s, 0, 0, s, x, y) * base, color);
                x += g.advance;
            }
        }
    }

    void drawText(QPainter& p, const DefineText& text, const QTransform& t, const Cx& cx) {
        forEachGlyph(text, t, [&](const QPainterPath& path, const QTransform& gt, const Rgba& color) {
            p.setWorldTransform(gt);
            p.fillPath(path, cx.apply(color));
        });
    }

    // The area an object covers, in the painter's base coordinates (masks).
    QPainterPath outline(const DisplayObject& obj, const QTransform& t, int nesting) {
        QPainterPath out;
        if (obj.sprite) {
            if (nesting + 1 > max_) return out;
            int n = 0;
            if (!obj.sprite->drawing().empty())
                addToOutline(out, t.map(fillOutline(obj.sprite->drawing().geometry())), n);
            for (const auto& [depth, child] : obj.sprite->displayList()) {
                if (child.clipDepth) continue;
                addToOutline(out, outline(child, toTransform(child.matrix) * t, nesting + 1), n);
            }
        } else if (const QPainterPath* m = rc_.maskOutline(obj.characterId)) {
            out = t.map(*m);
        } else if (const DefineText* text = dict_.text(obj.characterId)) {
            out.setFillRule(Qt::WindingFill);
            forEachGlyph(*text, t, [&](const QPainterPath& path, const QTransform& gt, const Rgba&) {
                out.addPath(gt.map(path));
            });
        } else if (auto g = rc_.morphGeometry(obj.characterId, obj.ratio)) {
            out = t.map(fillOutline(*g));
        } else if (const DefineEditText* field = dict_.editText(obj.characterId)) {
            const Rect& b = field->bounds;
            out.addRect(QRectF(b.xmin, b.ymin, b.width(), b.height()));
            out = t.map(out);
        } else if (dict_.isBitmap(obj.characterId)) {
            QImage image = dict_.bitmap(obj.characterId);
            out.addRect(QRectF(0, 0, image.width() * 20.0, image.height() * 20.0));
            out = t.map(out);
        }
        return out;
    }

    const Dictionary& dict_;
    RenderCache& rc_;
    RasterCache& cache_;
    QPainter& p_;
    int max_;
    bool antialias_;
    QTransform devFromWorld_, worldFromDev_;
    double stageScale_ = 1;
};

}  // namespace

QTransform stageTransform(const Rect& frame, const QRectF& viewport) {
    double fw = frame.width(), fh = frame.height();
    double s;
    if (fw > 0 && fh > 0)
        s = std::min(viewport.width() / fw, viewport.height() / fh);
    else
        s = 1.0 / 20;  // a degenerate frame: one twip is a twentieth of a pixel
    double ox = viewport.x() + (viewport.width() - std::max(fw, 0.0) * s) / 2;
    double oy = viewport.y() + (viewport.height() - std::max(fh, 0.0) * s) / 2;
    return QTransform(s, 0, 0, s, ox - frame.xmin * s, oy - frame.ymin * s);
}

void render(const Player& player, QPainter& painter, const QRectF& viewport, const Presentation& presentation) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, presentation.antialias);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, presentation.antialias);
    if (!presentation.transparent) {
        QColor bg(Qt::white);
        for (const auto& t : player.movie().tags)
            if (auto* b = std::get_if<SetBackgroundColor>(&t)) {
                bg = QColor(b->color.r, b->color.g, b->color.b);
                break;
            }
        painter.fillRect(viewport, bg);
    }
    painter.setPen(Qt::NoPen);
    QTransform base = stageTransform(player.header().frame, viewport) * painter.worldTransform();
    // Without antialiasing, a pixel whose centre lies exactly on an edge
    // belongs to the shape right of or below the edge, as in the reference
    // player; Qt gives it to the other side, so everything moves up and left
    // by a thirty-second of a pixel (less than any edge the twip grid can place
    // between two pixel centres).
    if (!presentation.antialias) base = base * QTransform::fromTranslate(-1.0 / 32, -1.0 / 32);
    RenderCache::of(player).paintBegins();
    FrameDrawer drawer(player, painter, presentation.antialias);
    drawer.setStage(base);
    drawer.drawDrawing(player.root().drawing(), base, Cx());
    drawer.drawList(player.displayList(), base, Cx(), 0);
    painter.restore();
}

QImage renderFrame(const Player& player, QSize size, qreal dpr) {
    dpr = dpr > 0 ? dpr : 1;
    QSize px(std::max(1, int(std::lround(size.width() * dpr))), std::max(1, int(std::lround(size.height() * dpr))));
    QImage img(px, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    QPainter p(&img);
    render(player, p, QRectF(0, 0, size.width(), size.height()));
    p.end();
    return img;
}

QImage renderFrame(const MovieData& movie, int frame, QSize size, qreal dpr) {
    // The player needs shared ownership; the movie outlives this call.
    std::shared_ptr<const MovieData> alias(std::shared_ptr<const MovieData>(), &movie);
    Player player(alias);
    player.rewind();
    for (int f = 1; f < frame && player.currentFrame() < player.frameCount(); ++f) player.forward();
    return renderFrame(player, size, dpr);
}

}  // namespace swf
