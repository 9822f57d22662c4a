#include "runtime/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <cmath>

namespace rt {
namespace {

// The embedded fallback family, registered on first use.
QString fallbackFamily() {
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/DejaVuSans-Bold.ttf"));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QStringLiteral("DejaVu Sans") : families.first();
    }();
    return family;
}

}  // namespace

QString resolvedFamily(const char* requested) {
    const QString name = QString::fromUtf8(requested);
    if (QFontDatabase::families().contains(name, Qt::CaseInsensitive)) return name;
    return fallbackFamily();
}

QFont labelFont(const std::optional<FontDef>& def) {
    const FontDef d = def.value_or(FontDef{"MS Sans Serif", 8.25, 400});
    QFont font(resolvedFamily(d.name));
    // Layouts are drawn for 96 dots per inch: size the text in pixels so the
    // captions fit their rectangles whatever the screen's logical DPI.
    font.setPixelSize(static_cast<int>(std::lround(d.pointSize * 96.0 / 72.0)));
    font.setWeight(QFont::Weight(d.weight));
    font.setItalic(d.italic);
    font.setUnderline(d.underline);
    font.setStrikeOut(d.strikeOut);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

}  // namespace rt
