// XMLNode and XML: a tree of nodes built by parseXML or by the create and
// append methods, shown again by toString.
//
// A node's tree links live in an XmlNode cell attached to the script object
// (Object::nativeData), so `new` on a script subclass of XMLNode or XML
// gets a node too. The parser and toString walk with explicit stacks, never
// recursion, so a hostile document of any depth costs heap, not C++ stack;
// every node made is charged as a step, and the heap budget is checked as
// the tree grows.
#include <algorithm>
#include <string>
#include <vector>

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/xml_node.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

using namespace xml;

// ---------------------------------------------------------------- XMLNode

Value xmlNodeCall(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    int type = args.empty() ? kElement : m.toInt32(args[0]);
    XmlNode* n = attachNode(m, self.o, type);
    if (args.size() > 1) {
        Value text = m.str(m.toString(args[1]));
        (type == kText ? n->value : n->name) = text;
    }
    return Value();
}

Value getType(Machine&, Value self, std::span<const Value>) {
    XmlNode* n = nodeOf(self);
    return n ? Value::number(n->type) : Value();
}

Value getName(Machine&, Value self, std::span<const Value>) {
    XmlNode* n = nodeOf(self);
    return n ? n->name : Value();
}

Value setName(Machine& m, Value self, std::span<const Value> args) {
    XmlNode* n = nodeOf(self);
    if (n && !args.empty())
        n->name = args[0].isNull() || args[0].isUndefined() ? Value::null() : m.str(m.toString(args[0]));
    return Value();
}

Value getValue(Machine&, Value self, std::span<const Value>) {
    XmlNode* n = nodeOf(self);
    return n ? n->value : Value();
}

Value setValue(Machine& m, Value self, std::span<const Value> args) {
    XmlNode* n = nodeOf(self);
    if (n && !args.empty())
        n->value = args[0].isNull() || args[0].isUndefined() ? Value::null() : m.str(m.toString(args[0]));
    return Value();
}

Value linkOrNull(Object* o) { return o ? Value::object(o) : Value::null(); }

Value getParent(Machine&, Value self, std::span<const Value>) {
    XmlNode* n = nodeOf(self);
    return n ? linkOrNull(n->parent) : Value();
}

Value getFirstChild(Machine&, Value self, std::span<const Value>) {
    XmlNode* n = nodeOf(self);
    if (!n) return Value();
    return linkOrNull(n->children.empty() ? nullptr : n->children.front());
}

Value getLastChild(Machine&, Value self, std::span<const Value>) {
    XmlNode* n = nodeOf(self);
    if (!n) return Value();
    return linkOrNull(n->children.empty() ? nullptr : n->children.back());
}

// The sibling `offset` places away (-1 previous, +1 next).
Value sibling(Value self, int offset) {
    XmlNode* n = nodeOf(self);
    if (!n) return Value();
    XmlNode* p = nodeOf(n->parent);
    if (!p) return Value::null();
    auto it = std::find(p->children.begin(), p->children.end(), n->self);
    if (it == p->children.end()) return Value::null();
    std::ptrdiff_t i = (it - p->children.begin()) + offset;
    if (i < 0 || i >= static_cast<std::ptrdiff_t>(p->children.size())) return Value::null();
    return Value::object(p->children[static_cast<std::size_t>(i)]);
}

Value getNext(Machine&, Value self, std::span<const Value>) { return sibling(self, 1); }
Value getPrevious(Machine&, Value self, std::span<const Value>) { return sibling(self, -1); }

Value getChildNodes(Machine& m, Value self, std::span<const Value>) {
    XmlNode* n = nodeOf(self);
    if (!n) return Value();
    if (!n->childArray) {
        n->childArray = m.newArray();
        refreshChildArray(m, n);
    }
    return Value::object(n->childArray);
}

Value getAttributes(Machine&, Value self, std::span<const Value>) {
    XmlNode* n = nodeOf(self);
    return n && n->attributes ? Value::object(n->attributes) : Value();
}

Value setAttributes(Machine&, Value self, std::span<const Value> args) {
    XmlNode* n = nodeOf(self);
    if (n && !args.empty() && args[0].isObject()) n->attributes = args[0].o;
    return Value();
}

