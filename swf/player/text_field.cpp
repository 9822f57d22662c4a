#include "swf/player/text_field.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "swf/player/dictionary.h"
#include "swf/player/html_text.h"
#include "swf/script/utf8.h"

namespace swf {

namespace {

using script::HostValue;
using script::TextFormatData;

// The format of a field that says nothing of its own.
TextFormatData defaultFormat() {
    TextFormatData f;
    f.font = "Times New Roman";
    f.size = 12;
    f.color = 0;
    f.bold = f.italic = f.underline = f.bullet = f.kerning = false;
    f.url = f.target = "";
    f.align = "left";
    f.blockIndent = f.indent = f.leading = f.leftMargin = f.rightMargin = f.letterSpacing = 0;
    f.tabStops = std::vector<double>{};
    return f;
}

const char* alignName(TextAlign a) {
    switch (a) {
    case TextAlign::Right: return "right";
    case TextAlign::Center: return "center";
    case TextAlign::Justify: return "justify";
    default: return "left";
    }
}

double number(const HostValue& v, double otherwise) {
    if (const double* d = std::get_if<double>(&v)) return *d;
    if (const bool* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    return otherwise;
}
bool flag(const HostValue& v) {
    if (const bool* b = std::get_if<bool>(&v)) return *b;
    if (const double* d = std::get_if<double>(&v)) return *d != 0 && !std::isnan(*d);
    if (const std::string* s = std::get_if<std::string>(&v)) return !s->empty();
    return false;
}
std::string stringOf(const HostValue& v) {
    if (const std::string* s = std::get_if<std::string>(&v)) return *s;
    return "";
}
std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
std::uint32_t color(double n) {
    if (!std::isfinite(n)) return 0;
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(std::fmod(std::trunc(n), 4294967296.0))) & 0xFFFFFFu;
}

}  // namespace

TextField::TextField(const Rect& bounds) : bounds_(bounds), newFormat_(defaultFormat()) {
    tag_.bounds = bounds;
    tag_.fontHeight = 240;
    formats_.push_back(newFormat_);
}

TextField::TextField(const DefineEditText& tag, const Dictionary* dict)
    : tag_(tag), bounds_(tag.bounds), newFormat_(defaultFormat()) {
    if (tag.fontHeight) newFormat_.size = std::round(tag.fontHeight / 20.0);
    if (tag.color)
        newFormat_.color = (std::uint32_t(tag.color->r) << 16) | (std::uint32_t(tag.color->g) << 8) | tag.color->b;
    if (tag.layout) {
        newFormat_.align = alignName(tag.layout->align);
        newFormat_.leftMargin = std::round(tag.layout->leftMargin / 20.0);
        newFormat_.rightMargin = std::round(tag.layout->rightMargin / 20.0);
        newFormat_.indent = std::round(tag.layout->indent / 20.0);
        newFormat_.leading = std::round(tag.layout->leading / 20.0);
    }
    if (dict && tag.fontId)
        if (const DefineFont* f = dict->font(*tag.fontId)) {
            // Names are often stored with their C terminator.
            std::string name = f->name;
            while (!name.empty() && name.back() == '\0') name.pop_back();
            if (!name.empty()) newFormat_.font = name;
            newFormat_.bold = f->bold;
            newFormat_.italic = f->italic;
        }
    if (tag.fontClass && !tag.fontClass->empty()) newFormat_.font = *tag.fontClass;
    formats_.push_back(newFormat_);
    html_ = tag.html;
    multiline_ = tag.multiline;
    wordWrap_ = tag.wordWrap;
    password_ = tag.password;
    selectable_ = !tag.noSelect;
    border_ = background_ = tag.border;
    embedFonts_ = tag.useOutlines;
    input_ = !tag.readOnly;
    autoSize_ = tag.autoSize ? "left" : "none";
    if (tag.maxLength && *tag.maxLength > 0) maxChars_ = *tag.maxLength;
    variable_ = tag.variableName;
    if (tag.initialText) {
        if (html_)
            setHtmlText(*tag.initialText);
        else
            setText(*tag.initialText);
    }
}

std::uint16_t TextField::formatIndex(const TextFormatData& f) {
    for (std::size_t i = 0; i < formats_.size(); ++i)
        if (formats_[i] == f) return static_cast<std::uint16_t>(i);
    if (formats_.size() >= 4096) compactFormats();
    if (formats_.size() >= 4096) return 0;  // bounded: a flood of formats shares the first
    formats_.push_back(f);
    return static_cast<std::uint16_t>(formats_.size() - 1);
}

void TextField::compactFormats() {
    std::vector<script::TextFormatData> kept;
    std::vector<int> map(formats_.size(), -1);
    for (Char& c : chars_) {
        if (map[c.format] < 0) {
            map[c.format] = static_cast<int>(kept.size());
            kept.push_back(formats_[c.format]);
        }
        c.format = static_cast<std::uint16_t>(map[c.format]);
    }
    if (kept.empty()) kept.push_back(newFormat_);
    formats_ = std::move(kept);
}

void TextField::insert(std::size_t at, std::string_view utf8, const TextFormatData& format) {
    std::u16string units = script::decodeUtf8(utf8);
    at = std::min(at, chars_.size());
    std::size_t room = kMaxChars > chars_.size() ? kMaxChars - chars_.size() : 0;
    if (units.size() > room) units.resize(room);
    std::uint16_t f = formatIndex(format);
    std::vector<Char> added;
    added.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char16_t u = units[i];
        if (u == u'\n') {
            if (i > 0 && units[i - 1] == u'\r') continue;  // "\r\n" is one paragraph end
            u = u'\r';
        }
        added.push_back({u, f});
    }
    chars_.insert(chars_.begin() + std::ptrdiff_t(at), added.begin(), added.end());
}

