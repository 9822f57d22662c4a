// LoadVars: variables written as a URL-encoded text (toString) and read
// back from one (decode). Nothing is fetched from the network: load, send
// and sendAndLoad fail at once.
#include <string>
#include <vector>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

Value nothing(Machine&, Value, std::span<const Value>) { return Value(); }
Value refuse(Machine&, Value, std::span<const Value>) { return Value::boolean(false); }

// "name=value&..." in for..in order, both sides escaped.
Value toStringMethod(Machine& m, Value self, std::span<const Value>) {
    if (!self.isObject()) return Value();
    std::string out;
    for (const std::string& key : m.enumerate(self.o)) {
        m.chargeSteps(1);
        if (!out.empty()) out += '&';
        out += escapeText(key);
        out += '=';
        out += escapeText(m.toString(m.get(self.o, key)));
        if (out.size() > m.limits().maxStringBytes) m.stopScript("chaîne trop longue");
    }
    return m.str(std::move(out));
}

// decode("a=1&b=2"): each pair becomes a variable of the object.
Value decode(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject() || args.empty()) return Value();
    std::string text = m.toString(args[0]);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('&', start);
        if (end == std::string::npos) end = text.size();
        std::string_view pair(text.data() + start, end - start);
        std::size_t eq = pair.find('=');
        if (eq != std::string_view::npos) {
            m.chargeSteps(1);
            m.set(self.o, unescapeText(pair.substr(0, eq)), m.str(unescapeText(pair.substr(eq + 1))));
        }
        start = end + 1;
    }
    return Value();
}

// onData(text): undefined means the load failed; otherwise the text is decoded.
Value onData(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    Value text = args.empty() ? Value() : args[0];
    Value loaded = Value::boolean(!text.isUndefined());
    if (!text.isUndefined()) {
        std::vector<Value> one{text};
        m.callMethod(self, "decode", one);
        m.set(self.o, "loaded", loaded);
    }
    std::vector<Value> one{loaded};
    m.callMethod(self, "onLoad", one);
    return Value();
}

Value zero(Machine&, Value, std::span<const Value>) { return Value::number(0); }

}  // namespace

void installLoadVars(Realm& realm) {
    static constexpr Realm::Method methods[] = {
        {"toString", toStringMethod},
        {"decode", decode},
        {"load", refuse},
        {"send", refuse},
        {"sendAndLoad", refuse},
        {"addRequestHeader", nothing},
        {"getBytesLoaded", zero},
        {"getBytesTotal", zero},
        {"onData", onData},
        {"onLoad", nothing},
    };
    FunctionObject* ctor = realm.defineClass("LoadVars", nothing, nullptr, nullptr, methods);
    realm.defineValue(static_cast<Object*>(ctor->findOwn("prototype", true)->value.o), "contentType",
                      realm.machine.str("application/x-www-form-urlencoded"));
}

}  // namespace swf::script