// "pre:local" splits into the prefix and the local name.
Value getPrefix(Machine& m, Value self, std::span<const Value>) {
    XmlNode* n = nodeOf(self);
    if (!n) return Value();
    if (!n->name.isString()) return Value::null();
    std::string_view name = n->name.str();
    std::size_t colon = name.find(':');
    return m.str(colon == std::string_view::npos ? std::string_view() : name.substr(0, colon));
}

Value getLocalName(Machine& m, Value self, std::span<const Value>) {
    XmlNode* n = nodeOf(self);
    if (!n) return Value();
    if (!n->name.isString()) return Value::null();
    std::string_view name = n->name.str();
    std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? n->name : m.str(name.substr(colon + 1));
}

// An attribute that declares a namespace: "xmlns" followed by ":prefix"
// declares that prefix; "xmlns" followed by anything else, the default one ("").
bool declaresNamespace(std::string_view attr, std::string_view& prefix) {
    if (!attr.starts_with("xmlns")) return false;
    std::string_view rest = attr.substr(5);
    prefix = rest.size() > 1 && rest[0] == ':' ? rest.substr(1) : std::string_view();
    return true;
}

// Walks the node and its ancestors, each one's namespace declarations in
// text order, until `match(prefix, uri)` says stop; returns the declaration's attribute value.
template <class Match>
Value findNamespace(Machine& m, XmlNode* n, Match match) {
    std::size_t steps = 0;
    for (XmlNode* p = n; p; p = nodeOf(p->parent)) {
        if ((++steps & 255) == 0) m.chargeSteps(256);
        if (!p->attributes) continue;
        for (const std::string& key : m.enumerate(p->attributes)) {
            std::string_view prefix;
            if (!declaresNamespace(key, prefix)) continue;
            Value uri = m.get(p->attributes, key);
            if (match(prefix, uri)) return Value::string(m.toStr(uri));
        }
    }
    return Value::null();
}

std::string prefixOfName(XmlNode* n) {
    if (!n->name.isString()) return {};
    std::string_view name = n->name.str();
    std::size_t colon = name.find(':');
    return std::string(colon == std::string_view::npos ? std::string_view() : name.substr(0, colon));
}

Value getNamespaceUri(Machine& m, Value self, std::span<const Value>) {
    XmlNode* n = nodeOf(self);
    if (!n) return Value();
    if (!n->name.isString()) return Value::null();
    std::string want = prefixOfName(n);
    return findNamespace(m, n, [&](std::string_view prefix, Value) { return prefix == want; });
}

Value namespaceForPrefix(Machine& m, Value self, std::span<const Value> args) {
    XmlNode* n = nodeOf(self);
    if (!n) return Value();
    std::string want = args.empty() ? std::string() : m.toString(args[0]);
    return findNamespace(m, n, [&](std::string_view prefix, Value) { return prefix == want; });
}

Value prefixForNamespace(Machine& m, Value self, std::span<const Value> args) {
    XmlNode* n = nodeOf(self);
    if (!n) return Value();
    std::string want = args.empty() ? std::string() : m.toString(args[0]);
    std::string found;
    Value uri = findNamespace(m, n, [&](std::string_view prefix, Value v) {
        if (m.toString(v) != want) return false;
        found = prefix;
        return true;
    });
    return uri.isNull() ? uri : m.str(found);
}

Value appendChild(Machine& m, Value self, std::span<const Value> args) {
    XmlNode* n = nodeOf(self);
    XmlNode* child = args.empty() ? nullptr : nodeOf(args[0]);
    // A node already under this one stays where it is.
    if (!n || !child || child->parent == n->self || isSelfOrAncestor(m, n, child)) return Value();
    detach(m, child);
    insertChild(m, n, child, n->children.size());
    return Value();
}

Value insertBefore(Machine& m, Value self, std::span<const Value> args) {
    XmlNode* n = nodeOf(self);
    XmlNode* child = args.empty() ? nullptr : nodeOf(args[0]);
    XmlNode* before = args.size() < 2 ? nullptr : nodeOf(args[1]);
    if (!n || !child || !before || child == before || before->parent != n->self || child->parent == n->self ||
        isSelfOrAncestor(m, n, child))
        return Value();
    detach(m, child);
    auto it = std::find(n->children.begin(), n->children.end(), before->self);
    insertChild(m, n, child, static_cast<std::size_t>(it - n->children.begin()));
    return Value();
}

