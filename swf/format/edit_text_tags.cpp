#include "swf/format/edit_text_tags.h"

#include "swf/format/fields.h"

namespace swf {

using namespace fields;

Result<DefineEditText> parseDefineEditText(std::span<const std::uint8_t> body) {
    using R = Result<DefineEditText>;
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
            if (align > 3) return R::fail(ErrorCode::Malformed, "unknown text alignment " + std::to_string(align));
            l.align = static_cast<TextAlign>(align);
            l.leftMargin = r.u16();
            l.rightMargin = r.u16();
            l.indent = r.u16();
            l.leading = r.s16();
            t.layout = l;
        }
        t.variableName = r.string();
        if (hasText) t.initialText = r.string();
        return R(std::move(t));
    } catch (const Error& e) {
        return e.code == ErrorCode::Truncated ? R::fail(ErrorCode::Truncated, "edit text ends early") : R(e);
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

}  // namespace swf
