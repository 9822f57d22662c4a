#include "swf/script/object.h"

#include <cmath>
#include <utility>

#include "swf/script/machine.h"

namespace swf::script {

namespace {
constexpr std::size_t kIndexThreshold = 12;

// The collector's barrier for storing `v` in `holder` (heap.h).
void storingValue(Cell& holder, const Value& v) {
    if (v.type == Type::String)
        holder.storing(v.s);
    else if (v.type == Type::Object)
        holder.storing(v.o);
}
}  // namespace

bool visibleIn(std::uint16_t flags, int version) {
    if ((flags & OnlyV6) && version < 6) return false;
    if ((flags & OnlyV7) && version == 6) return false;  // this bit hides from version 6 movies only
    if ((flags & OnlyV7b) && version < 7) return false;
    if ((flags & OnlyV10) && version < 10) return false;
    if ((flags & OnlyV8) && version < 8) return false;
    if ((flags & OnlyV9) && version < 9) return false;
    return true;
}

void Object::reindex(bool cs) {
    index_ = std::make_unique<std::unordered_map<std::string, std::uint32_t>>();
    indexCs_ = cs;
    index_->reserve(props_.size() * 2);
    for (std::uint32_t i = 0; i < props_.size(); ++i)
        if (!props_[i].dead) index_->emplace(cs ? props_[i].name : foldName(props_[i].name), i);
}

Property* Object::findOwn(std::string_view name, bool cs) {
    written();
    return const_cast<Property*>(std::as_const(*this).findOwn(name, cs));
}

const Property* Object::findOwn(std::string_view name, bool cs) const {
    // The same search without the write barrier (reindexing only rebuilds the
    // name index, which holds no references).
    auto* self = const_cast<Object*>(this);
    if (index_) {
        if (indexCs_ != cs) self->reindex(cs);
        auto it = cs ? index_->find(std::string(name)) : index_->find(foldName(name));
        return it == index_->end() ? nullptr : &props_[it->second];
    }
    for (const Property& p : props_)
        if (!p.dead && equalNames(p.name, name, cs)) return &p;
    return nullptr;
}

Property& Object::define(Heap& heap, std::string_view name, Value value, std::uint16_t flags, bool cs) {
    storingValue(*this, value);
    if (auto* p = const_cast<Property*>(std::as_const(*this).findOwn(name, cs))) {
        p->value = value;
        p->getter = p->setter = nullptr;
        p->flags = flags;
        return *p;
    }
    Property p;
    p.name = std::string(name);
    p.value = value;
    p.flags = flags;
    p.serial = nextSerial();
    heap.charge(sizeof(Property) + name.size());
    props_.push_back(std::move(p));
    auto slot = static_cast<std::uint32_t>(props_.size() - 1);
    if (index_)
        index_->emplace(indexCs_ ? std::string(name) : foldName(name), slot);
    else if (props_.size() > kIndexThreshold)
        reindex(cs);
    return props_.back();
}

void Object::store(const Property& p, Value value) {
    storingValue(*this, value);
    const_cast<Property&>(p).value = value;
}

Property& Object::defineAccessor(Heap& heap, std::string_view name, Object* getter, Object* setter, std::uint16_t flags,
                                 bool cs) {
    written();  // callers may go on to write the property's value through the reference
    Property& p = define(heap, name, Value(), flags, cs);
    p.getter = getter;
    p.setter = setter;
    return p;
}

bool Object::remove(std::string_view name, bool cs, bool force) {
    Property* p = findOwn(name, cs);
    if (!p || (!force && (p->flags & DontDelete))) return false;
    auto slot = static_cast<std::uint32_t>(p - props_.data());
    if (slot + 1 == props_.size()) {
        props_.pop_back();
        if (index_) index_->erase(indexCs_ ? std::string(name) : foldName(name));
        return true;
    }
    p->dead = true;
    p->value = Value();
    p->getter = p->setter = nullptr;
    ++deadCount_;
    if (index_) index_->erase(indexCs_ ? std::string(name) : foldName(name));
    if (deadCount_ > 16 && deadCount_ * 2 > props_.size()) {
        std::vector<Property> live;
        live.reserve(props_.size() - deadCount_);
        for (Property& q : props_)
            if (!q.dead) live.push_back(std::move(q));
        props_ = std::move(live);
        deadCount_ = 0;
        if (index_) reindex(indexCs_);
    }
    return true;
}

void Object::trace(Tracer& t) const {
    t.mark(proto_);
    for (const Property& p : props_) {
        t.markValue(p.value);
        t.mark(p.getter);
        t.mark(p.setter);
    }
    for (const Watcher& w : watchers_) {
        t.mark(w.callback);
        t.markValue(w.userData);
    }
    for (Object* i : interfaces_) t.mark(i);
    t.mark(nativeData_);
}

std::size_t Object::extraBytes() const {
    std::size_t n = props_.capacity() * sizeof(Property);
    if (index_) n += index_->size() * 48;
    return n;
}

void Scope::trace(Tracer& t) const {
    t.mark(object);
    t.mark(parent);
}

void FunctionObject::trace(Tracer& t) const {
    Object::trace(t);
    t.mark(scope);
    t.mark(target);
    t.markValue(boundData);
}

void PrimitiveObject::trace(Tracer& t) const {
    Object::trace(t);
    t.markValue(primitive);
}

bool PrimitiveObject::getVirtual(Machine& m, std::string_view name, Value& out) {
    if (kind() == Kind::String && primitive.isString() && equalNames(name, "length", m.caseSensitive())) {
        out = Value::number(static_cast<double>(scriptLength(primitive.str(), m.version())));
        return true;
    }
    return false;
}

// ---- arrays

bool ArrayObject::parseIndex(std::string_view name, std::uint32_t& index) {
    if (name.empty() || name.size() > 10) return false;
    if (name.size() > 1 && name[0] == '0') return false;
    std::uint64_t v = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (v >= 4294967295ull) return false;
    index = static_cast<std::uint32_t>(v);
    return true;
}

static std::string indexName(std::uint32_t i) { return std::to_string(i); }

void ArrayObject::setLength(Machine& m, double n) {
    if (std::isnan(n) || n < 0) n = 0;
    if (n > 4294967295.0) n = 4294967295.0;
    auto len = static_cast<std::uint32_t>(n);
    if (len < dense_.size()) {
        dense_.resize(len);
        serials_.resize(len);
    }
    if (len < length_) {
        // Far-away elements past the new length go too.
        std::vector<std::string> drop;
        for (const Property& p : std::as_const(*this).properties()) {
            std::uint32_t i;
            if (!p.dead && parseIndex(p.name, i) && i >= len) drop.push_back(p.name);
        }
        for (const std::string& d : drop) remove(d, true, true);
    }
    length_ = len;
}

bool ArrayObject::has(Machine& m, std::uint32_t i) {
    if (i < dense_.size()) return serials_[i] != 0;
    return std::as_const(*this).findOwn(indexName(i), true) != nullptr;
}

Value ArrayObject::get(Machine& m, std::uint32_t i) {
    if (i < dense_.size()) return dense_[i];
    if (i >= length_) return Value();
    if (const Property* p = std::as_const(*this).findOwn(indexName(i), true)) return p->value;
    return Value();
}

void ArrayObject::set(Machine& m, std::uint32_t i, Value v) {
    storingValue(*this, v);
    if (i < dense_.size()) {
        dense_[i] = v;
        if (!serials_[i]) serials_[i] = nextSerial();
    } else if (i < dense_.size() + 1024 && i < m.limits().maxDenseArray) {
        std::size_t before = dense_.capacity();
        dense_.resize(i + 1);
        serials_.resize(i + 1, 0);
        dense_[i] = v;
        serials_[i] = nextSerial();
        if (dense_.capacity() > before) m.heap().charge((dense_.capacity() - before) * sizeof(Value));
        // Absorb far-away elements that are now adjacent.
        while (length_ > dense_.size() && !properties().empty()) {
            auto next = static_cast<std::uint32_t>(dense_.size());
            Property* p = findOwn(indexName(next), true);
            if (!p || p->accessor()) break;
            Value moved = p->value;
            std::uint32_t serial = p->serial;
            remove(indexName(next), true, true);
            dense_.push_back(moved);
            serials_.push_back(serial);
        }
    } else {
        define(m.heap(), indexName(i), v, 0, true);
    }
    if (i >= length_) length_ = i + 1;
}

void ArrayObject::push(Machine& m, Value v) {
    if (length_ == 4294967295u) m.stopScript("tableau trop long");
    set(m, length_, v);
}

bool ArrayObject::getVirtual(Machine& m, std::string_view name, Value& out) {
    std::uint32_t i;
    if (parseIndex(name, i)) {
        if (i < dense_.size()) {
            if (!serials_[i]) return false;
            out = dense_[i];
            return true;
        }
        return false;  // far-away elements are ordinary properties
    }
    if (equalNames(name, "length", m.caseSensitive())) {
        out = Value::number(length_);
        return true;
    }
    return false;
}

bool ArrayObject::setVirtual(Machine& m, std::string_view name, const Value& v) {
    std::uint32_t i;
    if (parseIndex(name, i)) {
        set(m, i, v);
        return true;
    }
    if (equalNames(name, "length", m.caseSensitive())) {
        setLength(m, m.toNumber(v));
        return true;
    }
    return false;
}

bool ArrayObject::hasVirtual(Machine& m, std::string_view name) {
    std::uint32_t i;
    if (parseIndex(name, i)) return i < dense_.size() && serials_[i] != 0;
    return equalNames(name, "length", m.caseSensitive());
}

bool ArrayObject::removeVirtual(Machine& m, std::string_view name) {
    std::uint32_t i;
    if (parseIndex(name, i) && i < dense_.size()) {
        if (!serials_[i]) return false;
        serials_[i] = 0;
        dense_[i] = Value();
        return true;
    }
    return false;
}

void ArrayObject::virtualNames(Machine& m, std::vector<std::pair<std::uint32_t, std::string>>& out) {
    for (std::uint32_t i = 0; i < dense_.size(); ++i)
        if (serials_[i]) out.emplace_back(serials_[i], indexName(i));
}

void ArrayObject::trace(Tracer& t) const {
    Object::trace(t);
    for (const Value& v : dense_) t.markValue(v);
}

std::size_t ArrayObject::extraBytes() const { return Object::extraBytes() + dense_.capacity() * (sizeof(Value) + 4); }

}  // namespace swf::script
