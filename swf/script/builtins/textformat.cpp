// TextFormat: a bag of optional character and paragraph settings. Its
// members are getters and setters on the prototype that convert what
// scripts store (a boolean member keeps true, false or null; a margin is
// a whole number of pixels, never negative; an unknown alignment is
// ignored), and getTextExtent measures a text in the format.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/text_format.h"
#include "swf/script/realm.h"

namespace swf::script {

namespace {

class TextFormatCell final : public Cell {
public:
    TextFormatData data;
    std::size_t extraBytes() const override {
        std::size_t n = 0;
        for (const auto* s : {&data.font, &data.url, &data.target, &data.align})
            if (*s) n += s->value().capacity();
        if (data.tabStops) n += data.tabStops->capacity() * sizeof(double);
        return n;
    }
};

TextFormatCell* cellOf(Value v) { return v.isObject() ? dynamic_cast<TextFormatCell*>(v.o->nativeData()) : nullptr; }

// Font names longer than this are cut, as the reference player does.
constexpr std::size_t kMaxFontChars = 64;

std::string cutChars(std::string s, std::size_t chars) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && n++ == chars) {
            s.resize(i);
            break;
        }
    return s;
}

enum class Kind { Text, Font, Bool, Whole, NonNegative, Decimal, Color, Align, TabStops, Display };

struct Member {
    const char* name;
    Kind kind;
};

// In the order the reference player lists them.
constexpr Member kMembers[] = {
    {"font", Kind::Font},
    {"size", Kind::Whole},
    {"color", Kind::Color},
    {"url", Kind::Text},
    {"target", Kind::Text},
    {"bold", Kind::Bool},
    {"italic", Kind::Bool},
    {"underline", Kind::Bool},
    {"align", Kind::Align},
    {"leftMargin", Kind::NonNegative},
    {"rightMargin", Kind::NonNegative},
    {"indent", Kind::NonNegative},
    {"leading", Kind::NonNegative},
    {"blockIndent", Kind::NonNegative},
    {"tabStops", Kind::TabStops},
    {"bullet", Kind::Bool},
    {"display", Kind::Display},
    {"letterSpacing", Kind::Decimal},
    {"kerning", Kind::Bool},
};
constexpr std::size_t kMemberCount = sizeof(kMembers) / sizeof(kMembers[0]);

std::optional<std::string>* textSlot(TextFormatData& d, int i) {
    switch (i) {
    case 0: return &d.font;
    case 3: return &d.url;
    case 4: return &d.target;
    case 8: return &d.align;
    default: return nullptr;
    }
}
std::optional<double>* numberSlot(TextFormatData& d, int i) {
    switch (i) {
    case 1: return &d.size;
    case 9: return &d.leftMargin;
    case 10: return &d.rightMargin;
    case 11: return &d.indent;
    case 12: return &d.leading;
    case 13: return &d.blockIndent;
    case 17: return &d.letterSpacing;
    default: return nullptr;
    }
}
std::optional<bool>* boolSlot(TextFormatData& d, int i) {
    switch (i) {
    case 5: return &d.bold;
    case 6: return &d.italic;
    case 7: return &d.underline;
    case 15: return &d.bullet;
    case 18: return &d.kerning;
    default: return nullptr;
    }
}

Value readMember(Machine& m, TextFormatData& d, int i) {
    switch (kMembers[i].kind) {
    case Kind::Text:
    case Kind::Font:
    case Kind::Align: {
        auto* s = textSlot(d, i);
        return *s ? m.str(**s) : Value::null();
    }
    case Kind::Bool: {
        auto* b = boolSlot(d, i);
        return *b ? Value::boolean(**b) : Value::null();
    }
    case Kind::Color: return d.color ? Value::number(*d.color) : Value::null();
    case Kind::TabStops: {
        if (!d.tabStops) return Value::null();
        ArrayObject* a = m.newArray();
        for (double t : *d.tabStops) a->push(m, Value::number(t));
        return Value::object(a);
    }
    case Kind::Display: return m.str(d.display);
    default: {
        auto* n = numberSlot(d, i);
        return *n ? Value::number(**n) : Value::null();
    }
    }
}

double wholeNumber(double n) {
    if (!std::isfinite(n)) return std::isnan(n) ? 0 : n > 0 ? 2147483647.0 : -2147483648.0;
    return std::trunc(n);
}

