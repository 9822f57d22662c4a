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

#include "swf/script/utf8.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

constexpr int kElement = 1;
constexpr int kText = 3;

// Status codes parseXML leaves in `status`, as the reference player numbers them.
enum ParseStatus {
    kOk = 0,
    kCdataUnterminated = -2,
    kDeclUnterminated = -3,
    kDoctypeUnterminated = -4,
    kCommentUnterminated = -5,
    kMalformedElement = -6,
    kAttributeUnterminated = -8,
    kStartWithoutEnd = -9,
    kEndWithoutStart = -10,
};

class XmlNode final : public Cell {
public:
    explicit XmlNode(Object* self) : self(self) {}
    Object* self;  // the script object this node belongs to
    int type = kElement;
    Value name;   // nodeName: a string, or null (documents, text nodes)
    Value value;  // nodeValue: a string, or null (elements)
    Object* parent = nullptr;
    std::vector<Object*> children;
    Object* attributes = nullptr;
    ArrayObject* childArray = nullptr;  // childNodes, made on first read, rebuilt when the children change
    Object* idMap = nullptr;            // documents: the elements parsed with an `id` attribute, by id

    void trace(Tracer& t) const override {
        t.mark(self);
        t.markValue(name);
        t.markValue(value);
        t.mark(parent);
        for (Object* c : children) t.mark(c);
        t.mark(attributes);
        t.mark(childArray);
        t.mark(idMap);
    }
    std::size_t extraBytes() const override { return children.capacity() * sizeof(Object*); }
};

XmlNode* nodeOf(Object* o) { return o ? dynamic_cast<XmlNode*>(o->nativeData()) : nullptr; }
XmlNode* nodeOf(Value v) { return v.isObject() ? nodeOf(v.o) : nullptr; }

// Gives `self` a fresh node (its old children, if any, are left alone).
XmlNode* attachNode(Machine& m, Object* self, int type) {
    XmlNode* n = m.heap().make<XmlNode>(self);
    n->type = type;
    n->name = Value::null();
    n->value = Value::null();
    n->attributes = m.newObject();
    self->setNativeData(n);
    return n;
}

Object* prototypeOf(Machine& m, FunctionObject* ctor) {
    Value p = ctor ? m.get(ctor, "prototype") : Value();
    return p.isObject() ? p.o : m.realm().objectProto;
}

// A node as XMLNode's constructor would make it: an element named `text`
// or a text node holding it.
XmlNode* makeNode(Machine& m, int type, const Str* text) {
    Object* o = m.heap().make<Object>(prototypeOf(m, m.realm().xmlNodeCtor));
    XmlNode* n = attachNode(m, o, type);
    if (text) (type == kText ? n->value : n->name) = Value::string(text);
    m.chargeSteps(1);
    return n;
}

void refreshChildArray(Machine& m, XmlNode* n) {
    if (!n->childArray) return;
    m.chargeSteps(n->children.size());
    n->childArray->setLength(m, 0);
    for (Object* c : n->children) n->childArray->push(m, Value::object(c));
}

void detach(Machine& m, XmlNode* child) {
    XmlNode* p = nodeOf(child->parent);
    child->parent = nullptr;
    if (!p) return;
    auto it = std::find(p->children.begin(), p->children.end(), child->self);
    if (it != p->children.end()) p->children.erase(it);
    refreshChildArray(m, p);
}

// Is `maybe` this node or one of its ancestors? (Moving it under the node would make a loop.)
bool isSelfOrAncestor(Machine& m, XmlNode* node, XmlNode* maybe) {
    std::size_t steps = 0;
    for (XmlNode* p = node; p; p = nodeOf(p->parent)) {
        if (p == maybe) return true;
        if ((++steps & 1023) == 0) m.chargeSteps(1024);
    }
    return false;
}

void insertChild(Machine& m, XmlNode* parent, XmlNode* child, std::size_t index) {
    index = std::min(index, parent->children.size());
    parent->children.insert(parent->children.begin() + static_cast<std::ptrdiff_t>(index), child->self);
    child->parent = parent->self;
    if (parent->children.size() == parent->children.capacity()) m.heap().charge(sizeof(Object*) * 8);
    refreshChildArray(m, parent);
}

void removeAllChildren(Machine& m, XmlNode* n) {
    for (Object* c : n->children)
        if (XmlNode* cn = nodeOf(c)) cn->parent = nullptr;
    n->children.clear();
    refreshChildArray(m, n);
}

