// Script objects: own properties with their flags, the prototype chain,
// getters and setters (addProperty), watchers, and the kinds of objects
// that behave specially (functions, arrays, wrappers of primitives, clips).
//
// Methods here work on own data only and never run script. Reading or
// writing a property the way a script does (prototype chain, getters,
// setters, watchers, clips) goes through the Machine: Machine::get/set/has.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "swf/script/value.h"

namespace swf::script {

class Machine;
class Program;
struct FunctionCode;

// Property flags, as ASSetPropFlags numbers them.
enum PropFlag : std::uint16_t {
    DontEnum = 1,    // hidden from for..in
    DontDelete = 2,  // delete fails
    ReadOnly = 4,    // writes are ignored
    // Bits that hide a property from movies older than a version:
    OnlyV6 = 1 << 7,    // not seen below version 6
    OnlyV7 = 1 << 8,    // not seen by version 6 movies
    OnlyV7b = 1 << 10,  // not seen below version 7 either
    OnlyV8 = 1 << 12,   // not seen below version 8
    OnlyV9 = 1 << 13,   // not seen below version 9 (never in versions 4..8)
    OnlyV10 = 1 << 14,  // not seen below version 10 (never)
    VersionMask = OnlyV6 | OnlyV7 | OnlyV7b | OnlyV8 | OnlyV9 | OnlyV10,
};

// Is a property with these flags visible to a movie of this version?
bool visibleIn(std::uint16_t flags, int version);

struct Property {
    std::string name;  // as first written
    Value value;
    Object* getter = nullptr;  // addProperty: both set, or neither
    Object* setter = nullptr;
    std::uint16_t flags = 0;
    bool dead = false;         // deleted; the slot is compacted later
    std::uint32_t serial = 0;  // creation order on its object (for..in lists newest first)
    bool accessor() const { return getter != nullptr; }
};

// A watch() registration on one property.
struct Watcher {
    std::string name;
    Object* callback = nullptr;
    Value userData;
};

// A native function: `thisValue` is what the call was made on (undefined
// for a plain call); args are the arguments in order. Return the result;
// throw ScriptError (machine.h) for a script exception.
using NativeFn = Value (*)(Machine& m, Value thisValue, std::span<const Value> args);

class Object : public Cell {
public:
    enum class Kind : std::uint8_t {
        Plain,
        Function,
        Array,
        String,
        Number,
        Boolean,
        Date,
        Error,
        Arguments,
        Stage,
        Activation,
        Super
    };

    explicit Object(Object* proto, Kind kind = Kind::Plain) : proto_(proto), kind_(kind) {}

    Kind kind() const { return kind_; }
    bool isFunction() const { return kind_ == Kind::Function; }
    Object* proto() const { return proto_; }
    void setProto(Object* p) {
        written();
        proto_ = p;
    }
    // The class interfaces this constructor's instances implement (ImplementsOp).
    // The non-const accessors below may be written through, so they pass the
    // collector's write barrier (heap.h); read through a const Object where
    // nothing is written.
    std::vector<Object*>& interfaces() {
        written();
        return interfaces_;
    }
    const std::vector<Object*>& interfaces() const { return interfaces_; }

    // Own properties, raw (no getters, no clips). `cs`: names compare case-sensitively.
    Property* findOwn(std::string_view name, bool cs);
    const Property* findOwn(std::string_view name, bool cs) const;
    // Writes the value of an own property found with findOwn (no read-only check).
    void store(const Property& p, Value value);
    // Adds or replaces an own property's value and flags (no read-only check).
    Property& define(Heap& heap, std::string_view name, Value value, std::uint16_t flags = 0, bool cs = true);
    // Adds or replaces an own getter/setter pair.
    Property& defineAccessor(Heap& heap, std::string_view name, Object* getter, Object* setter, std::uint16_t flags = 0,
                             bool cs = true);
    // Removes an own property; false when absent or protected.
    bool remove(std::string_view name, bool cs, bool force = false);
    // Own properties in creation order (dead slots skipped by the caller: check `dead`).
    std::vector<Property>& properties() {
        written();
        return props_;
    }
    const std::vector<Property>& properties() const { return props_; }
    std::size_t propertyCount() const { return props_.size() - deadCount_; }

    std::vector<Watcher>& watchers() {
        written();
        return watchers_;
    }
    const std::vector<Watcher>& watchers() const { return watchers_; }

    // Data a built-in class keeps beside the properties (an XML node's
    // tree links): set by the class's constructor on whatever object `new`
    // made, so script subclasses of the class get it too.
    Cell* nativeData() const { return nativeData_; }
    void setNativeData(Cell* data) {
        written();
        nativeData_ = data;
    }

    // Hooks for objects whose properties are partly computed (arrays,
    // clips). They see the name as written; return true when they handled it.
    virtual bool getVirtual(Machine&, std::string_view name, Value& out) { return false; }
    virtual bool setVirtual(Machine&, std::string_view name, const Value& v) { return false; }
    virtual bool hasVirtual(Machine&, std::string_view name) { return false; }
    virtual bool removeVirtual(Machine&, std::string_view name) { return false; }
    // Names the hook adds to for..in, with their creation serials (see Property::serial).
    virtual void virtualNames(Machine&, std::vector<std::pair<std::uint32_t, std::string>>& out) {}