void writeMember(Machine& m, TextFormatData& d, int i, Value v) {
    const Kind kind = kMembers[i].kind;
    if (kind == Kind::Display) {
        if (!v.isNullish()) d.display = m.toString(v) == "inline" ? "inline" : "block";
        return;
    }
    if (kind == Kind::Align) {
        if (v.isNullish()) return;
        std::string a = m.toString(v);
        std::transform(a.begin(), a.end(), a.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (a == "left" || a == "center" || a == "right" || a == "justify") d.align = a;
        return;
    }
    if (v.isNullish()) {
        switch (kind) {
        case Kind::Text:
        case Kind::Font: textSlot(d, i)->reset(); break;
        case Kind::Bool: boolSlot(d, i)->reset(); break;
        case Kind::Color: d.color.reset(); break;
        case Kind::TabStops: d.tabStops.reset(); break;
        default: numberSlot(d, i)->reset(); break;
        }
        return;
    }
    switch (kind) {
    case Kind::Text: *textSlot(d, i) = m.toString(v); break;
    case Kind::Font: d.font = cutChars(m.toString(v), kMaxFontChars); break;
    case Kind::Bool: *boolSlot(d, i) = m.toBoolean(v); break;
    case Kind::Color: d.color = toUint32(m.toNumber(v)) & 0xFFFFFFu; break;
    case Kind::Whole: *numberSlot(d, i) = wholeNumber(m.toNumber(v)); break;
    case Kind::NonNegative: *numberSlot(d, i) = std::max(0.0, wholeNumber(m.toNumber(v))); break;
    case Kind::Decimal: {
        double n = m.toNumber(v);
        *numberSlot(d, i) = std::isfinite(n) ? n : 0;
        break;
    }
    case Kind::TabStops: {
        if (!v.isObject()) {
            d.tabStops.reset();
            break;
        }
        double length = m.toNumber(m.get(v.o, "length"));
        std::vector<double> stops;
        std::size_t n = std::isfinite(length) && length > 0 ? static_cast<std::size_t>(std::min(length, 1024.0)) : 0;
        for (std::size_t k = 0; k < n; ++k) {
            m.chargeSteps(1);
            stops.push_back(std::max(0.0, wholeNumber(m.toNumber(m.get(v.o, std::to_string(k))))));
        }
        d.tabStops = std::move(stops);
        break;
    }
    default: break;
    }
}

template <int I>
Value getMember(Machine& m, Value self, std::span<const Value>) {
    TextFormatCell* c = cellOf(self);
    return c ? readMember(m, c->data, I) : Value();
}

template <int I>
Value setMember(Machine& m, Value self, std::span<const Value> args) {
    if (TextFormatCell* c = cellOf(self)) writeMember(m, c->data, I, args.empty() ? Value() : args[0]);
    return Value();
}

template <std::size_t... I>
void defineMembers(Realm& realm, Object* proto, std::index_sequence<I...>) {
    (realm.defineAccessor(proto, kMembers[I].name, getMember<int(I)>, setMember<int(I)>, 0), ...);
}

Value getTextExtent(Machine& m, Value self, std::span<const Value> args) {
    TextFormatCell* c = cellOf(self);
    if (!c || args.empty()) return Value();
    std::string text = m.toString(args[0]);
    double maxWidth = -1;
    if (args.size() > 1 && !args[1].isUndefined()) {
        double w = m.toNumber(args[1]);
        if (std::isfinite(w) && w > 0) maxWidth = w;
    }
    double size = c->data.size.value_or(12);
    TextExtent e = measureDeviceText(text, size, maxWidth);
    Object* out = m.newObject();
    m.set(out, "ascent", Value::number(e.ascent));
    m.set(out, "descent", Value::number(e.descent));
    m.set(out, "width", Value::number(e.width));
    m.set(out, "height", Value::number(e.height));
    // A field showing the text has a 2-pixel gutter on each side.
    m.set(out, "textFieldHeight", Value::number(e.height + 4));
    m.set(out, "textFieldWidth", Value::number(maxWidth > 0 ? maxWidth : e.width + 4));
    return Value::object(out);
}

Value construct(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    auto* cell = m.heap().make<TextFormatCell>();
    self.o->setNativeData(cell);
    // font, size, color, bold, italic, underline, url, target, align,
    // leftMargin, rightMargin, indent, leading: in that order.
    static constexpr int order[] = {0, 1, 2, 5, 6, 7, 3, 4, 8, 9, 10, 11, 12};
    for (std::size_t k = 0; k < args.size() && k < std::size(order); ++k) writeMember(m, cell->data, order[k], args[k]);
    m.realm().defineMethod(self.o, "getTextExtent", getTextExtent, kBuiltinFlags);
    return Value();
}

}  // namespace

