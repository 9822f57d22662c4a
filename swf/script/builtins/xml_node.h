// The node tree behind XMLNode and XML, shared by the class methods
// (xml.cpp) and the parser and printer (xml_tree.cpp). Internal to the
// script machine's built-ins.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "swf/script/machine.h"

namespace swf::script::xml {

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

inline XmlNode* nodeOf(Object* o) { return o ? dynamic_cast<XmlNode*>(o->nativeData()) : nullptr; }
inline XmlNode* nodeOf(Value v) { return v.isObject() ? nodeOf(v.o) : nullptr; }

// Gives `self` a fresh node (its old children, if any, are left alone).
XmlNode* attachNode(Machine& m, Object* self, int type);
// The prototype `new ctor` gives, or Object.prototype.
Object* prototypeOf(Machine& m, FunctionObject* ctor);
// A node as XMLNode's constructor would make it: an element named `text`
// or a text node holding it.
XmlNode* makeNode(Machine& m, int type, const Str* text);
void refreshChildArray(Machine& m, XmlNode* n);
void detach(Machine& m, XmlNode* child);
// Is `maybe` this node or one of its ancestors? (Moving it under the node would make a loop.)
bool isSelfOrAncestor(Machine& m, XmlNode* node, XmlNode* maybe);
void insertChild(Machine& m, XmlNode* parent, XmlNode* child, std::size_t index);
void removeAllChildren(Machine& m, XmlNode* n);
// Replaces the document's children with the parsed text; sets status,
// xmlDecl and docTypeDecl on `self`.
void parseInto(Machine& m, Object* self, XmlNode* doc, std::string_view text);
// The text of a node and its subtree, as toString gives it.
std::string nodeText(Machine& m, XmlNode* root);

}  // namespace swf::script::xml