    void trace(Tracer& t) const override;
    void prefetch() const override { __builtin_prefetch(props_.data()); }
    std::size_t extraBytes() const override;

protected:
    std::uint32_t nextSerial() { return ++serial_; }

private:
    void reindex(bool cs);
    std::uint32_t serial_ = 0;
    Object* proto_;
    Kind kind_;
    std::uint32_t deadCount_ = 0;
    std::vector<Property> props_;
    std::vector<Watcher> watchers_;
    std::vector<Object*> interfaces_;
    Cell* nativeData_ = nullptr;
    // Built once an object has many properties: folded or exact name → slot.
    std::unique_ptr<std::unordered_map<std::string, std::uint32_t>> index_;
    bool indexCs_ = true;
};

// A scope chain link: the object names are looked up in, then the parent.
class Scope final : public Cell {
public:
    Scope(Object* o, Scope* p, bool with = false) : object(o), parent(p), isWith(with) {}
    Object* const object;
    Scope* const parent;
    const bool isWith;
    void trace(Tracer& t) const override;
};

// A function: native (call and optional construct) or made by DefineFunction/DefineFunction2.
class FunctionObject final : public Object {
public:
    FunctionObject(Object* functionProto, NativeFn call, NativeFn construct = nullptr)
        : Object(functionProto, Kind::Function), native(call), nativeConstruct(construct) {}
    FunctionObject(Object* functionProto, std::shared_ptr<const Program> program, const FunctionCode* code,
                   Scope* scope, Object* target, int version)
        : Object(functionProto, Kind::Function),
          program(std::move(program)),
          code(code),
          scope(scope),
          target(target),
          version(version) {}

    NativeFn native = nullptr;
    NativeFn nativeConstruct = nullptr;      // `new F(...)`; when null `new` makes an object and calls `native`
    std::shared_ptr<const Program> program;  // keeps the body's records alive
    const FunctionCode* code = nullptr;
    Scope* scope = nullptr;                         // the chain the function was defined in
    Object* target = nullptr;                       // the clip it was defined on (timeline actions, _root, _parent)
    int version = 0;                                // file version of the defining movie
    const std::vector<const Str*>* pool = nullptr;  // the constant pool in force where it was defined
    Value boundData;                                // free slot for natives that need a captured value

    bool isNative() const { return native != nullptr; }
    void trace(Tracer& t) const override;
};

// Arrays keep a dense vector for indices 0..n and ordinary properties for
// far-away indices, so `a.length = 1e9` or `a[999999999] = 1` costs nothing.
class ArrayObject final : public Object {
public:
    explicit ArrayObject(Object* arrayProto) : Object(arrayProto, Kind::Array) {}

    std::uint32_t length() const { return length_; }
    // Sets the length; shorter drops the elements past it.
    void setLength(Machine& m, double n);
    bool has(Machine& m, std::uint32_t i);
    Value get(Machine& m, std::uint32_t i);  // undefined for a hole
    void set(Machine& m, std::uint32_t i, Value v);
    void push(Machine& m, Value v);
    // Fast access for natives that only touch the dense part (no holes past denseSize()).
    std::uint32_t denseSize() const { return static_cast<std::uint32_t>(dense_.size()); }

    bool getVirtual(Machine&, std::string_view name, Value& out) override;
    bool setVirtual(Machine&, std::string_view name, const Value& v) override;
    bool hasVirtual(Machine&, std::string_view name) override;
    bool removeVirtual(Machine&, std::string_view name) override;
    void virtualNames(Machine&, std::vector<std::pair<std::uint32_t, std::string>>& out) override;
    void trace(Tracer& t) const override;
    std::size_t extraBytes() const override;

    // "12" → 12; anything that is not a canonical array index → false.
    static bool parseIndex(std::string_view name, std::uint32_t& index);

private:
    std::vector<Value> dense_;
    std::vector<std::uint32_t> serials_;  // creation serial of each element; 0 where there is a hole
    std::uint32_t length_ = 0;
};

// Boolean, Number, String and Date objects: an object around a primitive
// (a Date keeps its time value as a number).
class PrimitiveObject final : public Object {
public:
    PrimitiveObject(Object* proto, Kind kind, Value primitive) : Object(proto, kind), primitive(primitive) {}
    Value primitive;
    bool getVirtual(Machine&, std::string_view name, Value& out) override;  // String's length
    void trace(Tracer& t) const override;
};

// Every change of what these refer to goes through Cell::written() (the
// accessors above, ArrayObject::set); a Scope never changes; functions and
// wrapped primitives are given their references as they are made.
template <>
struct CompleteBarrier<Object> : std::true_type {};
template <>
struct CompleteBarrier<ArrayObject> : std::true_type {};
template <>
struct CompleteBarrier<FunctionObject> : std::true_type {};
template <>
struct CompleteBarrier<PrimitiveObject> : std::true_type {};
template <>
struct CompleteBarrier<Scope> : std::true_type {};

}  // namespace swf::script