void TextFormatData::intersect(const TextFormatData& o) {
    auto keep = [](auto& mine, const auto& theirs) {
        if (mine != theirs) mine.reset();
    };
    keep(font, o.font);
    keep(url, o.url);
    keep(target, o.target);
    keep(align, o.align);
    keep(size, o.size);
    keep(blockIndent, o.blockIndent);
    keep(indent, o.indent);
    keep(leading, o.leading);
    keep(leftMargin, o.leftMargin);
    keep(rightMargin, o.rightMargin);
    keep(letterSpacing, o.letterSpacing);
    keep(color, o.color);
    keep(bold, o.bold);
    keep(italic, o.italic);
    keep(underline, o.underline);
    keep(bullet, o.bullet);
    keep(kerning, o.kerning);
    keep(tabStops, o.tabStops);
}

void TextFormatData::apply(const TextFormatData& o) {
    auto take = [](auto& mine, const auto& theirs) {
        if (theirs) mine = theirs;
    };
    take(font, o.font);
    take(url, o.url);
    take(target, o.target);
    take(align, o.align);
    take(size, o.size);
    take(blockIndent, o.blockIndent);
    take(indent, o.indent);
    take(leading, o.leading);
    take(leftMargin, o.leftMargin);
    take(rightMargin, o.rightMargin);
    take(letterSpacing, o.letterSpacing);
    take(color, o.color);
    take(bold, o.bold);
    take(italic, o.italic);
    take(underline, o.underline);
    take(bullet, o.bullet);
    take(kerning, o.kerning);
    take(tabStops, o.tabStops);
}

TextExtent measureDeviceText(std::string_view text, double size, double maxWidth) {
    // A fixed metric for device fonts: narrow and wide letters average out
    // to half the size; a line is 1.15 times the size.
    if (!std::isfinite(size) || size < 0) size = 0;
    size = std::min(size, 10000.0);
    const double advance = size * 0.5, lineHeight = std::round(size * 1.15);
    double lineWidth = 0, widest = 0;
    int lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) == 0x80) continue;
        if (c == '\n' || c == '\r') {
            widest = std::max(widest, lineWidth);
            lineWidth = 0;
            ++lines;
            continue;
        }
        if (maxWidth > 0 && lineWidth > 0 && lineWidth + advance > maxWidth - 4) {
            widest = std::max(widest, lineWidth);
            lineWidth = 0;
            ++lines;
        }
        lineWidth += advance;
    }
    widest = std::max(widest, lineWidth);
    TextExtent e;
    e.width = std::round(widest);
    e.height = lineHeight * lines;
    e.ascent = std::round(size * 0.9);
    e.descent = std::round(size * 0.25);
    return e;
}

Object* newTextFormat(Machine& m, const TextFormatData& data) {
    Value ctor = m.get(m.realm().global, "TextFormat");
    Value made = m.construct(ctor, {});
    if (TextFormatCell* c = cellOf(made)) {
        c->data = data;
        return made.o;
    }
    // TextFormat was replaced by a script: a plain object carrying the format.
    Object* o = m.newObject();
    auto* cell = m.heap().make<TextFormatCell>();
    cell->data = data;
    o->setNativeData(cell);
    return o;
}

const TextFormatData* textFormatOf(Value v) {
    TextFormatCell* c = cellOf(v);
    return c ? &c->data : nullptr;
}

void installTextFormat(Realm& realm) {
    FunctionObject* ctor = realm.defineClass("TextFormat", construct, nullptr, nullptr);
    Object* proto = realm.machine.get(ctor, "prototype").o;
    defineMembers(realm, proto, std::make_index_sequence<kMemberCount>{});
}

}  // namespace swf::script
