#include "swf/script/machine.h"

namespace swf::script {

struct Machine::Frame {};

Machine::Machine(Host& host, int version, Limits limits)
    : host_(host), version_(version), limits_(limits), heap_(limits.maxHeapBytes) {
    realm_ = std::make_unique<Realm>(*this);
}
Machine::~Machine() = default;

RunResult Machine::runActions(std::span<const std::uint8_t> bytes, ClipHandle clip) { return run(compile(bytes), clip); }
RunResult Machine::run(const std::shared_ptr<const Program>&, ClipHandle) { return {}; }
std::shared_ptr<const Program> Machine::compile(std::span<const std::uint8_t> bytes) { return Program::parse(bytes, heap_); }
Value Machine::callFunction(Value, Value, std::span<const Value>) { return {}; }
Value Machine::callMethodIfPresent(Object*, std::string_view, std::span<const Value>) { return {}; }
StageObject* Machine::clipObject(ClipHandle) { return nullptr; }
void Machine::clipRemoved(ClipHandle) {}
void Machine::advanceClock(double ms) { clockMs_ += ms; }
void Machine::runTimers() {}
void Machine::collectGarbage() {}
void Machine::addRoot(Object* o) { roots_.push_back(o); }
void Machine::removeRoot(Object*) {}
const Str* Machine::makeStr(std::string_view s) { return heap_.make<Str>(std::string(s)); }
const Str* Machine::makeStr(std::string&& s) { return heap_.make<Str>(std::move(s)); }
Object* Machine::newObject() { return realm_->newObject(); }
ArrayObject* Machine::newArray() { return heap_.make<ArrayObject>(realm_->arrayProto); }
ArrayObject* Machine::newArray(std::span<const Value>) { return newArray(); }
Object* Machine::newError(std::string_view) { return newObject(); }
Value Machine::toPrimitive(Value v, Hint) { return v; }
double Machine::toNumber(Value v) { return primitiveToNumber(v, version_); }
std::string Machine::toString(Value v) { return primitiveToString(v, version_); }
const Str* Machine::toStr(Value v) { return makeStr(toString(v)); }
Object* Machine::toObject(Value v) { return v.isObject() ? v.o : nullptr; }
Value Machine::get(Object*, std::string_view) { return {}; }
Value Machine::get(Value, std::string_view) { return {}; }
void Machine::set(Object*, std::string_view, Value) {}
bool Machine::has(Object*, std::string_view) { return false; }
bool Machine::remove(Object*, std::string_view) { return false; }
Property* Machine::lookup(Object*, std::string_view, Object**) { return nullptr; }
std::vector<std::string> Machine::enumerate(Object*) { return {}; }
Value Machine::call(Value, Value, std::span<const Value>) { return {}; }
Value Machine::callMethod(Value, std::string_view, std::span<const Value>) { return {}; }
Value Machine::construct(Value, std::span<const Value>) { return {}; }
bool Machine::instanceOf(Value, Object*) { return false; }
void Machine::throwValue(Value v) { throw ScriptError{v}; }
void Machine::throwError(std::string_view m) { throwValue(Value::object(newError(m))); }
void Machine::chargeSteps(std::size_t) {}
void Machine::stopScript(const std::string& reason) { throw LimitError(reason); }
void Machine::warn(std::string_view m) { host_.warning(m); }
bool Machine::looseEquals(Value, Value) { return false; }
bool Machine::strictEquals(Value, Value) { return false; }

}  // namespace swf::script
