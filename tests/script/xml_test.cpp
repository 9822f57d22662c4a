// XML and XMLNode: what parseXML builds from a text, how toString shows a
// tree again, how the tree is rearranged, and what hostile documents cost.
#include <gtest/gtest.h>

#include <string>

#include "tests/script/action_table.h"

namespace swf::script {
namespace {

using namespace test;

// VAR = new XML(TEXT)
void newXml(Asm& a, const char* var, const char* text) {
    a.push({var, text, 1, "XML"}).record(op::NewObject).record(op::SetVariable);
}

// trace(VAR.path.to.member)
void traceMembers(Asm& a, const char* var, std::initializer_list<const char*> path) {
    a.getVariable(var);
    for (const char* p : path) a.getMember(p);
    a.trace();
}

// VAR.parseXML(TEXT); trace(VAR.status)
void parseAndStatus(Asm& a, const char* var, const char* text) {
    a.push({text, 1}).callMethod(var, "parseXML").record(op::Pop);
    traceMembers(a, var, {"status"});
}

TEST(Xml, ParsesAndPrintsAgain) {
    runTable({
        {"elements, attributes in text order, entities, comments dropped, CDATA as text",
         8,
         [](Asm& a) {
             newXml(a, "x", "<a y='2' x=\"1\">t&amp;u&lt;<b/><!-- note --><![CDATA[<raw>]]>&#65;</a>");
             a.getVariable("x").trace();
             traceMembers(a, "x", {"status"});
         },
         {"<a y=\"2\" x=\"1\">t&amp;u&lt;<b />&lt;raw&gt;A</a>", "0"}},
        {"the declaration and doctype are kept beside the tree and printed first",
         8,
         [](Asm& a) {
             newXml(a, "x", "<?xml version=\"1.0\"?><!DOCTYPE a><a/>");
             traceMembers(a, "x", {"xmlDecl"});
             traceMembers(a, "x", {"docTypeDecl"});
             a.getVariable("x").trace();
         },
         {"<?xml version=\"1.0\"?>", "<!DOCTYPE a>", "<?xml version=\"1.0\"?><!DOCTYPE a><a />"}},
        {"node kinds, names and values; the document has no name and no parent",
         8,
         [](Asm& a) {
             newXml(a, "x", "<a>hi</a>");
             traceMembers(a, "x", {"nodeType"});
             traceMembers(a, "x", {"nodeName"});
             traceMembers(a, "x", {"parentNode"});
             traceMembers(a, "x", {"firstChild", "nodeName"});
             traceMembers(a, "x", {"firstChild", "nodeValue"});
             traceMembers(a, "x", {"firstChild", "firstChild", "nodeType"});
             traceMembers(a, "x", {"firstChild", "firstChild", "nodeValue"});
             traceMembers(a, "x", {"firstChild", "firstChild", "nodeName"});
         },
         {"1", "null", "null", "a", "null", "3", "hi", "null"}},
        {"status tells what went wrong, and parseXML replaces the old tree",
         8,
         [](Asm& a) {
             newXml(a, "x", "<a><b/></a>");
             for (const char* bad :
                  {"<a>", "</a>", "<a></b>", "<a x=\"1></a>", "<!-- open", "<a", "<![CDATA[x", "<?xml", "<!DOCTYPE"})
                 parseAndStatus(a, "x", bad);
             parseAndStatus(a, "x", "<c/>");
             a.getVariable("x").trace();
         },
         {"-9", "-10", "-10", "-8", "-5", "-6", "-2", "-3", "-4", "0", "<c />"}},
        {"ignoreWhite drops the text nodes made only of blanks",
         8,
         [](Asm& a) {
             newXml(a, "x", "<a> <b/> x </a>");
             traceMembers(a, "x", {"firstChild", "childNodes", "length"});
             a.getVariable("x").push({"ignoreWhite", true}).record(op::SetMember);
             parseAndStatus(a, "x", "<a> <b/> x </a>");
             traceMembers(a, "x", {"firstChild", "childNodes", "length"});
             a.getVariable("x").trace();
         },
         {"3", "0", "2", "<a><b /> x </a>"}},
    });
}

TEST(Xml, RearrangesTheTree) {
    runTable({
        {"appendChild moves a node from its old parent; an ancestor is refused",
         8,
         [](Asm& a) {
             newXml(a, "x", "<a><b/></a><c/>");
             a.push({"b"}).getVariable("x").getMember("firstChild").getMember("firstChild").record(op::SetVariable);
             a.getVariable("b").push({1}).callMethod("x", "appendChild").record(op::Pop);
             a.getVariable("x").trace();
             traceMembers(a, "b", {"previousSibling", "nodeName"});
             // x is b's parent: appending x under b would make a loop
             a.getVariable("x").push({1}).callMethod("b", "appendChild").record(op::Pop);
             a.getVariable("x").trace();
         },
         {"<a /><c /><b />", "c", "<a /><c /><b />"}},
        {"appending a node already under the parent leaves it in place",
         8,
         [](Asm& a) {
             newXml(a, "x", "<a/><b/>");
             a.getVariable("x").getMember("firstChild").push({1}).callMethod("x", "appendChild").record(op::Pop);
             a.getVariable("x").trace();
         },
         {"<a /><b />"}},
        {"insertBefore, removeNode and createElement/createTextNode",
         8,
         [](Asm& a) {
             newXml(a, "x", "<a/><b/>");
             a.push({"t", "1 < 2", 1}).callMethod("x", "createTextNode").record(op::SetVariable);
             a.getVariable("x").getMember("lastChild").getVariable("t").push({2}).callMethod("x", "insertBefore");
             a.record(op::Pop);
             a.getVariable("x").trace();
             a.push({0}).getVariable("x").getMember("firstChild").push({"removeNode"}).record(op::CallMethod);
             a.record(op::Pop);
             a.getVariable("x").trace();
             a.push({"e", "z", 1}).callMethod("x", "createElement").record(op::SetVariable);
             a.getVariable("e").push({1}).callMethod("x", "appendChild").record(op::Pop);
             a.getVariable("x").trace();
             traceMembers(a, "t", {"nextSibling", "nodeName"});
         },
         {"<a />1 &lt; 2<b />", "1 &lt; 2<b />", "1 &lt; 2<b /><z />", "b"}},
        {"childNodes is one array, rebuilt when the children change",
         8,
         [](Asm& a) {
             newXml(a, "x", "<a/>");
             a.push({"list"}).getVariable("x").getMember("childNodes").record(op::SetVariable);
             a.push({"extra", 1}).callMethod("list", "push").record(op::Pop);
             a.getVariable("list").getMember("length").trace();
             a.push({"b", 1}).callMethod("x", "createElement").push({1}).callMethod("x", "appendChild");
             a.record(op::Pop);
             a.getVariable("list").trace();
             a.getVariable("list").getVariable("x").getMember("childNodes").record(op::StrictEquals).trace();
         },
         {"2", "<a />,<b />", "true"}},
        {"cloneNode copies attributes, and the children only when deep",
         8,
         [](Asm& a) {
             newXml(a, "x", "<a p=\"1\" q=\"2\"><b/></a>");
             a.push({"n"}).getVariable("x").getMember("firstChild").record(op::SetVariable);
             a.push({false, 1}).callMethod("n", "cloneNode").trace();
             a.push({true, 1}).callMethod("n", "cloneNode").trace();
             a.push({true, 1}).callMethod("n", "cloneNode").getMember("parentNode").trace();
         },
         {"<a p=\"1\" q=\"2\" />", "<a p=\"1\" q=\"2\"><b /></a>", "null"}},
        {"parsed nodes take XMLNode.prototype as it is when they are made",
         6,
         [](Asm& a) {
             a.getVariable("XMLNode").push({"prototype", "mark", "mine", 1}).record(op::InitObject);
             a.record(op::SetMember);
             newXml(a, "x", "<a/>");
             traceMembers(a, "x", {"firstChild", "mark"});
             traceMembers(a, "x", {"mark"});
         },
         {"mine", "undefined"}},
    });
}

TEST(Xml, NamespacesIdsAndSockets) {
    runTable({
        {"prefixes resolve through the declarations of the node and its ancestors",
         8,
         [](Asm& a) {
             newXml(a, "x", "<p:a xmlnsq='d2' xmlns:p='u1'><b xmlns='d1'/></p:a>");
             a.push({"a"}).getVariable("x").getMember("firstChild").record(op::SetVariable);
             a.push({"b"}).getVariable("a").getMember("firstChild").record(op::SetVariable);
             traceMembers(a, "a", {"prefix"});
             traceMembers(a, "a", {"localName"});
             traceMembers(a, "a", {"namespaceURI"});
             // "xmlnsq" declares the default namespace, and comes first in a's text
             traceMembers(a, "b", {"namespaceURI"});
             a.push({"p", 1}).callMethod("b", "getNamespaceForPrefix").trace();
             a.push({"u1", 1}).callMethod("b", "getPrefixForNamespace").trace();
             a.push({"d2", 1}).callMethod("b", "getPrefixForNamespace").trace();
             a.push({"nowhere", 1}).callMethod("b", "getPrefixForNamespace").trace();
             traceMembers(a, "x", {"namespaceURI"});
         },
         {"p", "a", "u1", "d1", "u1", "p", "", "null", "null"}},
        {"idMap gathers parsed elements by id, across parses",
         8,
         [](Asm& a) {
             newXml(a, "x", "<a id='one'><b id='two'/></a>");
             a.getVariable("x").getMember("idMap").getMember("two").getVariable("x").getMember("firstChild");
             a.getMember("firstChild").record(op::StrictEquals).trace();
             parseAndStatus(a, "x", "<c id='three'/>");
             a.getVariable("x").getMember("idMap").getMember("one").getMember("nodeName").trace();
             a.getVariable("x").getMember("idMap").getMember("three").getMember("nodeName").trace();
         },
         {"true", "0", "a", "c"}},
        {"idMap belongs to version 8",
         7,
         [](Asm& a) {
             newXml(a, "x", "<a id='one'/>");
             a.getVariable("x").getMember("idMap").trace();
         },
         {"undefined"}},
        {"an XMLSocket cannot connect; its onData hands onXML a parsed document",
         7,
         [](Asm& a) {
             a.push({"s", 0, "XMLSocket"}).record(op::NewObject).record(op::SetVariable);
             a.push({80, "localhost", 2}).callMethod("s", "connect").trace();
             Asm onXml;
             onXml.push({"doc"}).record(op::GetVariable).getMember("firstChild").getMember("nodeName").trace();
             a.getVariable("s").push({"onXML"}).defineFunction("", {"doc"}, onXml).record(op::SetMember);
             a.push({"<hello/>", 1}).callMethod("s", "onData").record(op::Pop);
         },
         {"false", "hello"}},
    });
}

// Runs `text` through parseXML on a machine with these limits; true when it
// ended without passing a bound.
bool parseHostile(const std::string& text, Limits limits, TestHost& host, std::size_t& heapAfter) {
    Machine m(host, 8, limits);
    Value xml = m.construct(m.get(m.realm().global, "XML"), {});
    m.addRoot(xml.o);
    Value fn = m.get(xml, "parseXML");
    Value arg = m.str(text);
    m.callFunction(fn, xml, std::span<const Value>(&arg, 1));
    m.collectGarbage();
    heapAfter = m.heap().bytes();
    return host.warnings.empty();
}

TEST(Xml, HostileDocumentsAreBounded) {
    Limits limits;
    limits.maxStringBytes = 64u << 20;
    limits.maxSteps = 20'000'000;
    {
        // 100 000 nested elements: no recursion, so the parse and the printing both finish
        std::string deep;
        for (int i = 0; i < 100'000; ++i) deep += "<a>";
        TestHost host;
        Machine m(host, 8, limits);
        Value xml = m.construct(m.get(m.realm().global, "XML"), {});
        m.addRoot(xml.o);
        Value arg = m.str(deep);
        m.callFunction(m.get(xml, "parseXML"), xml, std::span<const Value>(&arg, 1));
        EXPECT_EQ(m.toNumber(m.get(xml, "status")), -9);
        Value text = m.callFunction(m.get(xml, "toString"), xml, {});
        // every element but the innermost opens and closes; the innermost is "<a />"
        EXPECT_EQ(m.toString(text).size(), 99'999u * 7 + 5);
        EXPECT_TRUE(host.warnings.empty());
    }
    {
        // two million attributes on one element: stopped by the step bound, the heap stays in budget
        std::string wide = "<a";
        for (int i = 0; i < 2'000'000; ++i) wide += " a" + std::to_string(i) + "=\"\"";
        wide += "/>";
        Limits tight = limits;
        tight.maxSteps = 1'000'000;
        TestHost host;
        std::size_t heap = 0;
        EXPECT_FALSE(parseHostile(wide, tight, host, heap));
        EXPECT_LE(heap, tight.maxHeapBytes);
        // and by the heap budget when the steps allow more
        TestHost host2;
        Limits small = limits;
        small.maxHeapBytes = 16u << 20;
        EXPECT_FALSE(parseHostile(wide, small, host2, heap));
        EXPECT_LE(heap, small.maxHeapBytes + (1u << 20));
    }
    {
        // unterminated pieces end the parse with a status, never a read past the text
        for (const char* cut :
             {"<", "<a ", "<a x", "<a x=", "<a x='", "</", "<!", "<?", "<!--", "&", "&#99999999999;"}) {
            TestHost host;
            std::size_t heap = 0;
            EXPECT_TRUE(parseHostile(cut, limits, host, heap)) << cut;
        }
    }
}

}  // namespace
}  // namespace swf::script
