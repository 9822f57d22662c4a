#pragma once
// Number <-> text conversions that handlers use on captions.

#include <QString>

namespace rt {

// Reads the number at the start of a text: blanks are skipped, an optional
// sign, digits, an optional decimal point and exponent; reading stops at the
// first character that cannot belong to the number. No number gives 0.
double Val(const QString& text);

// A number written back as text: an integral value as its decimal digits with
// no decimal part; any other value in its shortest exact form.
QString numberText(double value);

}  // namespace rt
