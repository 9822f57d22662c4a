// Function, Function.prototype.call and apply.
#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

Value functionCall(Machine& m, Value, std::span<const Value>) { return Value::object(m.newObject()); }

Value call(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject() || !self.o->isFunction()) return Value();
    Value thisValue = args.empty() ? Value() : args[0];
    return m.call(self, thisValue, args.empty() ? args : args.subspan(1));
}

Value apply(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject() || !self.o->isFunction()) return Value();
    Value thisValue = args.empty() ? Value() : args[0];
    std::vector<Value> list;
    if (args.size() > 1 && args[1].isObject()) {
        Object* a = args[1].o;
        double n = m.toNumber(m.get(a, "length"));
        if (n > 0) {
            std::size_t count = static_cast<std::size_t>(std::min(n, 1e9));
            m.chargeSteps(count);
            list.reserve(std::min<std::size_t>(count, 65536));
            for (std::size_t i = 0; i < count; ++i) list.push_back(m.get(a, std::to_string(i)));
        }
    }
    return m.call(self, thisValue, list);
}

}  // namespace

void installFunction(Realm& realm) {
    static constexpr Realm::Method methods[] = {
        {"call", call},
        {"apply", apply},
    };
    realm.functionCtor = realm.defineClass("Function", functionCall, nullptr, realm.functionProto, methods);
}

}  // namespace swf::script