std::string TextField::text() const {
    std::u16string units;
    units.reserve(chars_.size());
    for (const Char& c : chars_) units += static_cast<char16_t>(c.code);
    return script::encodeUtf8(units);
}

void TextField::setText(std::string_view s) {
    chars_.clear();
    formats_.clear();
    formats_.push_back(newFormat_);
    insert(0, s, newFormat_);
}

void TextField::setHtmlText(std::string_view html) {
    chars_.clear();
    formats_.clear();
    formats_.push_back(newFormat_);
    for (const StyledRun& run : parseHtml(html, newFormat_)) insert(chars_.size(), run.text, run.format);
}

std::string TextField::htmlText() const {
    std::vector<StyledRun> runs;
    std::u16string units;
    int current = -1;
    auto flush = [&] {
        if (current >= 0) runs.push_back({script::encodeUtf8(units), formats_[std::size_t(current)]});
        units.clear();
    };
    for (const Char& c : chars_) {
        if (c.format != current) {
            flush();
            current = c.format;
        }
        units += static_cast<char16_t>(c.code);
    }
    flush();
    return formatHtml(runs, newFormat_);
}

void TextField::replaceText(int begin, int end, std::string_view s) {
    std::size_t b = std::min<std::size_t>(std::size_t(std::max(begin, 0)), chars_.size());
    std::size_t e = std::min<std::size_t>(std::size_t(std::max(end, begin)), chars_.size());
    // The new text takes the format of the first character it replaces, or
    // the one before it, or the new-text format of an empty field.
    TextFormatData f = newFormat_;
    if (b < e)
        f = formats_[chars_[b].format];
    else if (b > 0)
        f = formats_[chars_[b - 1].format];
    chars_.erase(chars_.begin() + std::ptrdiff_t(b), chars_.begin() + std::ptrdiff_t(e));
    insert(b, s, f);
}

TextFormatData TextField::textFormat(int begin, int end) {
    std::size_t b = std::size_t(std::max(begin, 0)),
                e = std::min<std::size_t>(std::size_t(std::max(end, 0)), chars_.size());
    if (b >= e) {
        // An empty range reads the format of the character there, or the new-text format.
        if (b < chars_.size()) return formats_[chars_[b].format];
        return chars_.empty() ? newFormat_ : TextFormatData{};
    }
    TextFormatData out = formats_[chars_[b].format];
    int last = chars_[b].format;
    for (std::size_t i = b + 1; i < e; ++i)
        if (chars_[i].format != last) {
            last = chars_[i].format;
            out.intersect(formats_[std::size_t(last)]);
        }
    return out;
}

void TextField::setTextFormat(int begin, int end, const TextFormatData& format) {
    std::size_t b = std::size_t(std::max(begin, 0)),
                e = std::min<std::size_t>(std::size_t(std::max(end, 0)), chars_.size());
    std::map<std::uint16_t, std::uint16_t> changed;
    for (std::size_t i = b; i < e; ++i) {
        auto it = changed.find(chars_[i].format);
        if (it == changed.end()) {
            TextFormatData f = formats_[chars_[i].format];
            f.apply(format);
            it = changed.emplace(chars_[i].format, formatIndex(f)).first;
        }
        chars_[i].format = it->second;
    }
}