Value removeNode(Machine& m, Value self, std::span<const Value>) {
    if (XmlNode* n = nodeOf(self)) detach(m, n);
    return Value();
}

Value hasChildNodes(Machine&, Value self, std::span<const Value>) {
    XmlNode* n = nodeOf(self);
    return n ? Value::boolean(!n->children.empty()) : Value();
}

XmlNode* cloneOne(Machine& m, XmlNode* from) {
    XmlNode* n = makeNode(m, from->type, nullptr);
    n->name = from->name;
    n->value = from->value;
    if (from->attributes) {
        // enumerate() lists the newest first: written back in reverse, the copy enumerates alike.
        std::vector<std::string> keys = m.enumerate(from->attributes);
        for (auto it = keys.rbegin(); it != keys.rend(); ++it)
            n->attributes->define(m.heap(), *it, m.get(from->attributes, *it), 0, m.caseSensitive());
    }
    return n;
}

Value cloneNode(Machine& m, Value self, std::span<const Value> args) {
    XmlNode* src = nodeOf(self);
    if (!src) return Value();
    bool deep = !args.empty() && m.toBoolean(args[0]);
    XmlNode* root = cloneOne(m, src);
    if (deep) {
        std::vector<std::pair<XmlNode*, XmlNode*>> work{{src, root}};
        while (!work.empty()) {
            auto [from, to] = work.back();
            work.pop_back();
            for (Object* c : from->children) {
                XmlNode* fc = nodeOf(c);
                if (!fc) continue;
                XmlNode* copy = cloneOne(m, fc);
                to->children.push_back(copy->self);
                copy->parent = to->self;
                work.emplace_back(fc, copy);
            }
            if (m.heap().overBudget()) m.stopScript("mémoire des scripts épuisée");
        }
    }
    return Value::object(root->self);
}

Value nodeToString(Machine& m, Value self, std::span<const Value>) {
    XmlNode* n = nodeOf(self);
    if (!n) return m.str("[object Object]");
    // A document prints its declaration and doctype ahead of the tree.
    std::string out;
    for (const char* extra : {"xmlDecl", "docTypeDecl"}) {
        Value v = m.get(self.o, extra);
        if (v.isString()) out += v.str();
    }
    out += nodeText(m, n);
    return m.str(std::move(out));
}

// ---------------------------------------------------------------- XML

Value xmlCall(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    XmlNode* doc = attachNode(m, self.o, kElement);
    if (!args.empty() && !args[0].isUndefined() && !args[0].isNull()) {
        std::string text = m.toString(args[0]);
        parseInto(m, self.o, doc, text);
    }
    return Value();
}

Value parseXML(Machine& m, Value self, std::span<const Value> args) {
    XmlNode* doc = nodeOf(self);
    if (!doc) return Value();
    std::string text = args.empty() ? std::string() : m.toString(args[0]);
    parseInto(m, self.o, doc, text);
    return Value();
}

Value createElement(Machine& m, Value, std::span<const Value> args) {
    const Str* name = args.empty() ? nullptr : m.toStr(args[0]);
    return Value::object(makeNode(m, kElement, name)->self);
}

Value createTextNode(Machine& m, Value, std::span<const Value> args) {
    const Str* text = args.empty() ? nullptr : m.toStr(args[0]);
    return Value::object(makeNode(m, kText, text)->self);
}

// The id map survives new parses, which add to it.
Value getIdMap(Machine& m, Value self, std::span<const Value>) {
    XmlNode* doc = nodeOf(self);
    if (!doc) return Value();
    if (!doc->idMap) doc->idMap = m.newObject();
    return Value::object(doc->idMap);
}

Value setIdMap(Machine&, Value self, std::span<const Value> args) {
    XmlNode* doc = nodeOf(self);
    if (doc && !args.empty() && args[0].isObject()) doc->idMap = args[0].o;
    return Value();
}

