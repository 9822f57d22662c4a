#include "lessons/kit/emit.h"

#include "swf/format/writer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <stdexcept>

namespace lessons {

namespace {

std::int32_t tw(double px) { return std::int32_t(std::lround(px * 20)); }
swf::Rgba col(Rgba c) { return {c.r, c.g, c.b, c.a}; }

// Writes contours as edge records from rounded absolute positions, so rounding
// never accumulates along a contour.
class EdgeWriter {
public:
    EdgeWriter(std::vector<swf::ShapeRecord>& out, double unit) : out_(out), unit_(unit) {}

    void contour(const Contour& c, std::optional<std::uint32_t> fill1, std::optional<std::uint32_t> line,
                 bool setStyles) {
        swf::StyleChange sc;
        const std::int32_t x = q(c.start.x), y = q(c.start.y);
        sc.moveX = x;
        sc.moveY = y;
        if (setStyles) {
            sc.fill0 = 0;
            sc.fill1 = fill1.value_or(0);
            sc.line = line.value_or(0);
        }
        out_.push_back(sc);
        cx_ = x, cy_ = y;
        for (const Seg& s : c.segs) {
            if (s.curve) {
                const std::int32_t kx = q(s.ctrl.x), ky = q(s.ctrl.y), ax = q(s.to.x), ay = q(s.to.y);
                if (kx == cx_ && ky == cy_ && ax == cx_ && ay == cy_) continue;
                out_.push_back(swf::CurvedEdge{kx - cx_, ky - cy_, ax - kx, ay - ky});
                cx_ = ax, cy_ = ay;
            } else {
                const std::int32_t ax = q(s.to.x), ay = q(s.to.y);
                if (ax == cx_ && ay == cy_) continue;
                out_.push_back(swf::StraightEdge{ax - cx_, ay - cy_});
                cx_ = ax, cy_ = ay;
            }
        }
        // A filled contour must end where it began for its loop to close.
        if (fill1 && *fill1 && (cx_ != x || cy_ != y)) {
            out_.push_back(swf::StraightEdge{x - cx_, y - cy_});
            cx_ = x, cy_ = y;
        }
    }

private:
    std::int32_t q(double v) const { return std::int32_t(std::lround(v * unit_)); }
    std::vector<swf::ShapeRecord>& out_;
    double unit_;
    std::int32_t cx_ = 0, cy_ = 0;
};

swf::FillStyle fillOf(const Element& e) {
    if (!e.gradient) return swf::FillStyle::solid(col(e.fill));
    swf::FillStyle f;
    f.type = swf::FillType::LinearGradient;
    f.gradient.records = {{0, col(e.grad.from)}, {255, col(e.grad.to)}};
    // The gradient square spans -16384..16384 twips along x; map it onto the segment.
    const double x0 = e.grad.x0 * 20, y0 = e.grad.y0 * 20, x1 = e.grad.x1 * 20, y1 = e.grad.y1 * 20;
    const double len = std::max(std::hypot(x1 - x0, y1 - y0), 1.0), s = len / 32768;
    const double c = (x1 - x0) / len, sn = (y1 - y0) / len;
    f.matrix.scaleX = std::int32_t(std::lround(s * c * 65536));
    f.matrix.scaleY = std::int32_t(std::lround(s * c * 65536));
    f.matrix.rotateSkew0 = std::int32_t(std::lround(s * sn * 65536));
    f.matrix.rotateSkew1 = std::int32_t(std::lround(-s * sn * 65536));
    f.matrix.translateX = std::int32_t(std::lround((x0 + x1) / 2));
    f.matrix.translateY = std::int32_t(std::lround((y0 + y1) / 2));
    return f;
}

}  // namespace

swf::Shape shapeOf(const Drawing& d) {
    struct Layer {
        std::vector<swf::FillStyle> fills;
        std::vector<swf::LineStyle> lines;
        std::vector<swf::ShapeRecord> records;
        bool hasLines = false;
    };
    std::vector<Layer> layers(1);
    for (const Element& e : d.elements) {
        if (e.contours.empty()) continue;
        const bool fill = e.filled || e.gradient;
        // The player draws a layer's fills before its lines: a fill that must cover
        // earlier lines opens a new layer.
        if (fill && layers.back().hasLines) layers.emplace_back();
        Layer& L = layers.back();
        std::optional<std::uint32_t> fi, li;
        if (fill) {
            // Every filled element has a style of its own: contours of one style are
            // filled together (even-odd), which would cut holes between elements.
            L.fills.push_back(fillOf(e));
            fi = std::uint32_t(L.fills.size());
        }
        if (e.lineWidth > 0) {
            swf::LineStyle ls;
            ls.width = std::uint16_t(std::clamp(tw(e.lineWidth), 1, 65535));
            ls.color = col(e.line);
            auto it = std::find(L.lines.begin(), L.lines.end(), ls);
            if (it == L.lines.end()) {
                L.lines.push_back(ls);
                li = std::uint32_t(L.lines.size());
            } else {
                li = std::uint32_t(it - L.lines.begin()) + 1;
            }
            L.hasLines = true;
        }
        EdgeWriter w(L.records, 20);
        for (const Contour& c : e.contours) w.contour(c, fi, li, true);
    }
    swf::Shape shape;
    for (std::size_t i = 0; i < layers.size(); ++i) {
        Layer& L = layers[i];
        if (i == 0) {
            shape.fills = std::move(L.fills);
            shape.lines = std::move(L.lines);
        } else {
            swf::StyleChange sc;
            sc.newStyles = true;
            sc.fills = std::move(L.fills);
            sc.lines = std::move(L.lines);
            shape.records.push_back(std::move(sc));
        }
        shape.records.insert(shape.records.end(), L.records.begin(), L.records.end());
    }
    return shape;
}

swf::Shape glyphShape(const GlyphOutline& g) {
    swf::Shape s;
    EdgeWriter w(s.records, 1);
    bool first = true;
    for (const Contour& c : g.contours) {
        w.contour(c, std::uint32_t(1), std::nullopt, first);
        first = false;
    }
    return s;
}

namespace {

swf::Rect boundsOf(const Drawing& d) {
    double x0, y0, x1, y1;
    if (!drawingBounds(d, x0, y0, x1, y1)) return {};
    return {tw(x0) - 20, tw(x1) + 20, tw(y0) - 20, tw(y1) + 20};
}

struct FontTables {
    std::vector<char32_t> codes[2];
    std::map<char32_t, std::uint32_t> index[2];
};

swf::DefineFont fontOf(bool bold, const std::vector<char32_t>& codes) {
    FontBank& fb = FontBank::standard();
    swf::DefineFont f;
    f.version = 2;
    f.id = bold ? kFontBold : kFontRegular;
    f.bold = bold;
    f.wideCodes = true;
    f.name = bold ? "DejaVu Sans Bold" : "DejaVu Sans";
    f.hasLayout = true;
    f.ascent = 951;   // DejaVu Sans: 0.928 em
    f.descent = 242;  // 0.236 em
    f.leading = 0;
    for (char32_t c : codes) {
        const GlyphOutline g = fb.outline(bold, c);
        f.glyphs.push_back(glyphShape(g));
        f.codes.push_back(std::uint16_t(c));
        f.advances.push_back(std::int16_t(std::lround(g.advance)));
        Drawing probe;
        Element e;
        e.contours = g.contours;
        probe.elements.push_back(e);
        double x0, y0, x1, y1;
        if (drawingBounds(probe, x0, y0, x1, y1))
            f.glyphBounds.push_back({std::int32_t(std::floor(x0)), std::int32_t(std::ceil(x1)),
                                     std::int32_t(std::floor(y0)), std::int32_t(std::ceil(y1))});
        else
            f.glyphBounds.push_back({});
    }
    return f;
}

swf::DefineText textOf(const TextBlock& t, std::uint16_t id, const FontTables& ft) {
    FontBank& fb = FontBank::standard();
    swf::DefineText d;
    d.version = 2;
    d.id = id;
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const TextRun& r : t.runs) {
        swf::TextRecord rec;
        rec.fontId = r.bold ? kFontBold : kFontRegular;
        rec.height = std::uint16_t(std::clamp(tw(r.size), 1, 65535));
        rec.color = col(r.colour);
        rec.xOffset = std::int16_t(std::clamp(tw(r.x), -32768, 32767));
        rec.yOffset = std::int16_t(std::clamp(tw(r.y), -32768, 32767));
        double pen = 0;
        for (char32_t c : r.text) {
            const double adv = fb.advance(r.bold, c) * r.size / 1024 * 20;
            const std::int32_t a = std::int32_t(std::lround(pen + adv) - std::lround(pen));
            rec.glyphs.push_back({ft.index[r.bold].at(c), a});
            pen += adv;
        }
        x0 = std::min(x0, r.x), x1 = std::max(x1, r.x + pen / 20);
        y0 = std::min(y0, r.y - r.size), y1 = std::max(y1, r.y + r.size * 0.3);
        d.records.push_back(std::move(rec));
    }
    d.bounds = {tw(x0), tw(x1), tw(y0), tw(y1)};
    return d;
}

swf::PlaceObject placeOf(int depth, const Placement& p, bool move, bool withChar, std::uint16_t id, bool withCx) {
    swf::PlaceObject po;
    po.version = 2;
    po.depth = std::uint16_t(depth);
    po.move = move;
    if (withChar) po.characterId = id;
    swf::Matrix m;
    m.scaleX = m.scaleY = std::int32_t(std::lround(p.scale * 65536));
    m.translateX = tw(p.tx);
    m.translateY = tw(p.ty);
    po.matrix = m;
    if (withCx) {
        swf::ColorTransform cx;
        cx.multA = std::int16_t(std::lround(std::clamp(p.alpha, 0.0, 1.0) * 256));
        po.colorTransform = cx;
    }
    if (withChar && !p.name.empty()) po.name = p.name;
    return po;
}

// Writes the definitions of the symbols as they are first used: a button's
// pieces and a sprite's contents before the button or sprite itself.
class Definitions {
public:
    Definitions(const Timeline& t, const FontTables& ft, std::vector<swf::Tag>& out)
        : t_(t), ft_(ft), out_(out), charId_(t.symbols.size(), 0) {}

