// A text field on the stage: what scripts read and write through
// TextField (its text, its character formats, its settings) and what the
// renderer shows. Made from a DefineEditText tag or by createTextField.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "swf/format/types.h"
#include "swf/script/text_field.h"

namespace swf {

class Dictionary;

class TextField final : public script::TextFieldAccess {
public:
    // A field as the tag defines it (its font read from `dict` when it has one).
    TextField(const DefineEditText& tag, const Dictionary* dict);
    // An empty field of these bounds (twips), as createTextField makes.
    explicit TextField(const Rect& bounds);

    script::HostValue get(std::string_view name) override;
    void set(std::string_view name, const script::HostValue& value) override;
    script::TextFormatData textFormat(int begin, int end) override;
    void setTextFormat(int begin, int end, const script::TextFormatData& format) override;
    script::TextFormatData newTextFormat() override { return newFormat_; }
    void setNewTextFormat(const script::TextFormatData& format) override { newFormat_.apply(format); }
    void replaceText(int begin, int end, std::string_view text) override;

    // The text, one UTF-8 string ("\r" ends a paragraph).
    std::string text() const;
    void setText(std::string_view text);
    // The text as HTML, as the htmlText getter prints it.
    std::string htmlText() const;
    void setHtmlText(std::string_view html);
    // Characters in the text.
    int length() const { return static_cast<int>(chars_.size()); }
    // The bound variable's name (DefineEditText variableName), empty when none.
    const std::string& variable() const { return variable_; }
    const Rect& bounds() const { return bounds_; }
    void setBounds(const Rect& r) { bounds_ = r; }
    // What the renderer draws: the tag's drawing settings with the field's
    // current text, colour, size and flags.
    DefineEditText shown() const;
    // Text fields hold at most this many characters.
    static constexpr std::size_t kMaxChars = 1u << 20;

private:
    struct Char {
        std::uint32_t code;
        std::uint16_t format;  // index into formats_
    };
    std::uint16_t formatIndex(const script::TextFormatData& f);
    void insert(std::size_t at, std::string_view utf8, const script::TextFormatData& format);
    void compactFormats();

    DefineEditText tag_;  // the drawing settings (bounds, font, flags)
    Rect bounds_;
    std::vector<Char> chars_;
    std::vector<script::TextFormatData> formats_;
    script::TextFormatData newFormat_;
    bool html_ = false, multiline_ = false, wordWrap_ = false, password_ = false, selectable_ = true;
    bool border_ = false, background_ = false, embedFonts_ = false, condenseWhite_ = false;
    bool mouseWheelEnabled_ = true, input_ = false;
    std::string autoSize_ = "none";
    std::optional<int> maxChars_;
    std::optional<std::string> restrict_;
    std::string variable_;
    std::uint32_t backgroundColor_ = 0xFFFFFF, borderColor_ = 0;
    double scroll_ = 1, hscroll_ = 0;
    std::map<std::string, script::HostValue, std::less<>> extra_;  // members kept but not interpreted
};

}  // namespace swf