HostValue TextField::get(std::string_view name) {
    if (name == "text") return text();
    if (name == "htmlText") return html_ ? htmlText() : text();
    if (name == "html") return html_;
    if (name == "length") return double(chars_.size());
    if (name == "multiline") return multiline_;
    if (name == "wordWrap") return wordWrap_;
    if (name == "password") return password_;
    if (name == "selectable") return selectable_;
    if (name == "border") return border_;
    if (name == "background") return background_;
    if (name == "embedFonts") return embedFonts_;
    if (name == "condenseWhite") return condenseWhite_;
    if (name == "mouseWheelEnabled") return mouseWheelEnabled_;
    if (name == "type") return std::string(input_ ? "input" : "dynamic");
    if (name == "autoSize") return autoSize_;
    if (name == "maxChars") return maxChars_ ? HostValue(double(*maxChars_)) : HostValue();
    if (name == "restrict") return restrict_ ? HostValue(*restrict_) : HostValue();
    if (name == "variable") return variable_.empty() ? HostValue() : HostValue(variable_);
    if (name == "textColor") {
        const TextFormatData& f = chars_.empty() ? newFormat_ : formats_[chars_[0].format];
        return double(f.color.value_or(0));
    }
    if (name == "backgroundColor") return double(backgroundColor_);
    if (name == "borderColor") return double(borderColor_);
    if (name == "scroll") return scroll_;
    if (name == "hscroll") return hscroll_;
    if (name == "maxscroll" || name == "bottomScroll") return 1.0;
    if (name == "maxhscroll") return 0.0;
    if (name == "textWidth" || name == "textHeight") {
        const double size = newFormat_.size.value_or(12);
        script::TextExtent e = script::measureDeviceText(text(), size, wordWrap_ ? bounds_.width() / 20.0 : -1);
        if (chars_.empty()) return 0.0;
        return name == "textWidth" ? e.width : e.height;
    }
    auto it = extra_.find(name);
    return it != extra_.end() ? it->second : HostValue();
}

void TextField::set(std::string_view name, const HostValue& v) {
    if (name == "text") {
        setText(stringOf(v));
    } else if (name == "htmlText") {
        if (html_)
            setHtmlText(stringOf(v));
        else
            setText(stringOf(v));
    } else if (name == "html") {
        html_ = flag(v);
    } else if (name == "multiline") {
        multiline_ = flag(v);
    } else if (name == "wordWrap") {
        wordWrap_ = flag(v);
    } else if (name == "password") {
        password_ = flag(v);
    } else if (name == "selectable") {
        selectable_ = flag(v);
    } else if (name == "border") {
        border_ = flag(v);
    } else if (name == "background") {
        background_ = flag(v);
    } else if (name == "embedFonts") {
        embedFonts_ = flag(v);
    } else if (name == "condenseWhite") {
        condenseWhite_ = flag(v);
    } else if (name == "mouseWheelEnabled") {
        mouseWheelEnabled_ = flag(v);
    } else if (name == "type") {
        std::string t = lower(stringOf(v));
        if (t == "input") input_ = true;
        if (t == "dynamic") input_ = false;
    } else if (name == "autoSize") {
        if (const bool* b = std::get_if<bool>(&v)) {
            autoSize_ = *b ? "left" : "none";
        } else {
            std::string a = lower(stringOf(v));
            autoSize_ = a == "left" || a == "center" || a == "right" ? a : "none";
        }
    } else if (name == "maxChars") {
        if (const double* d = std::get_if<double>(&v))
            maxChars_ = static_cast<int>(std::clamp(*d, -2147483648.0, 2147483647.0));
        else
            maxChars_.reset();
    } else if (name == "restrict") {
        if (const std::string* s = std::get_if<std::string>(&v))
            restrict_ = *s;
        else
            restrict_.reset();
    } else if (name == "variable") {
        variable_ = stringOf(v);
    } else if (name == "textColor") {
        TextFormatData f;
        f.color = color(number(v, 0));
        setTextFormat(0, length(), f);
        newFormat_.color = f.color;
    } else if (name == "backgroundColor") {
        backgroundColor_ = color(number(v, 0));
    } else if (name == "borderColor") {
        borderColor_ = color(number(v, 0));
    } else if (name == "scroll") {
        scroll_ = 1;  // every line is shown: the first is the only place to be
    } else if (name == "hscroll") {
        hscroll_ = 0;
    } else if (extra_.size() < 64 || extra_.count(name)) {
        extra_[std::string(name)] = v;
    }
}

DefineEditText TextField::shown() const {
    DefineEditText t = tag_;
    t.bounds = bounds_;
    t.html = false;
    t.initialText = text();
    for (char& c : *t.initialText)
        if (c == '\r') c = '\n';
    t.multiline = multiline_;
    t.wordWrap = wordWrap_;
    t.password = password_;
    t.border = border_;
    t.maxLength.reset();
    const TextFormatData& f = chars_.empty() ? newFormat_ : formats_[chars_[0].format];
    std::uint32_t c = f.color.value_or(0);
    Rgba rgba = t.color.value_or(Rgba{0, 0, 0, 255});
    rgba.r = std::uint8_t(c >> 16);
    rgba.g = std::uint8_t(c >> 8);
    rgba.b = std::uint8_t(c);
    t.color = rgba;
    // The tag's own height stays unless scripts changed the size (sizes are whole pixels).
    if (f.size && *f.size != std::round(tag_.fontHeight / 20.0))
        t.fontHeight = static_cast<std::uint16_t>(std::clamp(*f.size * 20, 0.0, 65535.0));
    return t;
}

}  // namespace swf
