#include "swf/script/stage.h"

#include "swf/script/machine.h"

namespace swf::script {

namespace {

Value fromHost(Machine& m, const HostValue& v) {
    if (const double* d = std::get_if<double>(&v)) return Value::number(*d);
    if (const std::string* s = std::get_if<std::string>(&v)) return m.str(*s);
    if (const bool* b = std::get_if<bool>(&v)) return Value::boolean(*b);
    return Value();
}

}  // namespace

bool levelNumber(std::string_view name, int& n) {
    if (name.size() <= 6 || !equalNames(name.substr(0, 6), "_level", false)) return false;
    n = 0;
    for (char c : name.substr(6)) {
        if (c < '0' || c > '9' || n > 100000) return false;
        n = n * 10 + (c - '0');
    }
    return true;
}

bool StageObject::getVirtual(Machine& m, std::string_view name, Value& out) {
    if (!alive() || name.empty()) return false;
    Host& host = m.host();
    if (name[0] == '_') {
        if (auto p = displayPropertyByName(name)) {
            out = fromHost(m, host.getProperty(clip_, *p));
            return true;
        }
        bool cs = m.caseSensitive();
        if (equalNames(name, "_parent", cs)) {
            ClipHandle parent = host.parent(clip_);
            if (!parent) return false;
            out = Value::object(m.clipObject(parent));
            return true;
        }
        if (equalNames(name, "_root", cs)) {
            out = Value::object(m.clipObject(host.root()));
            return true;
        }
        int level;
        if (levelNumber(name, level)) {
            ClipHandle c = host.level(level);
            if (!c) return false;
            out = Value::object(m.clipObject(c));
            return true;
        }
    }
    if (ClipHandle child = host.child(clip_, name, m.caseSensitive())) {
        out = Value::object(m.clipObject(child));
        return true;
    }
    return false;
}

bool StageObject::setVirtual(Machine& m, std::string_view name, const Value& v) {
    if (!alive() || name.empty() || name[0] != '_') return false;
    auto p = displayPropertyByName(name);
    if (!p) return false;
    if (*p == DisplayProperty::Name || *p == DisplayProperty::Quality)
        m.host().setProperty(clip_, *p, HostValue(m.toString(v)));
    else if (*p == DisplayProperty::FocusRect && v.isObject())
        m.host().setProperty(clip_, *p, HostValue(0.0));  // an object turns the focus rectangle off, unconverted
    else if (v.isNullish())
        m.host().setProperty(clip_, *p, HostValue());  // no number in any version: the write is ignored
    else
        m.host().setProperty(clip_, *p, HostValue(m.toNumber(v)));
    return true;
}

bool StageObject::hasVirtual(Machine& m, std::string_view name) {
    Value ignored;
    return getVirtual(m, name, ignored);
}

void StageObject::virtualNames(Machine& m, std::vector<std::pair<std::uint32_t, std::string>>& out) {
    if (!alive()) return;
    for (auto& [name, handle] : m.host().children(clip_)) out.emplace_back(0, name);
}

}  // namespace swf::script

namespace swf::script {

bool constructClip(Machine& m, ClipHandle clip, std::string_view exportName, bool inScript) {
    StageObject* o = m.clipObject(clip);
    if (!o || o->constructed()) return false;
    o->setConstructed();
    Object* registry = m.realm().registeredClasses;
    const Property* p = registry && !exportName.empty() ? registry->findOwn(exportName, false) : nullptr;
    if (!p || !p->value.isObject() || !p->value.o->isFunction()) return false;
    Value ctor = p->value;
    Value proto = m.get(ctor.o, "prototype");
    if (proto.isObject()) o->setProto(proto.o);
    if (inScript)
        m.call(ctor, Value::object(o), {});
    else
        m.callFunction(ctor, Value::object(o), {});
    return true;
}

}  // namespace swf::script
