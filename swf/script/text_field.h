// Text fields as the machine reaches them. A text field is a clip handle
// for which the host answers Host::textField(); its object inherits
// TextField.prototype, whose members read and write the field through this
// interface. TextFormatData is what a TextFormat object holds: every member
// may be unset (null to scripts).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "swf/script/host.h"

namespace swf::script {

struct TextFormatData {
    std::optional<std::string> font, url, target;
    std::optional<std::string> align;  // "left", "center", "right" or "justify"
    std::optional<double> size, blockIndent, indent, leading, leftMargin, rightMargin, letterSpacing;
    std::optional<std::uint32_t> color;  // 0xRRGGBB
    std::optional<bool> bold, italic, underline, bullet, kerning;
    std::optional<std::vector<double>> tabStops;
    std::string display = "block";

    bool operator==(const TextFormatData&) const = default;
    // Keeps each member that `other` has the same value for, unsets the others.
    void intersect(const TextFormatData& other);
    // Sets each member that `other` has.
    void apply(const TextFormatData& other);
};

// The width and height a text takes, in pixels.
struct TextExtent {
    double width = 0, height = 0, ascent = 0, descent = 0;
};

class TextFieldAccess {
public:
    virtual ~TextFieldAccess() = default;
    // A property by its script name ("text", "htmlText", "maxChars"...).
    // Nothing (monostate) reads as undefined, or null for the members that
    // can be null (maxChars, restrict, variable).
    virtual HostValue get(std::string_view name) = 0;
    // The value is already converted to the member's type: a string, a
    // number or a boolean; monostate clears a member that can be null.
    virtual void set(std::string_view name, const HostValue& value) = 0;
    // The format the characters [begin, end) share (members they differ in unset).
    virtual TextFormatData textFormat(int begin, int end) = 0;
    virtual void setTextFormat(int begin, int end, const TextFormatData& format) = 0;
    // The format of the text scripts or the user add next.
    virtual TextFormatData newTextFormat() = 0;
    virtual void setNewTextFormat(const TextFormatData& format) = 0;
    // Replaces the characters [begin, end) (clamped) with `text`.
    virtual void replaceText(int begin, int end, std::string_view text) = 0;
};

class Machine;
// Brings a field and the variable it is bound to (TextField.variable) in
// step: a defined variable's value is shown; an undefined one takes the
// field's text when there is some.
void syncTextVariable(Machine& m, ClipHandle field);
// What a field placed on the stage starts with: its object, a broadcaster
// listing itself, showing its bound variable. This and refreshTextVariable
// (syncTextVariable for the stage) run as handlers do: a script error or a
// bound passed inside stops there.
void textFieldPlaced(Machine& m, ClipHandle field);
void refreshTextVariable(Machine& m, ClipHandle field);

// The device-font metric text fields and TextFormat.getTextExtent measure
// with when no embedded font applies: `size` in pixels.
TextExtent measureDeviceText(std::string_view text, double size, double maxWidth);

}  // namespace swf::script
