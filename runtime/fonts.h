#pragma once
// Label fonts. "Verdana" is used where the system has it; otherwise the
// DejaVu Sans Bold built into the program, so labels look the same everywhere.

#include "runtime/layout.h"

#include <QFont>
#include <optional>

namespace rt {

// The font of a label; none means the screen's default font.
QFont labelFont(const std::optional<FontDef>& def);

// The family that stands in for a layout's font name on this system.
QString resolvedFamily(const char* requested);

}  // namespace rt