    std::uint16_t idOf(int sym) {
        std::uint16_t& id = charId_.at(std::size_t(sym));
        if (id) return id;
        if (++depth_ > 8) throw std::runtime_error("symboles imbriqués trop profondément");
        const Symbol& s = t_.symbols[std::size_t(sym)];
        if (s.isButton()) {
            swf::DefineButton b;
            b.version = 2;
            for (const ButtonPart& part : s.parts) {
                swf::ButtonRecord r;
                r.states = part.states;
                r.characterId = idOf(part.symbol);
                r.depth = std::uint16_t(part.depth);
                b.records.push_back(r);
            }
            for (const ButtonAction& a : s.actions) b.actions.push_back({a.conditions, a.actions});
            b.id = id = next_++;
            out_.push_back(std::move(b));
        } else if (s.isSprite()) {
            swf::DefineSprite sp;
            sp.frameCount = std::uint16_t(s.frames.size());
            appendFrames(s.frames, sp.tags);
            sp.id = id = next_++;
            out_.push_back(std::move(sp));
        } else if (s.isText) {
            id = next_++;
            out_.push_back(textOf(s.text, id, ft_));
        } else {
            swf::DefineShape ds;
            ds.version = 3;
            ds.id = id = next_++;
            ds.bounds = boundsOf(s.drawing);
            ds.shape = shapeOf(s.drawing);
            out_.push_back(std::move(ds));
        }
        --depth_;
        return id;
    }

