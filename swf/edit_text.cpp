#include "swf/edit_text.h"

#include <cctype>

#include "swf/fields.h"

namespace swf {

using namespace fields;

Decoded<DefineEditText> parseDefineEditText(std::span<const std::uint8_t> body) {
    using R = Decoded<DefineEditText>;
    try {
        BitReader r(body);
        DefineEditText t;
        t.id = r.u16();
        t.bounds = readRect(r);
        std::uint8_t f1 = r.u8(), f2 = r.u8();
        bool hasText = f1 & 0x80;
        t.wordWrap = f1 & 0x40;
        t.multiline = f1 & 0x20;
        t.password = f1 & 0x10;
        t.readOnly = f1 & 0x08;
        bool hasColor = f1 & 0x04, hasMaxLength = f1 & 0x02, hasFont = f1 & 0x01;
        bool hasFontClass = f2 & 0x80;
        t.autoSize = f2 & 0x40;
        bool hasLayout = f2 & 0x20;
        t.noSelect = f2 & 0x10;
        t.border = f2 & 0x08;
        t.wasStatic = f2 & 0x04;
        t.html = f2 & 0x02;
        t.useOutlines = f2 & 0x01;
        if (hasFont) t.fontId = r.u16();
        if (hasFontClass) t.fontClass = r.string();
        if (hasFont || hasFontClass) t.fontHeight = r.u16();
        if (hasColor) t.color = readRgba(r);
        if (hasMaxLength) t.maxLength = r.u16();
        if (hasLayout) {
            EditTextLayout l;
            std::uint8_t align = r.u8();
            if (align > 3) return R::fail(MediaErrorCode::Malformed, "unknown text alignment " + std::to_string(align));
            l.align = static_cast<TextAlign>(align);
            l.leftMargin = r.u16();
            l.rightMargin = r.u16();
            l.indent = r.u16();
            l.leading = r.s16();
            t.layout = l;
        }
        t.variableName = r.string();
        if (hasText) t.initialText = r.string();
        return R::of(std::move(t));
    } catch (const detail::OutOfData&) {
        return R::fail(MediaErrorCode::Truncated, "edit text ends early");
    }
}

Bytes encodeDefineEditText(const DefineEditText& t) {
    BitWriter w;
    w.u16(t.id);
    writeRect(w, t.bounds);
    bool hasFont = t.fontId.has_value(), hasClass = t.fontClass.has_value();
    w.u8(static_cast<std::uint8_t>((t.initialText ? 0x80 : 0) | (t.wordWrap ? 0x40 : 0) | (t.multiline ? 0x20 : 0) |
                                   (t.password ? 0x10 : 0) | (t.readOnly ? 0x08 : 0) | (t.color ? 0x04 : 0) |
                                   (t.maxLength ? 0x02 : 0) | (hasFont ? 0x01 : 0)));
    w.u8(static_cast<std::uint8_t>((hasClass ? 0x80 : 0) | (t.autoSize ? 0x40 : 0) | (t.layout ? 0x20 : 0) |
                                   (t.noSelect ? 0x10 : 0) | (t.border ? 0x08 : 0) | (t.wasStatic ? 0x04 : 0) |
                                   (t.html ? 0x02 : 0) | (t.useOutlines ? 0x01 : 0)));
    if (hasFont) w.u16(*t.fontId);
    if (hasClass) w.string(*t.fontClass);
    if (hasFont || hasClass) w.u16(t.fontHeight);
    if (t.color) writeRgba(w, *t.color);
    if (t.maxLength) w.u16(*t.maxLength);
    if (t.layout) {
        w.u8(static_cast<std::uint8_t>(t.layout->align));
        w.u16(t.layout->leftMargin);
        w.u16(t.layout->rightMargin);
        w.u16(t.layout->indent);
        w.s16(t.layout->leading);
    }
    w.string(t.variableName);
    if (t.initialText) w.string(*t.initialText);
    return w.bytes();
}

std::string stripHtml(std::string_view s) {
    std::string out;
    std::size_t i = 0;
    auto lowerEq = [](std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (std::size_t k = 0; k < a.size(); ++k)
            if (std::tolower(static_cast<unsigned char>(a[k])) != b[k]) return false;
        return true;
    };
    while (i < s.size()) {
        char c = s[i];
        if (c == '<') {
            std::size_t close = s.find('>', i);
            if (close == std::string_view::npos) break;  // an unfinished tag ends the text
            std::string_view tag = s.substr(i + 1, close - i - 1);
            std::size_t nameEnd = tag.empty() ? 0 : tag.find_first_of(" \t\r\n/", tag[0] == '/' ? 1 : 0);
            std::string_view name = tag.substr(0, nameEnd);
            if (lowerEq(name, "br") || lowerEq(name, "/p") || lowerEq(name, "/li")) out += '\n';
            i = close + 1;
        } else if (c == '&') {
            static const std::pair<const char*, const char*> entities[] = {
                {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&nbsp;", "\xC2\xA0"}};
            bool matched = false;
            for (auto [e, r] : entities) {
                std::string_view ev(e);
                if (s.substr(i, ev.size()) == ev) { out += r; i += ev.size(); matched = true; break; }
            }
            if (!matched) { out += c; ++i; }
        } else {
            out += c;
            ++i;
        }
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();  // a closing paragraph adds no empty line
    return out;
}

std::string displayText(const DefineEditText& t) {
    std::string text = t.initialText.value_or(std::string());
    if (t.html) text = stripHtml(text);
    if (t.maxLength && *t.maxLength > 0) {
        // Counted in characters: UTF-8 continuation bytes do not count.
        std::size_t chars = 0, k = 0;
        for (; k < text.size(); ++k) {
            if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) {
                if (chars == *t.maxLength) break;
                ++chars;
            }
        }
        text.resize(k);
    }
    if (t.password) {
        std::size_t chars = 0;
        for (unsigned char c : text) if ((c & 0xC0) != 0x80) ++chars;
        text.assign(chars, '*');
    }
    return text;
}

}  // namespace swf