// ---------------------------------------------------------------- parsing

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Replaces the five named entities and numeric references; anything else stays as written.
std::string decodeEntities(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        std::size_t semi = s.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out += '&';
            continue;
        }
        std::string_view ent = s.substr(i + 1, semi - i - 1);
        std::string rep;
        if (ent == "lt")
            rep = "<";
        else if (ent == "gt")
            rep = ">";
        else if (ent == "amp")
            rep = "&";
        else if (ent == "quot")
            rep = "\"";
        else if (ent == "apos")
            rep = "'";
        else if (ent.size() > 1 && ent[0] == '#') {
            bool hex = ent[1] == 'x' || ent[1] == 'X';
            std::string_view digits = ent.substr(hex ? 2 : 1);
            std::uint32_t cp = 0;
            bool ok = !digits.empty();
            for (char c : digits) {
                int d = (c >= '0' && c <= '9')          ? c - '0'
                        : hex && (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : hex && (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                        : -1;
                if (d < 0 || cp > 0x10FFFF) {
                    ok = false;
                    break;
                }
                cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
            }
            if (ok && cp > 0 && cp <= 0x10FFFF) appendUtf8(rep, cp);
        }
        if (rep.empty()) {
            out += '&';
            continue;
        }
        out += rep;
        i = semi;
    }
    return out;
}

class Parser {
public:
    Parser(Machine& m, XmlNode* doc, std::string_view text, bool ignoreWhite)
        : m_(m), doc_(doc), s_(text), ignoreWhite_(ignoreWhite) {}

    int run() {
        std::vector<XmlNode*> open{doc_};
        std::size_t i = 0;
        while (i < s_.size()) {
            if (s_[i] != '<') {
                std::size_t lt = s_.find('<', i);
                if (lt == std::string_view::npos) lt = s_.size();
                addText(open.back(), decodeEntities(s_.substr(i, lt - i)));
                i = lt;
                continue;
            }
            std::string_view rest = s_.substr(i);
            if (rest.starts_with("<!--")) {
                std::size_t end = s_.find("-->", i + 4);
                if (end == std::string_view::npos) return kCommentUnterminated;
                i = end + 3;
            } else if (rest.starts_with("<![CDATA[")) {
                std::size_t end = s_.find("]]>", i + 9);
                if (end == std::string_view::npos) return kCdataUnterminated;
                addNode(open.back(), kText, std::string(s_.substr(i + 9, end - i - 9)));
                i = end + 3;
            } else if (rest.starts_with("<!")) {
                std::size_t end = s_.find('>', i);
                if (end == std::string_view::npos) return kDoctypeUnterminated;
                doctype_ = std::string(s_.substr(i, end + 1 - i));
                hasDoctype_ = true;
                i = end + 1;
            } else if (rest.starts_with("<?")) {
                std::size_t end = s_.find("?>", i);
                if (end == std::string_view::npos) return kDeclUnterminated;
                decl_ += s_.substr(i, end + 2 - i);
                hasDecl_ = true;
                i = end + 2;
            } else if (rest.starts_with("</")) {
                std::size_t end = s_.find('>', i);
                if (end == std::string_view::npos) return kMalformedElement;
                std::string_view name = s_.substr(i + 2, end - i - 2);
                while (!name.empty() && isSpace(name.back())) name.remove_suffix(1);
                if (open.size() < 2 || open.back()->name.isNull() || open.back()->name.str() != name)
                    return kEndWithoutStart;
                open.pop_back();
                i = end + 1;
            } else {
                int status = element(open, i);
                if (status != kOk) return status;
            }
        }
        return open.size() > 1 ? kStartWithoutEnd : kOk;
    }

    bool hasDecl_ = false, hasDoctype_ = false;
    std::string decl_, doctype_;

private:
    XmlNode* addNode(XmlNode* parent, int type, std::string text) {
        XmlNode* n = makeNode(m_, type, m_.makeStr(std::move(text)));
        parent->children.push_back(n->self);
        n->parent = parent->self;
        if ((++made_ & 255) == 0 && m_.heap().overBudget()) m_.stopScript("mémoire des scripts épuisée");
        return n;
    }

    void addText(XmlNode* parent, std::string text) {
        if (ignoreWhite_ && std::all_of(text.begin(), text.end(), isSpace)) return;
        if (text.empty()) return;
        addNode(parent, kText, std::move(text));
    }

