#include "lessons/kit/text.h"

#include <QPainterPath>
#include <QRawFont>
#include <QString>

#include <cmath>
#include <cstdio>
#include <mutex>
#include <stdexcept>

namespace lessons {

namespace {
constexpr double kEm = 1024;

// Converts a glyph path to contours of lines and quadratic curves. TrueType outlines
// are quadratic; Qt hands them over as cubics, from which the quadratic control point
// is recovered exactly. Other cubics are split in two and each half approximated.
std::vector<Contour> toContours(const QPainterPath& path) {
    std::vector<Contour> out;
    Contour cur;
    bool open = false;
    Pt last;
    auto flush = [&] {
        if (open && !cur.segs.empty()) {
            if (!(cur.segs.back().to == cur.start)) cur.segs.push_back(Seg{cur.start});
            out.push_back(cur);
        }
        open = false;
    };
    auto quadFromCubic = [](Pt p0, Pt c1, Pt c2, Pt p3) {
        return Pt{(3 * (c1.x + c2.x) - (p0.x + p3.x)) / 4, (3 * (c1.y + c2.y) - (p0.y + p3.y)) / 4};
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const Pt p{e.x, e.y};
        if (e.type == QPainterPath::MoveToElement) {
            flush();
            cur = Contour{};
            cur.start = p;
            open = true;
            last = p;
        } else if (e.type == QPainterPath::LineToElement) {
            cur.segs.push_back(Seg{p});
            last = p;
        } else if (e.type == QPainterPath::CurveToElement && i + 2 < path.elementCount()) {
            const QPainterPath::Element e2 = path.elementAt(i + 1), e3 = path.elementAt(i + 2);
            const Pt c1 = p, c2{e2.x, e2.y}, p3{e3.x, e3.y};
            const Pt q1{(3 * c1.x - last.x) / 2, (3 * c1.y - last.y) / 2};
            const Pt q2{(3 * c2.x - p3.x) / 2, (3 * c2.y - p3.y) / 2};
            if (std::hypot(q1.x - q2.x, q1.y - q2.y) < 0.5) {
                cur.segs.push_back(Seg{p3, true, q1});
            } else {
                // de Casteljau split at one half.
                const Pt a{(last.x + c1.x) / 2, (last.y + c1.y) / 2}, b{(c1.x + c2.x) / 2, (c1.y + c2.y) / 2},
                    c{(c2.x + p3.x) / 2, (c2.y + p3.y) / 2};
                const Pt ab{(a.x + b.x) / 2, (a.y + b.y) / 2}, bc{(b.x + c.x) / 2, (b.y + c.y) / 2};
                const Pt m{(ab.x + bc.x) / 2, (ab.y + bc.y) / 2};
                cur.segs.push_back(Seg{m, true, quadFromCubic(last, a, ab, m)});
                cur.segs.push_back(Seg{p3, true, quadFromCubic(m, bc, c, p3)});
            }
            last = p3;
            i += 2;
        }
    }
    flush();
    return out;
}
}  // namespace

struct FontBank::Impl {
    QRawFont faces[2];
    mutable std::mutex lock;
    mutable std::map<std::pair<int, char32_t>, GlyphOutline> cache;

