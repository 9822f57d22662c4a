#include "tools/swf-conformance/suite.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace conformance {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string unquote(std::string_view s) {
    s = trim(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return std::string(s);
}

// A value with a trailing comment removed (comments never occur inside the
// strings this reader cares about, except in patterns, handled separately).
std::string_view valueOf(std::string_view v) {
    v = trim(v);
    if (!v.empty() && v.front() != '"' && v.front() != '[') {
        if (auto hash = v.find('#'); hash != std::string_view::npos) v = trim(v.substr(0, hash));
    }
    return v;
}

long toLong(std::string_view v) { return std::strtol(std::string(valueOf(v)).c_str(), nullptr, 10); }

// The strings of a TOML array of basic strings, with \\ escapes undone.
std::vector<std::string> stringList(std::string_view v) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while ((i = v.find('"', i)) != std::string_view::npos) {
        std::string s;
        for (++i; i < v.size() && v[i] != '"'; ++i) {
            if (v[i] == '\\' && i + 1 < v.size()) ++i;
            s += v[i];
        }
        out.push_back(std::move(s));
        ++i;
    }
    return out;
}

ImageCheck& imageNamed(TestSettings& t, const std::string& name) {
    for (auto& c : t.images)
        if (c.name == name) return c;
    t.images.push_back({name, 0, 0, 0});
    return t.images.back();
}

// "image_comparisons.NAME" or image_comparisons."NAME" → NAME; "" otherwise.
std::string imageTableName(std::string_view key) {
    constexpr std::string_view prefix = "image_comparisons.";
    if (key.substr(0, prefix.size()) != prefix) return {};
    return unquote(key.substr(prefix.size()));
}

void setImageKey(ImageCheck& c, std::string_view key, std::string_view value) {
    if (key == "tolerance")
        c.tolerance = int(toLong(value));
    else if (key == "max_outliers")
        c.maxOutliers = toLong(value);
    else if (key == "trigger")
        c.trigger = int(toLong(value));
}

}  // namespace

TestSettings parseSettings(std::string_view toml) {
    TestSettings t;
    std::string table;
    std::istringstream in{std::string(toml)};
    std::string raw;
    while (std::getline(in, raw)) {
        std::string_view line = trim(raw);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            std::string_view inner = line.substr(line.find_first_not_of('['));
            inner = inner.substr(0, inner.find(']'));
            table = std::string(trim(inner));
            if (!imageTableName(table).empty() && table.find(".checks") == std::string::npos)
                imageNamed(t, imageTableName(table));
            if (table == "approximations" && !t.approximation) t.approximation = Approximation{};
            continue;
        }
        auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view key = trim(line.substr(0, eq));
        std::string_view value = trim(line.substr(eq + 1));
        if (table.empty()) {
            if (key == "num_frames" || key == "num_ticks")
                t.frames = std::max(1, int(toLong(value)));
            else if (key == "known_failure")
                t.knownFailure = valueOf(value) == "true";
            else if (auto dot = key.rfind('.');
                     dot != std::string_view::npos && !imageTableName(key.substr(0, dot)).empty())
                setImageKey(imageNamed(t, imageTableName(key.substr(0, dot))), key.substr(dot + 1), value);
        } else if (table == "player_options" && key == "viewport_dimensions") {
            // An inline table: { width = W, height = H, scale_factor = S }.
            if (auto at = value.find("scale_factor"); at != std::string_view::npos) {
                std::string_view rest = value.substr(at);
                if (auto e = rest.find('='); e != std::string_view::npos) {
                    double f = std::strtod(std::string(trim(rest.substr(e + 1))).c_str(), nullptr);
                    if (f > 0.01 && f < 100) t.pointerScale = f;
                }
            }
        } else if (table == "approximations") {
            if (key == "epsilon")
                t.approximation->epsilon = std::strtod(std::string(valueOf(value)).c_str(), nullptr);
            else if (key == "bare_numbers")
                t.approximation->bareNumbers = valueOf(value) == "true";
            else if (key == "number_patterns")
                t.approximation->numberPatterns = stringList(value);
        } else if (table == "player_options" && key == "with_renderer") {
            // An inline table: { optional = ..., quality = "low" }.
            auto q = value.find("quality");
            if (q != std::string_view::npos) {
                auto names = stringList(value.substr(q));
                if (!names.empty()) t.quality = names.front();
            }
        } else if (std::string name = imageTableName(table);
                   !name.empty() && table.find(".checks") == std::string::npos) {
            setImageKey(imageNamed(t, name), key, value);
        }
    }
    return t;
}

