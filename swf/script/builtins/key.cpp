// Key: the keyboard as scripts read it. The stage keeps the keys' state and
// answers through the host; Key is also a broadcaster (onKeyDown, onKeyUp),
// made in builtins/broadcaster.cpp.
#include <cmath>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"

namespace swf::script {

namespace {

Value getCode(Machine& m, Value, std::span<const Value>) { return Value::number(m.host().lastKeyCode()); }
Value getAscii(Machine& m, Value, std::span<const Value>) { return Value::number(m.host().lastKeyAscii()); }

// The key code argument as an integer, or nullopt for nothing or not a number.
std::optional<int> codeArg(Machine& m, std::span<const Value> args) {
    if (args.empty()) return std::nullopt;
    double n = m.toNumber(args[0]);
    if (!std::isfinite(n) || n < 0 || n > 65535) return std::nullopt;
    return static_cast<int>(n);
}

Value isDown(Machine& m, Value, std::span<const Value> args) {
    auto code = codeArg(m, args);
    return Value::boolean(code && m.host().keyIsDown(*code));
}

Value isToggled(Machine& m, Value, std::span<const Value> args) {
    auto code = codeArg(m, args);
    return Value::boolean(code && m.host().keyIsToggled(*code));
}

Value isAccessible(Machine&, Value, std::span<const Value>) { return Value::boolean(false); }

}  // namespace

void installKey(Realm& realm) {
    Machine& m = realm.machine;
    Property* p = realm.global->findOwn("Key", m.caseSensitive());
    if (!p || !p->value.isObject()) return;
    Object* key = p->value.o;
    static constexpr Realm::Method methods[] = {
        {"getAscii", getAscii},   {"getCode", getCode},           {"isDown", isDown},
        {"isToggled", isToggled}, {"isAccessible", isAccessible},
    };
    realm.defineMethods(key, methods);
    static constexpr std::pair<const char*, int> codes[] = {
        {"BACKSPACE", 8}, {"CAPSLOCK", 20}, {"CONTROL", 17}, {"DELETEKEY", 46}, {"DOWN", 40}, {"END", 35},
        {"ENTER", 13},    {"ESCAPE", 27},   {"HOME", 36},    {"INSERT", 45},    {"LEFT", 37}, {"PGDN", 34},
        {"PGUP", 33},     {"RIGHT", 39},    {"SHIFT", 16},   {"SPACE", 32},     {"TAB", 9},   {"UP", 38},
    };
    for (const auto& [name, code] : codes) realm.defineValue(key, name, Value::number(code), kBuiltinFlags | ReadOnly);
}

}  // namespace swf::script
