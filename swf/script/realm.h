// The global object and the built-in prototypes and constructors of one
// movie's scripts, with the helpers the built-in families use to install
// themselves (builtins/builtins.h).
#pragma once

#include <span>
#include <string_view>

#include "swf/script/object.h"

namespace swf::script {

class Machine;

// Flags of built-in methods and properties: hidden from for..in, not deletable.
constexpr std::uint16_t kBuiltinFlags = DontEnum | DontDelete;

class Realm {
public:
    explicit Realm(Machine& m);
    Realm(const Realm&) = delete;
    Realm& operator=(const Realm&) = delete;

    Machine& machine;
    Heap& heap;

    Object* global = nullptr;         // _global
    Object* objectProto = nullptr;    // Object.prototype (end of every chain)
    Object* functionProto = nullptr;  // Function.prototype
    Object* arrayProto = nullptr;
    Object* stringProto = nullptr;
    Object* numberProto = nullptr;
    Object* booleanProto = nullptr;
    Object* dateProto = nullptr;
    Object* errorProto = nullptr;
    Object* movieClipProto = nullptr;  // prototype of stage objects (filled by the stage classes)
    Object* textFieldProto = nullptr;  // prototype of the objects of text fields (builtins/textfield.cpp)
    // Object.registerClass: the constructors of exported symbols' clips, by export name.
    Object* registeredClasses = nullptr;
    FunctionObject* objectCtor = nullptr;
    FunctionObject* functionCtor = nullptr;
    FunctionObject* arrayCtor = nullptr;
    FunctionObject* stringCtor = nullptr;
    FunctionObject* numberCtor = nullptr;
    FunctionObject* booleanCtor = nullptr;
    FunctionObject* dateCtor = nullptr;
    FunctionObject* errorCtor = nullptr;
    FunctionObject* xmlNodeCtor = nullptr;
    FunctionObject* xmlCtor = nullptr;

    // A native function object (its prototype is Function.prototype).
    FunctionObject* makeFunction(NativeFn call, NativeFn construct = nullptr);
    // Installs a native method `name` on `on`.
    FunctionObject* defineMethod(Object* on, std::string_view name, NativeFn fn, std::uint16_t flags = kBuiltinFlags);
    // Installs several native methods on `on`, with the same flags.
    struct Method {
        const char* name;
        NativeFn fn;
    };
    void defineMethods(Object* on, std::span<const Method> methods, std::uint16_t flags = kBuiltinFlags);
    // Installs a plain value.
    void defineValue(Object* on, std::string_view name, Value v, std::uint16_t flags = kBuiltinFlags);
    // Installs a getter/setter pair made of natives (setter may be null: writes ignored).
    void defineAccessor(Object* on, std::string_view name, NativeFn getter, NativeFn setter,
                        std::uint16_t flags = kBuiltinFlags);
    // A constructor with its prototype: ctor.prototype = proto, proto.constructor = ctor,
    // and _global[name] = ctor. `proto` may be null: a fresh object inheriting Object.prototype.
    FunctionObject* defineClass(std::string_view name, NativeFn call, NativeFn construct, Object* proto);
    // The same, with these native methods on the prototype.
    FunctionObject* defineClass(std::string_view name, NativeFn call, NativeFn construct, Object* proto,
                                std::span<const Method> methods);

    // A plain object inheriting Object.prototype.
    Object* newObject();

    void trace(Tracer& t) const;
};

}  // namespace swf::script