Value zero(Machine&, Value, std::span<const Value>) { return Value::number(0); }
Value nothing(Machine&, Value, std::span<const Value>) { return Value(); }
Value refuse(Machine&, Value, std::span<const Value>) { return Value::boolean(false); }

// onData(text): undefined means the load failed; otherwise the text is parsed.
Value onData(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject()) return Value();
    Value text = args.empty() ? Value() : args[0];
    Value loaded = Value::boolean(!text.isUndefined());
    if (!text.isUndefined()) {
        std::vector<Value> one{text};
        m.callMethod(self, "parseXML", one);
    }
    m.set(self.o, "loaded", loaded);
    std::vector<Value> one{loaded};
    m.callMethod(self, "onLoad", one);
    return Value();
}

// XMLSocket: this engine opens no connection, so connect() fails at once.
Value socketConnect(Machine&, Value, std::span<const Value>) { return Value::boolean(false); }

// onData(text) parses the text into a new XML document for onXML.
Value socketOnData(Machine& m, Value self, std::span<const Value> args) {
    Value doc = m.construct(Value::object(m.realm().xmlCtor), args.empty() ? args : args.first(1));
    std::vector<Value> one{doc};
    m.callMethod(self, "onXML", one);
    return Value();
}

}  // namespace

void installXml(Realm& realm) {
    Machine& m = realm.machine;
    realm.xmlNodeCtor = realm.defineClass("XMLNode", xmlNodeCall, nullptr, nullptr);
    Object* nodeProto = prototypeOf(m, realm.xmlNodeCtor);
    static constexpr Realm::Method nodeMethods[] = {
        {"appendChild", appendChild},
        {"cloneNode", cloneNode},
        {"hasChildNodes", hasChildNodes},
        {"insertBefore", insertBefore},
        {"removeNode", removeNode},
        {"toString", nodeToString},
        {"getNamespaceForPrefix", namespaceForPrefix},
        {"getPrefixForNamespace", prefixForNamespace},
    };
    realm.defineMethods(nodeProto, nodeMethods);
    struct Accessor {
        const char* name;
        NativeFn get;
        NativeFn set;
    };
    static constexpr Accessor accessors[] = {
        {"nodeType", getType, nullptr},
        {"nodeName", getName, setName},
        {"nodeValue", getValue, setValue},
        {"parentNode", getParent, nullptr},
        {"firstChild", getFirstChild, nullptr},
        {"lastChild", getLastChild, nullptr},
        {"nextSibling", getNext, nullptr},
        {"previousSibling", getPrevious, nullptr},
        {"childNodes", getChildNodes, nullptr},
        {"attributes", getAttributes, setAttributes},
        {"prefix", getPrefix, nullptr},
        {"localName", getLocalName, nullptr},
        {"namespaceURI", getNamespaceUri, nullptr},
    };
    for (const Accessor& a : accessors) realm.defineAccessor(nodeProto, a.name, a.get, a.set);

    Object* xmlProto = m.heap().make<Object>(nodeProto);
    realm.xmlCtor = realm.defineClass("XML", xmlCall, nullptr, xmlProto);
    static constexpr Realm::Method xmlMethods[] = {
        {"createElement", createElement},
        {"createTextNode", createTextNode},
        {"parseXML", parseXML},
        {"getBytesLoaded", zero},
        {"getBytesTotal", zero},
        {"addRequestHeader", nothing},
        {"load", refuse},
        {"send", refuse},
        {"sendAndLoad", refuse},
        {"onLoad", nothing},
        {"onData", onData},
    };
    realm.defineMethods(xmlProto, xmlMethods);
    realm.defineValue(xmlProto, "contentType", m.str("application/x-www-form-urlencoded"));
    realm.defineValue(xmlProto, "ignoreWhite", Value::boolean(false));
    realm.defineAccessor(xmlProto, "idMap", getIdMap, setIdMap, kBuiltinFlags | OnlyV8);

    static constexpr Realm::Method socketMethods[] = {
        {"connect", socketConnect},
        {"send", nothing},
        {"close", nothing},
        {"onData", socketOnData},
    };
    realm.defineClass("XMLSocket", nothing, nullptr, nullptr, socketMethods);
}

}  // namespace swf::script