std::string normaliseOutput(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

namespace {

std::vector<std::string> splitLines(const std::string& s) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        auto nl = s.find('\n', start);
        lines.push_back(s.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return lines;
}

bool parseNumber(const std::string& s, double& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return end && *end == 0;
}

bool closeEnough(double a, double b, double eps) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return a == b || std::fabs(a - b) <= eps;
}

// Two lines that differ only in numbers matched by the patterns, each pair
// within epsilon.
bool patternLinesMatch(const std::string& e, const std::string& a, const Approximation& ap) {
    for (const auto& pattern : ap.numberPatterns) {
        QRegularExpression re(QString::fromStdString(pattern));
        if (!re.isValid()) continue;
        QString qe = QString::fromStdString(e), qa = QString::fromStdString(a);
        auto ie = re.globalMatch(qe), ia = re.globalMatch(qa);
        QString restE, restA;
        qsizetype lastE = 0, lastA = 0;
        bool ok = true;
        while (ie.hasNext() && ia.hasNext()) {
            auto me = ie.next(), ma = ia.next();
            int g = re.captureCount() >= 1 ? 1 : 0;
            if (!closeEnough(me.captured(g).toDouble(), ma.captured(g).toDouble(), ap.epsilon)) ok = false;
            restE += qe.mid(lastE, me.capturedStart(g) - lastE);
            restA += qa.mid(lastA, ma.capturedStart(g) - lastA);
            lastE = me.capturedEnd(g);
            lastA = ma.capturedEnd(g);
        }
        if (ie.hasNext() || ia.hasNext()) ok = false;
        restE += qe.mid(lastE);
        restA += qa.mid(lastA);
        if (ok && restE == restA) return true;
    }
    return false;
}

}  // namespace

bool outputsMatch(std::string_view expected, std::string_view actual, const std::optional<Approximation>& approx) {
    std::string e = normaliseOutput(expected), a = normaliseOutput(actual);
    if (e == a) return true;
    if (!approx) return false;
    auto le = splitLines(e), la = splitLines(a);
    if (le.size() != la.size()) return false;
    for (std::size_t i = 0; i < le.size(); ++i) {
        if (le[i] == la[i]) continue;
        double x, y;
        if (approx->bareNumbers && parseNumber(le[i], x) && parseNumber(la[i], y) && closeEnough(x, y, approx->epsilon))
            continue;
        if (patternLinesMatch(le[i], la[i], *approx)) continue;
        return false;
    }
    return true;
}

ImageDifference compareImages(const QImage& expected, const QImage& actual, int tolerance) {
    ImageDifference d;
    if (expected.isNull() || actual.isNull() || expected.size() != actual.size()) return d;
    d.sameSize = true;
    QImage e = expected.convertToFormat(QImage::Format_ARGB32);
    QImage a = actual.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < e.height(); ++y) {
        auto* pe = reinterpret_cast<const QRgb*>(e.constScanLine(y));
        auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        for (int x = 0; x < e.width(); ++x) {
            int delta = std::max({std::abs(qRed(pe[x]) - qRed(pa[x])), std::abs(qGreen(pe[x]) - qGreen(pa[x])),
                                  std::abs(qBlue(pe[x]) - qBlue(pa[x])), std::abs(qAlpha(pe[x]) - qAlpha(pa[x]))});
            d.maxDelta = std::max(d.maxDelta, delta);
            if (delta > tolerance) ++d.outliers;
        }
    }
    return d;
}

QImage differenceImage(const QImage& expected, const QImage& actual, int tolerance) {
    QSize size = expected.size().expandedTo(actual.size());
    QImage out(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32);
    out.fill(qRgb(255, 0, 0));
    QImage e = expected.convertToFormat(QImage::Format_ARGB32);
    QImage a = actual.convertToFormat(QImage::Format_ARGB32);
    int w = std::min(e.width(), a.width()), h = std::min(e.height(), a.height());
    for (int y = 0; y < h; ++y) {
        auto* pe = reinterpret_cast<const QRgb*>(e.constScanLine(y));
        auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        auto* po = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int delta = std::max({std::abs(qRed(pe[x]) - qRed(pa[x])), std::abs(qGreen(pe[x]) - qGreen(pa[x])),
                                  std::abs(qBlue(pe[x]) - qBlue(pa[x])), std::abs(qAlpha(pe[x]) - qAlpha(pa[x]))});
            if (delta > tolerance) {
                po[x] = qRgb(128 + delta / 2, 0, 0);
            } else {
                int g = 192 + qGray(pe[x]) / 4;
                po[x] = qRgb(g, g, g);
            }
        }
    }
    return out;
}

}  // namespace conformance
