// Builds action bytes record by record, for authoring tools and tests that
// make frame scripts and button actions: the bytes are what a DoAction tag
// or a button action list holds, end byte included.
#pragma once

#include <cstdint>
#include <string_view>

#include "swf/format/types.h"

namespace swf {

class ActionBuilder {
public:
    ActionBuilder& stop();
    ActionBuilder& play();
    ActionBuilder& nextFrame();
    ActionBuilder& previousFrame();
    ActionBuilder& gotoFrame(std::uint16_t frame);  // 0-based, as in the file
    ActionBuilder& gotoLabel(std::string_view label);
    // Any record: a code below 0x80 carries no payload; from 0x80 on the
    // payload follows its 16-bit length (cut at 65535 bytes).
    ActionBuilder& record(std::uint8_t code, const Bytes& payload = {});

    // The records so far followed by the end byte.
    Bytes bytes() const;
    // A DoAction tag running these records.
    DoAction doAction() const { return DoAction{bytes()}; }

private:
    Bytes out_;
};

}  // namespace swf
