#include "runtime/text.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace rt {

double Val(const QString& text) {
    std::string s;
    bool digits = false, point = false, exponent = false;
    for (QChar qc : text) {
        if (qc == u' ' || qc == u'\t' || qc == u'\n' || qc == u'\r') continue;
        const char c = qc.toLatin1();
        if (c >= '0' && c <= '9') {
            s += c;
            digits = true;
        } else if ((c == '+' || c == '-') && (s.empty() || s.back() == 'e')) {
            s += c;
        } else if (c == '.' && !point && !exponent) {
            s += c;
            point = true;
        } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && digits && !exponent) {
            s += 'e';
            exponent = true;
        } else {
            break;
        }
    }
    if (!digits) return 0.0;
    return std::strtod(s.c_str(), nullptr);
}

QString numberText(double value) {
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<long long>(value));
    return QString::number(value, 'g', 15);
}

}  // namespace rt
