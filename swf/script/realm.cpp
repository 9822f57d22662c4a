#include "swf/script/realm.h"

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

Realm::Realm(Machine& m) : machine(m), heap(m.heap()) {
    objectProto = heap.make<Object>(nullptr);
    functionProto = heap.make<Object>(objectProto);
    global = heap.make<Object>(nullptr);  // _global inherits nothing (not even valueOf)
    arrayProto = heap.make<Object>(objectProto);
    stringProto = heap.make<Object>(objectProto);
    numberProto = heap.make<Object>(objectProto);
    booleanProto = heap.make<Object>(objectProto);
    dateProto = heap.make<Object>(objectProto);
    errorProto = heap.make<Object>(objectProto);
    movieClipProto = heap.make<Object>(objectProto);
    textFieldProto = heap.make<Object>(objectProto);
    installObject(*this);
    installFunction(*this);
    installBoolean(*this);
    installError(*this);
    installGlobal(*this);
    installMovieClip(*this);
    installMovieClipDrawing(*this);
    installArray(*this);
    installString(*this);
    installNumber(*this);
    installMath(*this);
    installDate(*this);
    installXml(*this);
    installBroadcaster(*this);
    installMovieClipLoader(*this);
    installGeom(*this);
    installLoadVars(*this);
    installSystem(*this);
    installColorTransform(*this);
    installColor(*this);
    installBitmapData(*this);
    installTextFormat(*this);
    installTextField(*this);
    installSelection(*this);
}

FunctionObject* Realm::makeFunction(NativeFn call, NativeFn construct) {
    return heap.make<FunctionObject>(functionProto, call, construct);
}

FunctionObject* Realm::defineMethod(Object* on, std::string_view name, NativeFn fn, std::uint16_t flags) {
    FunctionObject* f = makeFunction(fn);
    on->define(heap, name, Value::object(f), flags, machine.caseSensitive());
    return f;
}

void Realm::defineMethods(Object* on, std::span<const Method> methods, std::uint16_t flags) {
    for (const Method& m : methods) defineMethod(on, m.name, m.fn, flags);
}

void Realm::defineValue(Object* on, std::string_view name, Value v, std::uint16_t flags) {
    on->define(heap, name, v, flags, machine.caseSensitive());
}

void Realm::defineAccessor(Object* on, std::string_view name, NativeFn getter, NativeFn setter, std::uint16_t flags) {
    FunctionObject* g = makeFunction(getter);
    FunctionObject* s = setter ? makeFunction(setter) : nullptr;
    if (!s) s = makeFunction([](Machine&, Value, std::span<const Value>) { return Value(); });
    on->defineAccessor(heap, name, g, s, flags, machine.caseSensitive());
}

FunctionObject* Realm::defineClass(std::string_view name, NativeFn call, NativeFn construct, Object* proto) {
    if (!proto) proto = heap.make<Object>(objectProto);
    FunctionObject* ctor = makeFunction(call, construct);
    ctor->define(heap, "prototype", Value::object(proto), kBuiltinFlags);
    proto->define(heap, "constructor", Value::object(ctor), kBuiltinFlags);
    if (!name.empty()) global->define(heap, name, Value::object(ctor), DontEnum, machine.caseSensitive());
    return ctor;
}

FunctionObject* Realm::defineClass(std::string_view name, NativeFn call, NativeFn construct, Object* proto,
                                   std::span<const Method> methods) {
    FunctionObject* ctor = defineClass(name, call, construct, proto);
    defineMethods(static_cast<Object*>(ctor->findOwn("prototype", true)->value.o), methods);
    return ctor;
}

Object* Realm::newObject() { return heap.make<Object>(objectProto); }

// Every prototype and constructor the realm keeps, for the collector.
namespace {
constexpr Object* Realm::*kPrototypes[] = {
    &Realm::global,      &Realm::objectProto,    &Realm::functionProto,  &Realm::arrayProto,
    &Realm::stringProto, &Realm::numberProto,    &Realm::booleanProto,   &Realm::dateProto,
    &Realm::errorProto,  &Realm::movieClipProto, &Realm::textFieldProto, &Realm::registeredClasses,
};
constexpr FunctionObject* Realm::*kConstructors[] = {
    &Realm::objectCtor,  &Realm::functionCtor, &Realm::arrayCtor, &Realm::stringCtor,  &Realm::numberCtor,
    &Realm::booleanCtor, &Realm::dateCtor,     &Realm::errorCtor, &Realm::xmlNodeCtor, &Realm::xmlCtor,
};
}  // namespace

void Realm::trace(Tracer& t) const {
    for (Object* Realm::*field : kPrototypes) t.mark(this->*field);
    for (FunctionObject* Realm::*field : kConstructors) t.mark(this->*field);
}

}  // namespace swf::script
