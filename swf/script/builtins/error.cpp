// Error: `new Error(message)`, its message and name, toString.
#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

Value errorCall(Machine& m, Value self, std::span<const Value> args) {
    Object* e = self.isObject() && self.o != m.realm().global ? self.o : m.heap().make<Object>(m.realm().errorProto);
    if (!args.empty() && !args[0].isUndefined()) e->define(m.heap(), "message", args[0], 0, m.caseSensitive());
    return Value::object(e);
}

Value toStringMethod(Machine& m, Value self, std::span<const Value>) {
    if (!self.isObject()) return m.str("Error");
    return Value::string(m.toStr(m.get(self.o, "message")));
}

}  // namespace

void installError(Realm& realm) {
    realm.errorCtor = realm.defineClass("Error", errorCall, nullptr, realm.errorProto);
    realm.defineValue(realm.errorProto, "message", realm.machine.str("Error"));
    realm.defineValue(realm.errorProto, "name", realm.machine.str("Error"));
    realm.defineMethod(realm.errorProto, "toString", toStringMethod);
}

}  // namespace swf::script
