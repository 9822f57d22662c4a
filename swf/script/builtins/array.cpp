// Array: the constructor, its sort option constants and the methods of
// Array.prototype. The methods are generic the way the reference player has
// them: they work on any object through its "length" and index names, with a
// fast path for real arrays. Loops over elements charge the step bound, so a
// script that sets `length = 1e9` and then sorts, shifts or joins is stopped
// rather than left to run for minutes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"

namespace swf::script {

// Lower-cases text the way String.prototype.toLowerCase does (builtins/string.cpp).
std::string lowerCaseText(std::string_view text);

namespace {

enum SortOption : int {
    CaseInsensitive = 1,
    Descending = 2,
    UniqueSort = 4,
    ReturnIndexedArray = 8,
    Numeric = 16,
};

constexpr double kMaxLength = 4294967295.0;

// Reads and writes the elements of `this`, whatever kind of object it is.
class Elements {
public:
    Elements(Machine& m, Object* o)
        : m_(m), o_(o), arr_(o->kind() == Object::Kind::Array ? static_cast<ArrayObject*>(o) : nullptr) {}

    std::uint32_t length() {
        if (arr_) return arr_->length();
        double n = m_.toNumber(m_.get(o_, "length"));
        if (std::isnan(n) || n <= 0) return 0;
        if (n >= kMaxLength) return static_cast<std::uint32_t>(kMaxLength);
        return static_cast<std::uint32_t>(n);
    }
    void setLength(double n) {
        if (arr_)
            arr_->setLength(m_, n);
        else
            m_.set(o_, "length", Value::number(n));
    }
    Value get(std::uint32_t i) {
        if (arr_) {
            if (arr_->has(m_, i)) return arr_->get(m_, i);
            // A hole reads through the prototype chain, as any missing index does.
            return m_.get(o_, std::to_string(i));
        }
        return m_.get(o_, std::to_string(i));
    }
    bool has(std::uint32_t i) {
        if (arr_) return arr_->has(m_, i);
        return m_.has(o_, std::to_string(i));
    }
    // Writes and deletions go through the machine so that an element's
    // flags (read-only, not deletable) and watchers hold, as for any property.
    void set(std::uint32_t i, Value v) { m_.set(o_, std::to_string(i), v); }
    void remove(std::uint32_t i) { m_.remove(o_, std::to_string(i)); }
    ArrayObject* array() const { return arr_; }

private:
    Machine& m_;
    Object* o_;
    ArrayObject* arr_;
};

// Counts `n` element visits against the step bound. More visits than the
// whole bound allows stop the script at once, before anything is read or
// allocated for them.
void chargeElements(Machine& m, std::size_t n) {
    if (n > m.limits().maxSteps) m.stopScript("Array : trop d'éléments à parcourir");
    m.chargeSteps(n);
}

Object* thisObject(Value thisValue) { return thisValue.isObject() ? thisValue.o : nullptr; }

bool isFunction(const Value& v) { return v.isObject() && v.o->isFunction(); }

// ToInteger of an argument, undefined and missing as `fallback`.
double integerArg(Machine& m, std::span<const Value> args, std::size_t i, double fallback) {
    if (i >= args.size() || args[i].isUndefined()) return fallback;
    double n = m.toNumber(args[i]);
    if (std::isnan(n)) return 0;
    return std::trunc(n);
}

// A relative index (negative counts from the end) clamped to [0, len].
std::uint32_t relativeIndex(double n, std::uint32_t len) {
    if (n < 0) n = std::max(0.0, n + len);
    return static_cast<std::uint32_t>(std::min(n, static_cast<double>(len)));
}

// Joins the elements; `depth` stops arrays that contain themselves.
thread_local int joinDepth = 0;

std::string joinElements(Machine& m, Object* o, std::string_view sep) {
    if (joinDepth >= 64) m.stopScript("Array.join : tableaux imbriqués trop profondément");
    struct DepthGuard {
        DepthGuard() { ++joinDepth; }
        ~DepthGuard() { --joinDepth; }
    } guard;
    Elements e(m, o);
    std::uint32_t len = e.length();
    chargeElements(m, len);
    std::string out;
    const std::size_t limit = m.limits().maxStringBytes;
    for (std::uint32_t i = 0; i < len; ++i) {
        if (i) out += sep;
        Value v = e.get(i);
        out += m.toString(v);
        if (out.size() > limit) m.stopScript("Array.join : chaîne trop longue");
    }
    return out;
}

// ---- the constructor

Value arrayConstruct(Machine& m, Value, std::span<const Value> args) {
    ArrayObject* a = m.newArray();
    if (args.size() == 1 && args[0].isNumber()) {
        double n = args[0].n;
        if (std::isnan(n) || n < 0) n = 0;
        a->setLength(m, std::trunc(std::min(n, kMaxLength)));
    } else {
        m.chargeSteps(args.size());
        for (const Value& v : args) a->push(m, v);
    }
    return Value::object(a);
}

// Array called as a function. From a subclass's constructor (super(...)),
// `this` is an object that inherits Array.prototype without being an
// array: it gets the elements and length as ordinary properties, and
// every method works on it since the methods are generic.
Value arrayCall(Machine& m, Value thisValue, std::span<const Value> args) {
    Object* self = thisObject(thisValue);
    bool inherits = false;
    if (self && self->kind() != Object::Kind::Array) {
        std::size_t depth = 0;
        for (Object* p = self->proto(); p && depth < m.limits().maxPrototypeDepth; p = p->proto(), ++depth)
            if (p == m.realm().arrayProto) inherits = true;
    }
    if (!inherits) return arrayConstruct(m, thisValue, args);
    Elements e(m, self);
    if (args.size() == 1 && args[0].isNumber()) {
        e.setLength(std::trunc(std::clamp(args[0].n, 0.0, kMaxLength)));
        return thisValue;
    }
    chargeElements(m, args.size());
    for (std::uint32_t i = 0; i < args.size(); ++i) e.set(i, args[i]);
    e.setLength(static_cast<double>(args.size()));
    return thisValue;
}

// ---- methods

Value arrayPush(Machine& m, Value thisValue, std::span<const Value> args) {
    Object* o = thisObject(thisValue);
    if (!o) return Value();
    Elements e(m, o);
    if (ArrayObject* a = e.array()) {
        for (const Value& v : args) a->push(m, v);
        return Value::number(a->length());
    }
    double len = e.length();
    for (const Value& v : args) {
        if (len >= kMaxLength) m.stopScript("Array.push : tableau trop long");
        e.set(static_cast<std::uint32_t>(len), v);
        len += 1;
    }
    e.setLength(len);
    return Value::number(len);
}

Value arrayPop(Machine& m, Value thisValue, std::span<const Value>) {
    Object* o = thisObject(thisValue);
    if (!o) return Value();
    Elements e(m, o);
    std::uint32_t len = e.length();
    if (len == 0) return Value();
    Value v = e.get(len - 1);
    e.remove(len - 1);
    e.setLength(len - 1);
    return v;
}

// Reads every element, then deletes them all before writing the moved ones:
// moved elements are new properties (for..in lists them in the order they
// were written), except those that could not be deleted.
std::vector<Value> takeAll(Elements& e, std::uint32_t len) {
    std::vector<Value> values;
    values.reserve(len);
    for (std::uint32_t i = 0; i < len; ++i) values.push_back(e.get(i));
    for (std::uint32_t i = 0; i < len; ++i) e.remove(i);
    return values;
}

Value arrayShift(Machine& m, Value thisValue, std::span<const Value>) {
    Object* o = thisObject(thisValue);
    if (!o) return Value();
    Elements e(m, o);
    std::uint32_t len = e.length();
    if (len == 0) return Value();
    chargeElements(m, len);
    std::vector<Value> values = takeAll(e, len);
    for (std::uint32_t i = 1; i < len; ++i) e.set(i - 1, values[i]);
    e.setLength(len - 1);
    return values[0];
}

Value arrayUnshift(Machine& m, Value thisValue, std::span<const Value> args) {
    Object* o = thisObject(thisValue);
    if (!o) return Value();
    Elements e(m, o);
    std::uint32_t len = e.length();
    auto count = static_cast<std::uint32_t>(args.size());
    if (static_cast<double>(len) + count > kMaxLength) m.stopScript("Array.unshift : tableau trop long");
    chargeElements(m, static_cast<std::size_t>(len) + count);
    std::vector<Value> values = takeAll(e, len);
    for (std::uint32_t i = len; i > 0; --i) e.set(i - 1 + count, values[i - 1]);
    for (std::uint32_t i = 0; i < count; ++i) e.set(i, args[i]);
    double newLength = static_cast<double>(len) + count;
    e.setLength(newLength);
    return Value::number(newLength);
}

Value arrayReverse(Machine& m, Value thisValue, std::span<const Value>) {
    Object* o = thisObject(thisValue);
    if (!o) return Value();
    Elements e(m, o);
    std::uint32_t len = e.length();
    chargeElements(m, len);
    for (std::uint32_t i = 0, j = len ? len - 1 : 0; i < j; ++i, --j) {
        Value a = e.get(i), b = e.get(j);
        e.set(i, b);
        e.set(j, a);
    }
    return thisValue;
}

Value arrayJoin(Machine& m, Value thisValue, std::span<const Value> args) {
    Object* o = thisObject(thisValue);
    if (!o) return Value();
    std::string sep = args.empty() || args[0].isUndefined() ? std::string(",") : m.toString(args[0]);
    return m.str(joinElements(m, o, sep));
}

Value arrayToString(Machine& m, Value thisValue, std::span<const Value>) {
    Object* o = thisObject(thisValue);
    if (!o) return Value();
    return m.str(joinElements(m, o, ","));
}

Value arrayConcat(Machine& m, Value thisValue, std::span<const Value> args) {
    Object* o = thisObject(thisValue);
    ArrayObject* out = m.newArray();
    auto append = [&](Object* from) {
        Elements e(m, from);
        std::uint32_t len = e.length();
        chargeElements(m, len);
        if (static_cast<double>(out->length()) + len > kMaxLength) m.stopScript("Array.concat : tableau trop long");
        std::uint32_t base = out->length();
        for (std::uint32_t i = 0; i < len; ++i)
            if (e.has(i)) out->set(m, base + i, e.get(i));
        out->setLength(m, static_cast<double>(base) + len);
    };
    if (o) append(o);
    for (const Value& v : args) {
        if (v.isObject() && v.o->kind() == Object::Kind::Array)
            append(v.o);
        else
            out->push(m, v);
    }
    return Value::object(out);
}

Value arraySlice(Machine& m, Value thisValue, std::span<const Value> args) {
    Object* o = thisObject(thisValue);
    if (!o) return Value();
    Elements e(m, o);
    std::uint32_t len = e.length();
    std::uint32_t begin = relativeIndex(integerArg(m, args, 0, 0), len);
    std::uint32_t end = relativeIndex(integerArg(m, args, 1, len), len);
    ArrayObject* out = m.newArray();
    if (end > begin) {
        chargeElements(m, end - begin);
        for (std::uint32_t i = begin; i < end; ++i)
            if (e.has(i)) out->set(m, i - begin, e.get(i));
        out->setLength(m, end - begin);
    }
    return Value::object(out);
}

Value arraySplice(Machine& m, Value thisValue, std::span<const Value> args) {
    Object* o = thisObject(thisValue);
    if (!o || args.empty()) return Value();
    Elements e(m, o);
    std::uint32_t len = e.length();
    std::uint32_t start = relativeIndex(integerArg(m, args, 0, 0), len);
    double wanted = args.size() < 2 ? static_cast<double>(len - start) : integerArg(m, args, 1, 0);
    auto count = static_cast<std::uint32_t>(std::clamp(wanted, 0.0, static_cast<double>(len - start)));
    auto items = args.size() > 2 ? args.subspan(2) : std::span<const Value>();
    auto added = static_cast<std::uint32_t>(items.size());
    if (static_cast<double>(len) - count + added > kMaxLength) m.stopScript("Array.splice : tableau trop long");
    chargeElements(m, static_cast<std::size_t>(len) + added);

    ArrayObject* removed = m.newArray();
    for (std::uint32_t i = 0; i < count; ++i) removed->set(m, i, e.get(start + i));
    removed->setLength(m, count);

    std::uint32_t newLength = len - count + added;
    if (added < count) {
        for (std::uint32_t i = start + count; i < len; ++i) e.set(i - count + added, e.get(i));
        for (std::uint32_t i = len; i > newLength; --i) e.remove(i - 1);
    } else if (added > count) {
        for (std::uint32_t i = len; i > start + count; --i) e.set(i - 1 - count + added, e.get(i - 1));
    }
    for (std::uint32_t i = 0; i < added; ++i) e.set(start + i, items[i]);
    e.setLength(newLength);
    return Value::object(removed);
}

// ---- sorting

// What the comparison of two elements looks at: the value's string (folded
// for CASEINSENSITIVE) and, for numbers, the number (NUMERIC compares two
// numbers as numbers and anything else as strings).
struct SortKey {
    bool isNumber = false;
    double number = 0;
    std::string text;
};

SortKey makeKey(Machine& m, const Value& v, int options) {
    SortKey k;
    k.isNumber = v.isNumber();
    if (k.isNumber) k.number = v.n;
    k.text = m.toString(v);
    if (options & CaseInsensitive) k.text = lowerCaseText(k.text);
    return k;
}

int compareKeys(const SortKey& a, const SortKey& b, int options) {
    int r;
    if ((options & Numeric) && a.isNumber && b.isNumber) {
        bool an = std::isnan(a.number), bn = std::isnan(b.number);
        if (an || bn)
            r = an == bn ? 0 : (an ? 1 : -1);  // NaN after every number
        else
            r = a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    } else {
        int c = a.text.compare(b.text);
        r = c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return (options & Descending) ? -r : r;
}

// The reference player's quicksort (first element as pivot, scans from both
// ends), kept exactly so that a comparison function with side effects, or
// one that is not a consistent order, sees the same calls in the same order
// and leaves the same result. An explicit work list instead of recursion
// keeps the C++ stack flat for any comparator.
template <class Compare>
void referenceQuickSort(Machine& m, std::vector<std::uint32_t>& a, Compare cmp) {
    if (a.size() < 2) return;
    std::vector<std::pair<std::int64_t, std::int64_t>> work{{0, static_cast<std::int64_t>(a.size()) - 1}};
    // A comparison costs a few nanoseconds: one step in 32 is charged, which
    // lets an already sorted array of 10,000 elements (the pivot's worst
    // case, 50 million comparisons) finish and still stops a comparison
    // function that never lets the scans meet.
    std::size_t compared = 0;
    auto compare = [&](std::uint32_t x, std::uint32_t y) {
        if (++compared % 32 == 0) m.chargeSteps(1);
        return cmp(x, y);
    };
    while (!work.empty()) {
        auto [lo, hi] = work.back();
        work.pop_back();
        if (hi <= lo) continue;
        std::uint32_t pivot = a[lo];
        std::int64_t i = lo + 1, j = hi;
        for (;;) {
            while (i < j && compare(pivot, a[i]) > 0) ++i;
            while (j > lo && compare(pivot, a[j]) <= 0) --j;
            if (i >= j) break;
            std::swap(a[i], a[j]);
        }
        std::swap(a[lo], a[j]);
        work.push_back({j + 1, hi});
        work.push_back({lo, j - 1});
    }
}

// Ends a sort: UNIQUESORT gives 0 when two elements compare equal;
// RETURNINDEXEDARRAY gives the sorted order of the indices and leaves the
// array alone; otherwise the array is rewritten in sorted order.
template <class Compare>
Value finishSort(Machine& m, Value thisValue, Elements& e, const std::vector<Value>& values,
                 std::vector<std::uint32_t>& order, int options, Compare cmp) {
    if (options & UniqueSort) {
        for (std::size_t i = 1; i < order.size(); ++i) {
            m.chargeSteps(1);
            double c = cmp(order[i - 1], order[i]);
            if (c == 0) return Value::number(0);
        }
    }
    if (options & ReturnIndexedArray) {
        ArrayObject* out = m.newArray();
        for (std::uint32_t i : order) out->push(m, Value::number(i));
        return Value::object(out);
    }
    for (std::size_t i = 0; i < order.size(); ++i) e.set(static_cast<std::uint32_t>(i), values[order[i]]);
    return thisValue;
}

std::vector<Value> readAll(Machine& m, Elements& e) {
    std::uint32_t len = e.length();
    chargeElements(m, len);  // stops the script before a huge sparse array is read
    std::vector<Value> values;
    values.reserve(len);
    for (std::uint32_t i = 0; i < len; ++i) values.push_back(e.get(i));
    return values;
}

int optionsArg(Machine& m, const Value& v) {
    double n = m.toNumber(v);
    return std::isnan(n) ? 0 : static_cast<int>(toInt32(n));
}

Value arraySort(Machine& m, Value thisValue, std::span<const Value> args) {
    Object* o = thisObject(thisValue);
    if (!o) return Value();
    Value compareFn;
    int options = 0;
    if (!args.empty()) {
        const Value& first = args[0];
        if (isFunction(first))
            compareFn = first;
        else if (first.isNumber())
            options = optionsArg(m, first);
        else if (!first.isObject())
            return Value();  // undefined, null, a boolean, a string
        if (args.size() > 1 && !args[1].isUndefined()) options = optionsArg(m, args[1]);
    }
    Elements e(m, o);
    std::vector<Value> values = readAll(m, e);
    std::vector<std::uint32_t> order(values.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;

    if (!compareFn.isUndefined()) {
        auto cmp = [&](std::uint32_t x, std::uint32_t y) -> double {
            Value pair[2] = {values[x], values[y]};
            double r = m.toNumber(m.call(compareFn, Value(), pair));
            return (options & Descending) ? -r : r;
        };
        referenceQuickSort(m, order, cmp);
        return finishSort(m, thisValue, e, values, order, options, cmp);
    }
    std::vector<SortKey> keys;
    keys.reserve(values.size());
    for (const Value& v : values) keys.push_back(makeKey(m, v, options));
    auto cmp = [&](std::uint32_t x, std::uint32_t y) -> double { return compareKeys(keys[x], keys[y], options); };
    referenceQuickSort(m, order, cmp);
    return finishSort(m, thisValue, e, values, order, options, cmp);
}

// The value sortOn compares for one field: an object's own property (a
// plain one: inherited values and getters are not looked at), or the
// element itself when it is not an object.
Value fieldOf(Machine& m, const Value& element, const std::string& field) {
    if (!element.isObject()) return element;
    Object* o = element.o;
    if (const Property* p = o->findOwn(field, m.caseSensitive()); p && !p->accessor()) return p->value;
    Value out;
    if (o->getVirtual(m, field, out)) return out;
    return Value();
}

Value arraySortOn(Machine& m, Value thisValue, std::span<const Value> args) {
    Object* o = thisObject(thisValue);
    if (!o || args.empty()) return Value();
    std::vector<std::string> fields;
    if (args[0].isObject() && args[0].o->kind() == Object::Kind::Array) {
        Elements names(m, args[0].o);
        std::uint32_t n = names.length();
        chargeElements(m, n);
        for (std::uint32_t i = 0; i < n; ++i) fields.push_back(m.toString(names.get(i)));
    } else {
        fields.push_back(m.toString(args[0]));
    }
    if (fields.empty()) return thisValue;

    // One set of options per field: a number applies to every field, an
    // array applies only when it has exactly one entry per field.
    std::vector<int> fieldOptions(fields.size(), 0);
    if (args.size() > 1) {
        const Value& f = args[1];
        if (f.isObject() && f.o->kind() == Object::Kind::Array) {
            Elements list(m, f.o);
            if (list.length() == fields.size())
                for (std::uint32_t i = 0; i < fields.size(); ++i) fieldOptions[i] = optionsArg(m, list.get(i));
        } else if (!f.isUndefined()) {
            std::fill(fieldOptions.begin(), fieldOptions.end(), optionsArg(m, f));
        }
    }
    int options = fieldOptions[0];  // UNIQUESORT and RETURNINDEXEDARRAY come from the first field

    Elements e(m, o);
    std::vector<Value> values = readAll(m, e);
    chargeElements(m, values.size() * fields.size());
    std::vector<std::vector<SortKey>> keys(fields.size());
    for (std::size_t f = 0; f < fields.size(); ++f) {
        keys[f].reserve(values.size());
        for (const Value& v : values) keys[f].push_back(makeKey(m, fieldOf(m, v, fields[f]), fieldOptions[f]));
    }
    std::vector<std::uint32_t> order(values.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    auto cmp = [&](std::uint32_t x, std::uint32_t y) -> double {
        for (std::size_t f = 0; f < fields.size(); ++f)
            if (int c = compareKeys(keys[f][x], keys[f][y], fieldOptions[f])) return c;
        return 0;
    };
    referenceQuickSort(m, order, cmp);
    return finishSort(m, thisValue, e, values, order, options, cmp);
}

}  // namespace

void installArray(Realm& realm) {
    FunctionObject* ctor = realm.defineClass("Array", arrayCall, arrayConstruct, realm.arrayProto);
    realm.arrayCtor = ctor;
    const std::pair<const char*, int> constants[] = {
        {"CASEINSENSITIVE", CaseInsensitive},       {"DESCENDING", Descending}, {"UNIQUESORT", UniqueSort},
        {"RETURNINDEXEDARRAY", ReturnIndexedArray}, {"NUMERIC", Numeric},
    };
    for (const auto& [name, value] : constants)
        realm.defineValue(ctor, name, Value::number(value), DontEnum | DontDelete | ReadOnly);

    Object* proto = realm.arrayProto;
    static constexpr Realm::Method methods[] = {
        {"push", arrayPush},       {"pop", arrayPop},       {"shift", arrayShift},       {"unshift", arrayUnshift},
        {"reverse", arrayReverse}, {"join", arrayJoin},     {"toString", arrayToString}, {"concat", arrayConcat},
        {"slice", arraySlice},     {"splice", arraySplice}, {"sort", arraySort},         {"sortOn", arraySortOn},
    };
    realm.defineMethods(proto, methods);
}

}  // namespace swf::script
