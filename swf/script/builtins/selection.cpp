// Selection: which stage object has the keyboard focus, the selected range
// of the focused text field, and the listeners told when the focus moves
// (onSetFocus). A focus change calls the old object's onKillFocus(new),
// the new one's onSetFocus(old), then the listeners' onSetFocus(old, new).
#include <algorithm>
#include <cmath>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"
#include "swf/script/stage.h"
#include "swf/script/text_field.h"

namespace swf::script {

namespace {

class FocusCell final : public Cell {
public:
    StageObject* focus = nullptr;
    int begin = -1, end = -1;  // the selection in the focused field
    void trace(Tracer& t) const override { t.mark(focus); }
};

// The one focus record, kept on the object Selection was made as (a
// script that replaces _global.Selection keeps the focus where it was).
FocusCell* focusOf(Value self) { return self.isObject() ? dynamic_cast<FocusCell*>(self.o->nativeData()) : nullptr; }

StageObject* focusedObject(FocusCell& c) {
    if (c.focus && !c.focus->alive()) {
        c.focus = nullptr;
        c.begin = c.end = -1;
    }
    return c.focus;
}

Value pathOrNull(Machine& m, StageObject* o) {
    if (!o) return Value::null();
    return m.str(m.host().targetPath(o->clip(), true));
}

// A target given as a path ("_level0.a.b", "a.b" from the running clip).
StageObject* targetOf(Machine& m, Value v) {
    if (v.isObject()) return v.o->kind() == Object::Kind::Stage ? static_cast<StageObject*>(v.o) : nullptr;
    if (!v.isString()) return nullptr;
    std::string path = m.toString(v);
    if (path.empty()) return nullptr;
    ClipHandle start = m.host().scriptClip();
    Object* cur = start ? m.clipObject(start) : m.clipObject(m.host().root());
    std::size_t i = 0;
    for (int steps = 0; cur && i <= path.size() && steps < 256; ++steps) {
        std::size_t dot = path.find('.', i);
        if (dot == std::string::npos) dot = path.size();
        Value next = m.get(cur, std::string_view(path).substr(i, dot - i));
        cur = next.isObject() ? next.o : nullptr;
        i = dot + 1;
        if (dot == path.size()) break;
    }
    return cur && cur->kind() == Object::Kind::Stage ? static_cast<StageObject*>(cur) : nullptr;
}

Value getFocus(Machine& m, Value self, std::span<const Value>) {
    FocusCell* c = focusOf(self);
    return c ? pathOrNull(m, focusedObject(*c)) : Value::null();
}

Value setFocus(Machine& m, Value self, std::span<const Value> args) {
    FocusCell* c = focusOf(self);
    if (!c || args.empty()) return Value::boolean(false);
    StageObject* next = nullptr;
    if (!args[0].isNullish()) {
        next = targetOf(m, args[0]);
        if (!next || !next->alive()) return Value::boolean(false);
        // A clip takes the focus only when a script enabled it; text fields always can.
        if (!m.host().textField(next->clip()) && !m.toBoolean(m.get(next, "focusEnabled")))
            return Value::boolean(false);
    }
    StageObject* old = focusedObject(*c);
    if (old == next) return Value::boolean(next != nullptr);
    c->focus = next;
    c->begin = c->end = -1;
    if (next && m.host().textField(next->clip())) c->begin = c->end = 0;
    Value oldValue = old ? Value::object(old) : Value::null();
    Value nextValue = next ? Value::object(next) : Value::null();
    if (old) {
        Value a[] = {nextValue};
        m.callMethodIfPresent(old, "onKillFocus", a);
    }
    if (next) {
        Value a[] = {oldValue};
        m.callMethodIfPresent(next, "onSetFocus", a);
    }
    Value a[] = {m.str("onSetFocus"), oldValue, nextValue};
    m.callMethod(self, "broadcastMessage", a);
    return Value::boolean(true);
}

Value getBeginIndex(Machine&, Value self, std::span<const Value>) {
    FocusCell* c = focusOf(self);
    return Value::number(c && focusedObject(*c) ? c->begin : -1);
}

Value getEndIndex(Machine&, Value self, std::span<const Value>) {
    FocusCell* c = focusOf(self);
    return Value::number(c && focusedObject(*c) ? c->end : -1);
}

Value getCaretIndex(Machine&, Value self, std::span<const Value>) {
    FocusCell* c = focusOf(self);
    return Value::number(c && focusedObject(*c) ? c->end : -1);
}

Value setSelection(Machine& m, Value self, std::span<const Value> args) {
    FocusCell* c = focusOf(self);
    if (!c || args.empty() || !focusedObject(*c)) return Value();
    TextFieldAccess* f = m.host().textField(c->focus->clip());
    if (!f) return Value();
    const HostValue length = f->get("length");
    const double* n = std::get_if<double>(&length);
    const int most = n ? static_cast<int>(*n) : 0;
    auto index = [&](Value v) {
        double d = m.toNumber(v);
        return std::isnan(d) ? 0 : std::clamp(toClampedInt(d), 0, most);
    };
    int b = index(args[0]);
    int e = args.size() > 1 ? index(args[1]) : b;
    c->begin = std::min(b, e);
    c->end = std::max(b, e);
    return Value();
}

}  // namespace

void installSelection(Realm& realm) {
    Machine& m = realm.machine;
    bool cs = m.caseSensitive();
    Object* sel = realm.newObject();
    sel->setNativeData(realm.heap.make<FocusCell>());
    realm.global->define(realm.heap, "Selection", Value::object(sel), DontEnum, cs);
    static constexpr Realm::Method methods[] = {
        {"getBeginIndex", getBeginIndex}, {"getEndIndex", getEndIndex}, {"getCaretIndex", getCaretIndex},
        {"getFocus", getFocus},           {"setFocus", setFocus},       {"setSelection", setSelection},
    };
    realm.defineMethods(sel, methods);
    // A broadcaster like Key and Mouse: AsBroadcaster's methods, from version 6.
    if (const Property* b = realm.global->findOwn("AsBroadcaster", cs); b && b->value.isObject())
        for (const char* name : {"broadcastMessage", "addListener", "removeListener"})
            if (const Property* p = b->value.o->findOwn(name, true))
                sel->define(realm.heap, name, p->value, DontEnum | OnlyV6, cs);
    sel->define(realm.heap, "_listeners", Value::object(realm.heap.make<ArrayObject>(realm.arrayProto)), DontEnum, cs);
}

}  // namespace swf::script
