// The node tree of XMLNode and XML: links, the parser and the printer. Both
// walk with explicit stacks, never recursion, so a hostile document of any
// depth costs heap, not C++ stack; every node made is charged as a step.
#include <algorithm>
#include <string>
#include <vector>

#include "swf/script/builtins/xml_node.h"
#include "swf/script/utf8.h"

namespace swf::script::xml {

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

namespace {

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

}  // namespace

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

namespace {

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

}  // namespace

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

}  // namespace swf::script::xml