    // Per frame: its label, the display-list changes, its actions, ShowFrame.
    void appendFrames(const std::vector<Frame>& frames, std::vector<swf::Tag>& tags) {
        std::map<int, Placement> shown;
        for (const Frame& f : frames) {
            if (!f.label.empty()) tags.push_back(swf::FrameLabel{f.label, false});
            for (auto it = shown.begin(); it != shown.end();) {
                if (!f.layers.count(it->first)) {
                    swf::RemoveObject r;
                    r.version = 2;
                    r.depth = std::uint16_t(it->first);
                    tags.push_back(r);
                    it = shown.erase(it);
                } else {
                    ++it;
                }
            }
            for (const auto& [depth, p] : f.layers) {
                const std::uint16_t id = idOf(p.symbol);  // defined before the placement that shows it
                auto old = shown.find(depth);
                if (old == shown.end()) {
                    tags.push_back(placeOf(depth, p, false, true, id, p.alpha < 1));
                } else if (!(old->second == p)) {
                    const bool cx = old->second.alpha != p.alpha;
                    tags.push_back(placeOf(depth, p, true, old->second.symbol != p.symbol, id, cx));
                }
                shown[depth] = p;
            }
            if (!f.actions.empty()) tags.push_back(swf::DoAction{f.actions});
            tags.push_back(swf::ShowFrame{});
        }
    }

private:
    const Timeline& t_;
    const FontTables& ft_;
    std::vector<swf::Tag>& out_;
    std::vector<std::uint16_t> charId_;
    std::uint16_t next_ = 3;  // the two fonts take ids 1 and 2
    int depth_ = 0;
};

}  // namespace

swf::MovieData toMovie(const Timeline& t) {
    swf::MovieData m;
    m.header.version = 8;
    m.header.frame = {0, tw(t.width), 0, tw(t.height)};
    m.header.frameRate = std::uint16_t(std::lround(t.fps * 256));
    m.header.frameCount = std::uint16_t(std::min<std::size_t>(t.frames.size(), 65535));
    m.tags.push_back(swf::SetBackgroundColor{{255, 255, 255, 255}});

    // Fonts first, with every glyph any text uses, in code order.
    FontTables ft;
    std::set<char32_t> used[2];
    for (const Symbol& s : t.symbols)
        if (s.isText)
            for (const TextRun& r : s.text.runs)
                for (char32_t c : r.text) used[r.bold].insert(c <= 0xFFFF ? c : U'?');
    for (int b = 0; b < 2; ++b) {
        ft.codes[b].assign(used[b].begin(), used[b].end());
        for (std::size_t i = 0; i < ft.codes[b].size(); ++i) ft.index[b][ft.codes[b][i]] = std::uint32_t(i);
        if (!ft.codes[b].empty()) m.tags.push_back(fontOf(b == 1, ft.codes[b]));
    }

    // Character ids follow first use. The root's control tags go to the
    // movie in order, each definition written just before its first use.
    Definitions defs(t, ft, m.tags);
    defs.appendFrames(t.frames, m.tags);
    return m;
}

std::vector<std::uint8_t> writeMovie(const Timeline& t) { return swf::write(toMovie(t), swf::Compression::Zlib); }

}  // namespace lessons
