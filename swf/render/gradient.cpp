#include "swf/render/gradient.h"

#include <algorithm>
#include <cmath>

namespace swf {

namespace {

double toLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double toSrgb(double c) { return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055; }

QColor blend(const Rgba& a, const Rgba& b, double t, InterpolationMode mode) {
    auto channel = [&](std::uint8_t x, std::uint8_t y) {
        double v;
        if (mode == InterpolationMode::Linear)
            v = toSrgb(toLinear(x / 255.0) * (1 - t) + toLinear(y / 255.0) * t) * 255;
        else
            v = x * (1 - t) + y * t;
        return std::clamp(int(std::lround(v)), 0, 255);
    };
    int alpha = std::clamp(int(std::lround(a.a * (1 - t) + b.a * t)), 0, 255);
    return QColor(channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b), alpha);
}

QColor plain(const Rgba& c) { return QColor(c.r, c.g, c.b, c.a); }

}  // namespace

GradientTable gradientTable(const std::vector<GradientRecord>& records, InterpolationMode interpolation) {
    GradientTable table;
    if (records.empty()) {
        table.fill(QColor(0, 0, 0, 0));
        return table;
    }
    // Positions: the records' ratios, a repeated ratio moved one entry past the previous record.
    std::vector<int> at(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        at[i] = i > 0 && records[i].ratio == records[i - 1].ratio ? at[i - 1] + 1 : records[i].ratio;

    int next = 0;  // the first entry not yet filled
    for (; next <= std::min(at[0], 255); ++next) table[std::size_t(next)] = plain(records[0].color);
    for (std::size_t i = 1; i < records.size(); ++i) {
        int from = at[i - 1], to = at[i];
        for (; next <= std::min(to, 255); ++next) {
            double t = to > from ? double(next - from) / (to - from) : 1.0;
            table[std::size_t(next)] =
                blend(records[i - 1].color, records[i].color, std::clamp(t, 0.0, 1.0), interpolation);
        }
    }
    for (; next < 256; ++next) table[std::size_t(next)] = plain(records.back().color);
    return table;
}

QGradientStops tableStops(const GradientTable& table) {
    QGradientStops stops;
    stops.reserve(512);
    constexpr double kEntry = 1.0 / 256;
    for (int k = 0; k < 256; ++k) {
        const QColor& c = table[std::size_t(k)];
        if (k > 0 && c == table[std::size_t(k - 1)]) {
            stops.back().first = (k + 1) * kEntry - kEntry / 64;  // a run of one colour: stretch its last stop
            continue;
        }
        stops.append({k * kEntry, c});
        stops.append({(k + 1) * kEntry - kEntry / 64, c});
    }
    stops.back().first = 1.0;
    return stops;
}

}  // namespace swf
