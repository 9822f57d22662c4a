// Builds action bytes record by record, for authoring tools and tests that
// make frame scripts, button actions and functions: the bytes are what a
// DoAction tag or a button action list holds, end byte included. Branches
// name labels, set anywhere in the same builder; nested bodies (functions,
// Try, With) are builders of their own.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "swf/format/types.h"

namespace swf {

class ActionBuilder {
public:
    // The values a Push record carries.
    struct Null {};
    struct Undefined {};
    struct Register {
        std::uint8_t index;
    };
    struct Constant {  // an entry of the constant pool
        std::uint16_t index;
    };
    using PushValue = std::variant<const char*, std::string, double, int, bool, Null, Undefined, Register, Constant>;
    // A DefineFunction2 parameter: a register, or 0 and a name.
    struct Parameter {
        std::uint8_t reg;
        const char* name;
    };

    ActionBuilder& stop();
    ActionBuilder& play();
    ActionBuilder& nextFrame();
    ActionBuilder& previousFrame();
    ActionBuilder& gotoFrame(std::uint16_t frame);  // 0-based, as in the file
    ActionBuilder& gotoLabel(std::string_view label);
    ActionBuilder& gotoFrame2(bool play);
    ActionBuilder& setTarget(std::string_view target);
    ActionBuilder& getUrl(std::string_view url, std::string_view window);
    // Any record: a code below 0x80 carries no payload; from 0x80 on the
    // payload follows its 16-bit length (cut at 65535 bytes).
    ActionBuilder& record(std::uint8_t code, const Bytes& payload = {});

    ActionBuilder& push(std::initializer_list<PushValue> values);
    ActionBuilder& constantPool(std::initializer_list<std::string_view> names);
    ActionBuilder& storeRegister(std::uint8_t index);
    // Shorthands: push the name (and value), then the action.
    ActionBuilder& getVariable(std::string_view name);
    ActionBuilder& setVariable(std::string_view name, const PushValue& value);
    ActionBuilder& getMember(std::string_view name);
    // CallMethod on the variable `object`; the arguments and their count are pushed before.
    ActionBuilder& callMethod(std::string_view object, std::string_view method);
    ActionBuilder& trace();
    ActionBuilder& traceValue(const PushValue& value);
    ActionBuilder& traceVariable(std::string_view name);

    // Jump and If to a label; a label never set means the end of the bytes.
    ActionBuilder& label(const std::string& name);
    ActionBuilder& jump(const std::string& label);
    ActionBuilder& jumpIf(const std::string& label);

    // DefineFunction and DefineFunction2 with `body` as the function's code.
    ActionBuilder& defineFunction(std::string_view name, std::initializer_list<std::string_view> params,
                                  const ActionBuilder& body);
    ActionBuilder& defineFunction2(std::string_view name, std::uint8_t registers, std::uint16_t flags,
                                   std::initializer_list<Parameter> params, const ActionBuilder& body);
    // Try with an optional catch and finally; the catch takes the value into
    // `catchName`, or into register `catchRegister` when that is 0 or more.
    // The try block ends with a jump over the catch block, as compilers emit it.
    ActionBuilder& tryBlock(const ActionBuilder& body, const ActionBuilder* catchBody, const ActionBuilder* finallyBody,
                            std::string_view catchName, int catchRegister = -1);
    ActionBuilder& withBlock(const ActionBuilder& body);

    // The records so far (branches resolved), without and with the end byte.
    Bytes records() const;
    Bytes bytes() const;
    // A DoAction tag running these records.
    DoAction doAction() const { return DoAction{bytes()}; }

private:
    ActionBuilder& branch(std::uint8_t code, const std::string& label);
    ActionBuilder& block(std::uint8_t code, const Bytes& header, const Bytes& body);

    Bytes out_;
    std::map<std::string, std::size_t> labels_;
    std::vector<std::pair<std::size_t, std::string>> fixups_;  // where a branch offset goes, and its label
};

}  // namespace swf
