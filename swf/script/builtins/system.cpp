// System: what the player says of itself (capabilities, $version), the
// security calls a local player grants without asking, and the settings
// flags a movie may read and write back.
#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"

namespace swf::script {

namespace {

// Local files are played without a network sandbox.
constexpr const char* kSandboxType = "localWithFile";

Value undefinedFn(Machine&, Value, std::span<const Value>) { return Value(); }

// allowDomain and allowInsecureDomain grant whatever they are given: true
// with at least one argument, false when called with none.
Value allowDomainFn(Machine&, Value, std::span<const Value> args) { return Value::boolean(!args.empty()); }

Value productCall(Machine& m, Value self, std::span<const Value> args) {
    if (self.isObject() && self.o != m.realm().global && !args.empty())
        self.o->define(m.heap(), "name", args[0], 0, m.caseSensitive());
    return Value();
}

Object* memberObject(Realm& realm, Object* on, const char* name) {
    const bool cs = realm.machine.caseSensitive();
    if (Property* p = on->findOwn(name, cs); p && p->value.isObject()) return p->value.o;
    Object* o = realm.newObject();
    on->define(realm.heap, name, Value::object(o), DontEnum, cs);
    return o;
}

}  // namespace

const char* playerVersionString() { return "LNX 9,0,0,0"; }

void installSystem(Realm& realm) {
    Machine& m = realm.machine;
    Object* system = memberObject(realm, realm.global, "System");

    static constexpr Realm::Method methods[] = {{"setClipboard", undefinedFn}, {"showSettings", undefinedFn}};
    realm.defineMethods(system, methods);
    // Plain values: a movie sets them and reads back what it set.
    realm.defineValue(system, "exactSettings", Value::boolean(m.version() >= 7), 0);
    realm.defineValue(system, "useCodepage", Value::boolean(false), 0);

    Object* security = memberObject(realm, system, "security");
    static constexpr Realm::Method securityMethods[] = {
        {"allowDomain", allowDomainFn}, {"allowInsecureDomain", allowDomainFn}, {"loadPolicyFile", undefinedFn}};
    realm.defineMethods(security, securityMethods);
    realm.defineValue(security, "sandboxType", m.str(kSandboxType));

    // Capabilities are enumerable, as for..in lists them.
    Object* caps = memberObject(realm, system, "capabilities");
    const struct {
        const char* name;
        bool value;
    } flags[] = {
        {"avHardwareDisable", true},
        {"hasAccessibility", false},
        {"hasAudio", true},
        {"hasAudioEncoder", false},
        {"hasEmbeddedVideo", true},
        {"hasIME", false},
        {"hasMP3", true},
        {"hasPrinting", false},
        {"hasScreenBroadcast", false},
        {"hasScreenPlayback", false},
        {"hasStreamingAudio", true},
        {"hasStreamingVideo", false},
        {"hasTLS", false},
        {"hasVideoEncoder", false},
        {"isDebugger", false},
        {"localFileReadDisable", false},
        {"windowlessDisable", false},
    };
    for (const auto& f : flags) realm.defineValue(caps, f.name, Value::boolean(f.value), 0);
    const struct {
        const char* name;
        const char* value;
    } texts[] = {
        {"version", playerVersionString()}, {"os", "Linux"},    {"manufacturer", "Linux"},
        {"playerType", "StandAlone"},       {"language", "fr"}, {"screenColor", "color"},
    };
    for (const auto& t : texts) realm.defineValue(caps, t.name, m.str(t.value), 0);
    const struct {
        const char* name;
        double value;
    } numbers[] = {{"screenResolutionX", 1024}, {"screenResolutionY", 768}, {"screenDPI", 72}, {"pixelAspectRatio", 1}};
    for (const auto& n : numbers) realm.defineValue(caps, n.name, Value::number(n.value), 0);
    // The summary a server would receive: short keys, url-encoded values.
    realm.defineValue(
        caps, "serverString",
        m.str("A=t&SA=t&MP3=t&AE=f&VE=f&ACC=f&PR=f&SP=f&SB=f&DEB=f&V=" + escapeText(playerVersionString()) +
              "&M=Linux&R=1024x768&DP=72&COL=color&AR=1.0&OS=Linux"
              "&L=fr&PT=StandAlone&AVD=t&LFD=f&WD=f&TLS=f"),
        0);

    // System.Product: a constructor whose instances could launch or fetch
    // another product; a player without one does nothing.
    FunctionObject* product = realm.makeFunction(productCall);
    Object* productProto = realm.newObject();
    product->define(realm.heap, "prototype", Value::object(productProto), kBuiltinFlags, m.caseSensitive());
    productProto->define(realm.heap, "constructor", Value::object(product), kBuiltinFlags, m.caseSensitive());
    static constexpr Realm::Method productMethods[] = {{"launch", undefinedFn}, {"download", undefinedFn}};
    realm.defineMethods(productProto, productMethods);
    system->define(realm.heap, "Product", Value::object(product), kBuiltinFlags, m.caseSensitive());
}

}  // namespace swf::script