    quint32 glyph(bool bold, char32_t c) const {
        const char32_t one[1] = {c};
        const QString s = QString::fromUcs4(one, 1);
        QList<quint32> g = faces[bold].glyphIndexesForString(s);
        return g.isEmpty() ? 0 : g[0];
    }
};

FontBank::FontBank(const std::string& regularPath, const std::string& boldPath) : impl_(new Impl) {
    impl_->faces[0].loadFromFile(QString::fromStdString(regularPath), kEm, QFont::PreferNoHinting);
    impl_->faces[1].loadFromFile(QString::fromStdString(boldPath), kEm, QFont::PreferNoHinting);
    if (!impl_->faces[0].isValid()) throw std::runtime_error("police illisible : " + regularPath);
    if (!impl_->faces[1].isValid()) throw std::runtime_error("police illisible : " + boldPath);
}

FontBank::~FontBank() = default;

FontBank& FontBank::standard() {
    static FontBank bank("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                         "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
    return bank;
}

bool FontBank::hasGlyph(bool bold, char32_t c) const { return impl_->faces[bold].supportsCharacter(c); }

GlyphOutline FontBank::outline(bool bold, char32_t c) const {
    std::lock_guard<std::mutex> g(impl_->lock);
    auto key = std::make_pair(int(bold), c);
    auto it = impl_->cache.find(key);
    if (it != impl_->cache.end()) return it->second;
    GlyphOutline o;
    o.code = c;
    const quint32 gi = impl_->glyph(bold, c);
    o.contours = toContours(impl_->faces[bold].pathForGlyph(gi));
    QList<quint32> idx{gi};
    QList<QPointF> adv = impl_->faces[bold].advancesForGlyphIndexes(idx, QRawFont::SeparateAdvances);
    o.advance = adv.isEmpty() ? 0 : adv[0].x();
    impl_->cache.emplace(key, o);
    return o;
}

double FontBank::advance(bool bold, char32_t c) const { return outline(bold, c).advance; }

double FontBank::width(bool bold, const std::u32string& text, double sizePx) const {
    double w = 0;
    for (char32_t c : text) w += advance(bold, c);
    return w * sizePx / kEm;
}

std::u32string utf32(const std::string& s) {
    const QList<uint> u = QString::fromUtf8(s.data(), qsizetype(s.size())).toUcs4();
    return std::u32string(u.begin(), u.end());
}

std::string utf8(const std::u32string& s) { return QString::fromUcs4(s.data(), qsizetype(s.size())).toStdString(); }

void TextBlock::add(const std::string& s, double x, double y, double size, Rgba colour, bool bold) {
    runs.push_back(TextRun{bold, size, colour, x, y, utf32(s)});
}

std::string textKey(const TextBlock& t) {
    std::string k;
    char buf[96];
    for (const TextRun& r : t.runs) {
        std::snprintf(buf, sizeof buf, "R%d,%ld,%02x%02x%02x%02x,%ld,%ld:", int(r.bold), std::lround(r.size * 20),
                      r.colour.r, r.colour.g, r.colour.b, r.colour.a, std::lround(r.x * 20), std::lround(r.y * 20));
        k += buf;
        k += utf8(r.text);
    }
    return k;
}

int layoutParagraph(TextBlock& out, const std::vector<RichPiece>& pieces, double x, double y, double maxWidth,
                    double size, double lineHeight, bool centred) {
    FontBank& fb = FontBank::standard();
    struct Word {
        std::u32string text;
        bool bold;
        Rgba colour;
        bool spaceBefore;
    };
    std::vector<Word> words;
    bool space = false;
    for (const RichPiece& p : pieces) {
        std::u32string t = utf32(p.text);
        // French typography: no line break before : ; ! ? » nor after «; the texts
        // of the sources already carry these spaces, the kit's own may not.
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i] != U' ') continue;
            const char32_t next = i + 1 < t.size() ? t[i + 1] : 0, prev = i > 0 ? t[i - 1] : 0;
            if (next == U':' || next == U';' || next == U'!' || next == U'?')
                t[i] = U'\u202f';
            else if (next == U'\u00bb' || prev == U'\u00ab')
                t[i] = U'\u00a0';
        }
        std::u32string cur;
        for (char32_t c : t) {
            if (c == U' ') {
                if (!cur.empty()) words.push_back({cur, p.bold, p.colour, space});
                cur.clear();
                space = true;
            } else {
                cur += c;
            }
        }
        if (!cur.empty()) {
            words.push_back({cur, p.bold, p.colour, space});
            space = false;
        }
    }
    // Greedy line breaking; a non-breaking space keeps French punctuation on its word.
    std::vector<std::vector<Word>> lines(1);
    double lineW = 0;
    for (const Word& w : words) {
        const double ww = fb.width(w.bold, w.text, size);
        const double sp = (w.spaceBefore && !lines.back().empty()) ? fb.width(w.bold, U" ", size) : 0;
        if (!lines.back().empty() && lineW + sp + ww > maxWidth) {
            lines.emplace_back();
            lineW = 0;
            Word first = w;
            first.spaceBefore = false;
            lines.back().push_back(first);
            lineW = ww;
            continue;
        }
        lines.back().push_back(w);
        lineW += sp + ww;
    }
    for (std::size_t li = 0; li < lines.size(); ++li) {
        double total = 0;
        for (std::size_t k = 0; k < lines[li].size(); ++k) {
            const Word& w = lines[li][k];
            if (k > 0 && w.spaceBefore) total += fb.width(w.bold, U" ", size);
            total += fb.width(w.bold, w.text, size);
        }
        double cx = centred ? x + (maxWidth - total) / 2 : x;
        const double by = y + double(li) * lineHeight;
        // Consecutive words of one style join into one run.
        TextRun run;
        bool have = false;
        for (std::size_t k = 0; k < lines[li].size(); ++k) {
            const Word& w = lines[li][k];
            const bool space = k > 0 && w.spaceBefore;
            if (have && run.bold == w.bold && run.colour == w.colour) {
                if (space) run.text += U' ';
                run.text += w.text;
            } else {
                if (have) {
                    cx += fb.width(run.bold, run.text, size);
                    out.runs.push_back(run);
                }
                if (space) {
                    cx += fb.width(w.bold, U" ", size);
                }
                run = TextRun{w.bold, size, w.colour, cx, by, w.text};
                have = true;
            }
        }
        if (have) out.runs.push_back(run);
    }
    return int(lines.size());
}

}  // namespace lessons
