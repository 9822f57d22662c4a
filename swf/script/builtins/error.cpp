// Error: `new Error(message)`, its message and name, toString.
#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

// `new Error(message)` keeps the message as given (an object stays an
// object); Error(...) called as a plain function makes nothing.
Value errorCall(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject() || self.o == m.realm().global) return Value();
    if (!args.empty() && !args[0].isUndefined()) self.o->define(m.heap(), "message", args[0], 0, m.caseSensitive());
    return Value::object(self.o);
}

// toString answers the message itself, unconverted.
Value toStringMethod(Machine& m, Value self, std::span<const Value>) {
    if (!self.isObject()) return m.str("Error");
    return m.get(self.o, "message");
}

}  // namespace

void installError(Realm& realm) {
    realm.errorCtor = realm.defineClass("Error", errorCall, nullptr, realm.errorProto);
    realm.defineValue(realm.errorProto, "message", realm.machine.str("Error"));
    realm.defineValue(realm.errorProto, "name", realm.machine.str("Error"));
    realm.defineMethod(realm.errorProto, "toString", toStringMethod);
}

}  // namespace swf::script
