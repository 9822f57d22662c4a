// Boolean.
#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

// Boolean() with no argument gives undefined, unlike Number() and String().
Value booleanCall(Machine& m, Value, std::span<const Value> args) {
    if (args.empty()) return Value();
    return Value::boolean(m.toBoolean(args[0]));
}

Value booleanConstruct(Machine& m, Value, std::span<const Value> args) {
    Value v = Value::boolean(!args.empty() && m.toBoolean(args[0]));
    return Value::object(m.heap().make<PrimitiveObject>(m.realm().booleanProto, Object::Kind::Boolean, v));
}

Value primitiveOf(Value self) {
    if (self.isBoolean()) return self;
    if (self.isObject() && self.o->kind() == Object::Kind::Boolean)
        return static_cast<PrimitiveObject*>(self.o)->primitive;
    return Value();
}

Value toStringMethod(Machine& m, Value self, std::span<const Value>) {
    Value v = primitiveOf(self);
    if (!v.isBoolean()) return Value();
    return m.str(v.b ? "true" : "false");
}

Value valueOf(Machine& m, Value self, std::span<const Value>) { return primitiveOf(self); }

}  // namespace

void installBoolean(Realm& realm) {
    static constexpr Realm::Method methods[] = {
        {"toString", toStringMethod},
        {"valueOf", valueOf},
    };
    realm.booleanCtor = realm.defineClass("Boolean", booleanCall, booleanConstruct, realm.booleanProto, methods);
}

}  // namespace swf::script
