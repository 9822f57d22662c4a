#include "swf/format/action_builder.h"

#include <algorithm>

#include "swf/format/codes.h"

namespace swf {

ActionBuilder& ActionBuilder::stop() { return record(action::Stop); }
ActionBuilder& ActionBuilder::play() { return record(action::Play); }
ActionBuilder& ActionBuilder::nextFrame() { return record(action::NextFrame); }
ActionBuilder& ActionBuilder::previousFrame() { return record(action::PrevFrame); }

ActionBuilder& ActionBuilder::gotoFrame(std::uint16_t frame) {
    return record(action::GotoFrame, {static_cast<std::uint8_t>(frame & 0xFF), static_cast<std::uint8_t>(frame >> 8)});
}

ActionBuilder& ActionBuilder::gotoLabel(std::string_view label) {
    // The label ends at its first zero byte, as the file's string does.
    label = label.substr(0, std::min(label.find('\0'), std::size_t(0xFFFE)));
    Bytes payload(label.begin(), label.end());
    payload.push_back(0);
    return record(action::GotoLabel, payload);
}

ActionBuilder& ActionBuilder::record(std::uint8_t code, const Bytes& payload) {
    out_.push_back(code);
    if (code < 0x80) return *this;
    const std::size_t n = std::min<std::size_t>(payload.size(), 0xFFFF);
    out_.push_back(static_cast<std::uint8_t>(n & 0xFF));
    out_.push_back(static_cast<std::uint8_t>(n >> 8));
    out_.insert(out_.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(n));
    return *this;
}

Bytes ActionBuilder::bytes() const {
    Bytes b = out_;
    b.push_back(action::End);
    return b;
}

}  // namespace swf
