// TextField: the objects of text fields on the stage (placed by the
// timeline or made by MovieClip.createTextField). Their members are
// getters and setters on the prototype that reach the field through the
// host (text_field.h); on an object that is no field they read undefined
// and ignore writes. The methods: the text formats, replaceSel,
// replaceText, removeTextField, getDepth, and TextField.getFontList.
#include <algorithm>
#include <cmath>
#include <utility>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"
#include "swf/script/builtins/text_format.h"
#include "swf/script/realm.h"
#include "swf/script/stage.h"

namespace swf::script {

namespace {

// How scripts' values become a member's value.
enum class Kind {
    Text,          // a string
    Flag,          // a boolean
    Number,        // a number; a non-number is ignored
    NullableText,  // a string, null clears it
    NullableInt,   // a whole number, null (or nothing) clears it
    ReadOnly,      // read only
    Raw,           // kept as scripts give it (primitives)
};

struct Member {
    const char* name;
    Kind kind;
};

// In the order for..in lists them.
constexpr Member kMembers[] = {
    {"styleSheet", Kind::Raw},
    {"mouseWheelEnabled", Kind::Flag},
    {"condenseWhite", Kind::Flag},
    {"restrict", Kind::NullableText},
    {"textHeight", Kind::ReadOnly},
    {"textWidth", Kind::ReadOnly},
    {"bottomScroll", Kind::ReadOnly},
    {"length", Kind::ReadOnly},
    {"selectable", Kind::Flag},
    {"multiline", Kind::Flag},
    {"password", Kind::Flag},
    {"wordWrap", Kind::Flag},
    {"background", Kind::Flag},
    {"border", Kind::Flag},
    {"html", Kind::Flag},
    {"embedFonts", Kind::Flag},
    {"maxChars", Kind::NullableInt},
    {"maxhscroll", Kind::ReadOnly},
    {"hscroll", Kind::Number},
    {"variable", Kind::NullableText},
    {"htmlText", Kind::Text},
    {"type", Kind::Text},
    {"text", Kind::Text},
    {"autoSize", Kind::Raw},
    {"tabIndex", Kind::Raw},
    {"textColor", Kind::Number},
    {"backgroundColor", Kind::Number},
    {"borderColor", Kind::Number},
    {"maxscroll", Kind::ReadOnly},
    {"scroll", Kind::Number},
    {"filters", Kind::Raw},
    {"sharpness", Kind::Number},
    {"thickness", Kind::Number},
    {"antiAliasType", Kind::Text},
    {"gridFitType", Kind::Text},
};
constexpr std::size_t kMemberCount = sizeof(kMembers) / sizeof(kMembers[0]);
constexpr int memberIndex(std::string_view name) {
    for (std::size_t i = 0; i < kMemberCount; ++i)
        if (std::string_view(kMembers[i].name) == name) return static_cast<int>(i);
    return -1;
}
constexpr int kTextMember = memberIndex("text"), kHtmlTextMember = memberIndex("htmlText"),
              kVariableMember = memberIndex("variable");

TextFieldAccess* fieldOf(Machine& m, Value self) {
    if (!self.isObject() || self.o->kind() != Object::Kind::Stage) return nullptr;
    auto* s = static_cast<StageObject*>(self.o);
    return s->alive() ? m.host().textField(s->clip()) : nullptr;
}

ClipHandle handleOf(Value self) {
    if (!self.isObject() || self.o->kind() != Object::Kind::Stage) return 0;
    return static_cast<StageObject*>(self.o)->clip();
}

Value toScript(Machine& m, const HostValue& v, bool nullable) {
    if (const double* d = std::get_if<double>(&v)) return Value::number(*d);
    if (const std::string* s = std::get_if<std::string>(&v)) return m.str(*s);
    if (const bool* b = std::get_if<bool>(&v)) return Value::boolean(*b);
    return nullable ? Value::null() : Value();
}

// The variable a field is bound to ("name", "clip.name", "/clip:name",
// "_root.name"...), read from the timeline the field is on: the object
// that holds it and its name; false when the field has none or the path
// leads nowhere.
bool boundVariable(Machine& m, ClipHandle field, TextFieldAccess& f, Object*& holder, std::string& name) {
    const HostValue v = f.get("variable");
    const std::string* path = std::get_if<std::string>(&v);
    if (!path || path->empty()) return false;
    ClipHandle parent = m.host().parent(field);
    Object* cur = parent ? m.clipObject(parent) : nullptr;
    std::string_view rest = *path;
    if (!rest.empty() && rest[0] == '/') {
        cur = m.clipObject(m.host().root());
        rest.remove_prefix(1);
    }
    for (int steps = 0; cur && steps < 64; ++steps) {
        std::size_t cut = rest.find_first_of("./:");
        if (cut == std::string_view::npos) {
            holder = cur;
            name = std::string(rest);
            return !name.empty();
        }
        std::string_view segment = rest.substr(0, cut);
        rest.remove_prefix(cut + 1);
        if (segment.empty()) continue;
        Value next = m.get(cur, segment == ".." ? std::string_view("_parent") : segment);
        cur = next.isObject() && next.o->kind() == Object::Kind::Stage ? next.o : nullptr;
    }
    return false;
}

bool isHtml(TextFieldAccess& f) {
    const HostValue v = f.get("html");
    const bool* b = std::get_if<bool>(&v);
    return b && *b;
}

// Sets the bound variable to what the field shows.
void storeVariable(Machine& m, ClipHandle field, TextFieldAccess& f) {
    Object* holder = nullptr;
    std::string name;
    if (!boundVariable(m, field, f, holder, name)) return;
    const HostValue shown = f.get(isHtml(f) ? "htmlText" : "text");
    if (const std::string* s = std::get_if<std::string>(&shown)) m.set(holder, name, m.str(*s));
}

template <int I>
Value getMember(Machine& m, Value self, std::span<const Value>) {
    TextFieldAccess* f = fieldOf(m, self);
    if (!f) return Value();
    if (I == kTextMember || I == kHtmlTextMember) syncTextVariable(m, handleOf(self));
    Kind k = kMembers[I].kind;
    return toScript(m, f->get(kMembers[I].name), k == Kind::NullableText || k == Kind::NullableInt);
}

template <int I>
Value setMember(Machine& m, Value self, std::span<const Value> args) {
    TextFieldAccess* f = fieldOf(m, self);
    if (!f) return Value();
    Value v = args.empty() ? Value() : args[0];
    const char* name = kMembers[I].name;
    switch (kMembers[I].kind) {
    case Kind::Text:
        f->set(name, m.toString(v));
        if (I == kTextMember || I == kHtmlTextMember) storeVariable(m, handleOf(self), *f);
        break;
    case Kind::Flag: f->set(name, m.toBoolean(v)); break;
    case Kind::Number: {
        double n = m.toNumber(v);
        if (!std::isnan(n)) f->set(name, n);
        break;
    }
    case Kind::NullableText:
        if (v.isNullish())
            f->set(name, HostValue());
        else
            f->set(name, m.toString(v));
        if (I == kVariableMember) syncTextVariable(m, handleOf(self));
        break;
    case Kind::NullableInt: {
        double n = v.isNullish() ? 0 : m.toNumber(v);
        if (std::isfinite(n) && std::trunc(n) != 0)
            f->set(name, std::trunc(n));
        else
            f->set(name, HostValue());
        break;
    }
    case Kind::ReadOnly: break;
    case Kind::Raw:
        if (v.isBoolean())
            f->set(name, v.b);
        else if (v.isNumber())
            f->set(name, v.n);
        else if (v.isNullish())
            f->set(name, HostValue());
        else
            f->set(name, m.toString(v));
        break;
    }
    return Value();
}

template <std::size_t... I>
void defineMembers(Realm& realm, Object* proto, std::index_sequence<I...>) {
    // for..in lists the newest first: defined last to first.
    constexpr std::size_t n = sizeof...(I);
    (realm.defineAccessor(proto, kMembers[n - 1 - I].name, getMember<int(n - 1 - I)>, setMember<int(n - 1 - I)>, 0),
     ...);
}

int lengthOf(TextFieldAccess& f) {
    const HostValue v = f.get("length");
    const double* n = std::get_if<double>(&v);
    return n ? static_cast<int>(*n) : 0;
}

int indexArg(Machine& m, Value v) {
    double n = m.toNumber(v);
    if (std::isnan(n)) return -1;
    return toClampedInt(n);
}

// The range of getTextFormat and setTextFormat: none given is the whole
// text, one is that character, two are [begin, end).
bool rangeOf(Machine& m, TextFieldAccess& f, std::span<const Value> args, int& begin, int& end) {
    const int length = lengthOf(f);
    if (args.empty()) {
        begin = 0;
        end = length;
        return true;
    }
    begin = indexArg(m, args[0]);
    if (begin < 0) return false;
    end = args.size() > 1 ? indexArg(m, args[1]) : begin + 1;
    if (end < 0) return false;
    end = std::min(end, length);
    return begin <= end;
}

Value getTextFormat(Machine& m, Value self, std::span<const Value> args) {
    TextFieldAccess* f = fieldOf(m, self);
    if (!f) return Value();
    int begin = 0, end = 0;
    if (!rangeOf(m, *f, args.subspan(0, std::min<std::size_t>(args.size(), 2)), begin, end))
        return Value::object(newTextFormat(m, TextFormatData{}));
    return Value::object(newTextFormat(m, f->textFormat(begin, end)));
}

Value setTextFormat(Machine& m, Value self, std::span<const Value> args) {
    TextFieldAccess* f = fieldOf(m, self);
    if (!f || args.empty()) return Value();
    const TextFormatData* format = textFormatOf(args.back());
    if (!format) return Value();
    int begin = 0, end = 0;
    if (rangeOf(m, *f, args.first(args.size() - 1), begin, end)) f->setTextFormat(begin, end, *format);
    return Value();
}

Value getNewTextFormat(Machine& m, Value self, std::span<const Value>) {
    TextFieldAccess* f = fieldOf(m, self);
    return f ? Value::object(newTextFormat(m, f->newTextFormat())) : Value();
}

Value setNewTextFormat(Machine& m, Value self, std::span<const Value> args) {
    TextFieldAccess* f = fieldOf(m, self);
    const TextFormatData* format = args.empty() ? nullptr : textFormatOf(args[0]);
    if (f && format) f->setNewTextFormat(*format);
    return Value();
}

Value replaceSel(Machine& m, Value self, std::span<const Value> args) {
    TextFieldAccess* f = fieldOf(m, self);
    if (!f || args.empty()) return Value();
    // Without a selection the text goes at the end.
    int end = lengthOf(*f);
    f->replaceText(end, end, m.toString(args[0]));
    return Value();
}

Value replaceText(Machine& m, Value self, std::span<const Value> args) {
    TextFieldAccess* f = fieldOf(m, self);
    if (!f || args.size() < 3) return Value();
    int begin = indexArg(m, args[0]), end = indexArg(m, args[1]);
    std::string text = m.toString(args[2]);
    if (begin < 0 || end < begin) return Value();
    f->replaceText(begin, end, text);
    return Value();
}

Value removeTextField(Machine& m, Value self, std::span<const Value>) {
    if (fieldOf(m, self)) m.host().removeSprite(handleOf(self));
    return Value();
}

Value getDepth(Machine& m, Value self, std::span<const Value>) {
    if (!fieldOf(m, self)) return Value();
    auto d = m.host().depthOf(handleOf(self));
    return d ? Value::number(*d) : Value();
}

Value getFontList(Machine& m, Value, std::span<const Value>) {
    ArrayObject* a = m.newArray();
    for (const char* name : {"_sans", "_serif", "_typewriter"}) a->push(m, m.str(name));
    return Value::object(a);
}

Value nothing(Machine&, Value, std::span<const Value>) { return Value(); }

// MovieClip.createTextField(name, depth, x, y, width, height).
Value createTextField(Machine& m, Value self, std::span<const Value> args) {
    ClipHandle parent = self.isObject() ? handleOf(self) : m.host().scriptClip();
    if (!parent || args.size() < 6 || m.host().textField(parent)) return Value();
    double n[5];
    for (int k = 0; k < 5; ++k) {
        double v = m.toNumber(args[k + 1]);
        n[k] = std::isfinite(v) ? std::trunc(v) : 0;
    }
    if (std::fabs(n[0]) > 2147483647.0) return Value();
    ClipHandle field =
        m.host().createTextField(parent, m.toString(args[0]), static_cast<int>(n[0]), n[1], n[2], n[3], n[4]);
    if (!field) return Value();
    textFieldPlaced(m, field);
    if (m.version() < 8) return Value();
    return Value::object(m.clipObject(field));
}

}  // namespace

void syncTextVariable(Machine& m, ClipHandle field) {
    TextFieldAccess* f = m.host().textField(field);
    Object* holder = nullptr;
    std::string name;
    if (!f || !boundVariable(m, field, *f, holder, name)) return;
    Value v = m.get(holder, name);
    const char* member = isHtml(*f) ? "htmlText" : "text";
    const HostValue shown = f->get(member);
    const std::string* now = std::get_if<std::string>(&shown);
    if (v.isUndefined()) {
        // An empty field leaves an undefined variable alone.
        if (now && !now->empty()) m.set(holder, name, m.str(*now));
        return;
    }
    std::string text = m.toString(v);
    if (!now || *now != text) f->set(member, text);
}

namespace {

// The placing work as a native, so that the stage can run it as it runs
// handlers: a getter or watcher it reaches that throws or passes a bound
// stops there, not in the player.
Value placedNative(Machine& m, Value self, std::span<const Value>) {
    ClipHandle field = handleOf(self);
    if (!field) return Value();
    bool cs = m.caseSensitive();
    // Every field is a broadcaster whose first listener is itself.
    if (!self.o->findOwn("_listeners", cs)) {
        ArrayObject* list = m.newArray();
        list->push(m, self);
        self.o->define(m.heap(), "_listeners", Value::object(list), DontEnum, cs);
    }
    syncTextVariable(m, field);
    return Value();
}

Value syncNative(Machine& m, Value self, std::span<const Value>) {
    if (ClipHandle field = handleOf(self)) syncTextVariable(m, field);
    return Value();
}

void runGuarded(Machine& m, ClipHandle field, NativeFn fn) {
    if (!m.host().textField(field)) return;
    StageObject* o = m.clipObject(field);
    if (!o) return;
    m.callFunction(Value::object(m.realm().makeFunction(fn)), Value::object(o), {});
}

}  // namespace

void refreshTextVariable(Machine& m, ClipHandle field) { runGuarded(m, field, syncNative); }

void textFieldPlaced(Machine& m, ClipHandle field) { runGuarded(m, field, placedNative); }

void installTextField(Realm& realm) {
    FunctionObject* ctor = realm.defineClass("TextField", nothing, nullptr, realm.textFieldProto);
    static constexpr Realm::Method methods[] = {
        {"replaceSel", replaceSel},
        {"getTextFormat", getTextFormat},
        {"setTextFormat", setTextFormat},
        {"removeTextField", removeTextField},
        {"getNewTextFormat", getNewTextFormat},
        {"setNewTextFormat", setNewTextFormat},
        {"getDepth", getDepth},
        {"replaceText", replaceText},
    };
    // Version 5 scripts see no TextField.prototype (fields still have their members).
    if (Property* p = ctor->findOwn("prototype", true)) p->flags |= OnlyV6;
    realm.defineMethods(realm.textFieldProto, methods);
    bool cs = realm.machine.caseSensitive();
    if (const Property* b = realm.global->findOwn("AsBroadcaster", cs); b && b->value.isObject())
        for (const char* name : {"broadcastMessage", "addListener", "removeListener"})
            if (const Property* p = b->value.o->findOwn(name, true))
                realm.textFieldProto->define(realm.heap, name, p->value, DontEnum, cs);
    defineMembers(realm, realm.textFieldProto, std::make_index_sequence<kMemberCount>{});
    realm.defineMethod(ctor, "getFontList", getFontList);
    realm.defineMethod(realm.movieClipProto, "createTextField", createTextField);
}

}  // namespace swf::script