    // An element's start tag at s_[i] ('<'): the node, its attributes, and
    // whether it stays open for children.
    int element(std::vector<XmlNode*>& open, std::size_t& i) {
        std::size_t k = i + 1;
        auto nameEnd = [&](char c) { return isSpace(c) || c == '/' || c == '>' || c == '='; };
        std::size_t start = k;
        while (k < s_.size() && !nameEnd(s_[k])) ++k;
        if (k == start || k >= s_.size()) return kMalformedElement;
        XmlNode* n = addNode(open.back(), kElement, std::string(s_.substr(start, k - start)));
        std::vector<std::pair<std::string, std::string>> attrs;
        std::size_t pending = 0;
        for (;;) {
            while (k < s_.size() && isSpace(s_[k])) ++k;
            if (k >= s_.size()) return kMalformedElement;
            if (s_[k] == '>') {
                open.push_back(n);
                ++k;
                break;
            }
            if (s_[k] == '/') {
                if (k + 1 >= s_.size() || s_[k + 1] != '>') return kMalformedElement;
                k += 2;
                break;
            }
            std::size_t an = k;
            while (k < s_.size() && !nameEnd(s_[k])) ++k;
            if (k == an) return kMalformedElement;
            std::string attrName(s_.substr(an, k - an));
            while (k < s_.size() && isSpace(s_[k])) ++k;
            if (k >= s_.size() || s_[k] != '=') return kMalformedElement;
            ++k;
            while (k < s_.size() && isSpace(s_[k])) ++k;
            if (k >= s_.size() || (s_[k] != '"' && s_[k] != '\'')) return kMalformedElement;
            std::size_t close = s_.find(s_[k], k + 1);
            if (close == std::string_view::npos) return kAttributeUnterminated;
            attrs.emplace_back(std::move(attrName), decodeEntities(s_.substr(k + 1, close - k - 1)));
            k = close + 1;
            m_.chargeSteps(1);
            // The pending attributes count against the heap budget before they reach it.
            pending += attrs.back().first.size() + attrs.back().second.size() + sizeof(attrs[0]);
            if ((attrs.size() & 1023) == 0 && m_.heap().bytes() + pending > m_.heap().budget())
                m_.stopScript("mémoire des scripts épuisée");
        }
        // Written last to first: for..in lists the newest first, so the
        // attributes enumerate (and print) in the order of the text.
        for (auto it = attrs.rbegin(); it != attrs.rend(); ++it) {
            if (n->attributes->findOwn(it->first, m_.caseSensitive())) continue;
            if (it->first == "id") {
                if (!doc_->idMap) doc_->idMap = m_.newObject();
                doc_->idMap->define(m_.heap(), it->second, Value::object(n->self), 0, m_.caseSensitive());
            }
            n->attributes->define(m_.heap(), it->first, m_.str(std::move(it->second)), 0, m_.caseSensitive());
        }
        i = k;
        return kOk;
    }

    Machine& m_;
    XmlNode* doc_;
    std::string_view s_;
    bool ignoreWhite_;
    std::size_t made_ = 0;
};

void parseInto(Machine& m, Object* self, XmlNode* doc, std::string_view text) {
    removeAllChildren(m, doc);
    bool ignoreWhite = m.toBoolean(m.get(self, "ignoreWhite"));
    Parser p(m, doc, text, ignoreWhite);
    int status = p.run();
    refreshChildArray(m, doc);
    if (p.hasDecl_) m.set(self, "xmlDecl", m.str(p.decl_));
    if (p.hasDoctype_) m.set(self, "docTypeDecl", m.str(p.doctype_));
    m.set(self, "status", Value::number(status));
}

// ---------------------------------------------------------------- printing

void appendEscaped(std::string& out, std::string_view s) {
    for (char c : s) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
}

std::string nodeText(Machine& m, XmlNode* root) {
    std::string out;
    struct Step {
        XmlNode* node;
        std::size_t next;  // index of the next child to print
    };
    std::vector<Step> stack;
    auto open = [&](XmlNode* n) {
        m.chargeSteps(1);
        if (out.size() > m.limits().maxStringBytes) m.stopScript("chaîne trop longue");
        if (n->type != kElement) {
            if (!n->value.isNull() && !n->value.isUndefined()) appendEscaped(out, m.toString(n->value));
            return;
        }
        if (!n->name.isNull() && !n->name.isUndefined()) {
            out += '<';
            out += m.toString(n->name);
            if (n->attributes)
                for (const std::string& key : m.enumerate(n->attributes)) {
                    out += ' ';
                    out += key;
                    out += "=\"";
                    appendEscaped(out, m.toString(m.get(n->attributes, key)));
                    out += '"';
                }
            if (n->children.empty()) {
                out += " />";
                return;
            }
            out += '>';
        }
        stack.push_back({n, 0});
    };
    open(root);
    while (!stack.empty()) {
        Step& top = stack.back();
        if (top.next < top.node->children.size()) {
            XmlNode* child = nodeOf(top.node->children[top.next++]);
            if (child) open(child);
            continue;
        }
        XmlNode* n = top.node;
        stack.pop_back();
        if (!n->name.isNull() && !n->name.isUndefined()) {
            out += "</";
            out += m.toString(n->name);
            out += '>';
        }
    }
    return out;
}

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
