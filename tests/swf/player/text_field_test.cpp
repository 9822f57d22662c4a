// Text fields as scripts see them through the player: fields placed by the
// timeline and made by createTextField, their members, formats and HTML,
// their display properties and removal; and the field model on its own
// (format runs, the HTML it reads and prints, hostile input).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "swf/format/action_builder.h"
#include "swf/format/codes.h"
#include "swf/player/html_text.h"
#include "swf/player/player.h"
#include "swf/player/text_field.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using Asm = ActionBuilder;
namespace op = swf::action;

struct Run {
    std::vector<std::string> traces;
    std::unique_ptr<Player> player;
};

// A movie with one field "champ" at depth 1 (and a script on frame 1).
std::unique_ptr<Run> runWithField(const DefineEditText& field, const Asm& script, int version = 8) {
    MovieData m;
    m.header.version = static_cast<std::uint8_t>(version);
    m.tags.push_back(field);
    PlaceObject p = samples::place(1, field.id, 100, 200);
    p.name = "champ";
    m.tags.push_back(p);
    m.tags.push_back(DoAction{script.bytes()});
    m.tags.push_back(ShowFrame{});
    auto run = std::make_unique<Run>();
    run->player = std::make_unique<Player>(std::make_shared<const MovieData>(std::move(m)),
                                           [r = run.get()](std::string_view s) { r->traces.emplace_back(s); });
    return run;
}

DefineEditText plainField() {
    DefineEditText f;
    f.id = 1;
    f.bounds = Rect{0, 2000, 0, 400};
    f.fontHeight = 240;
    f.color = Rgba{0x11, 0x22, 0x33, 255};
    f.initialText = "original";
    f.readOnly = true;
    return f;
}

void traceMember(Asm& a, const char* object, const char* name) { a.getVariable(object).getMember(name).trace(); }
void setMember(Asm& a, const char* object, const char* name, Asm::PushValue v) {
    a.getVariable(object).push({name, v}).record(op::SetMember);
}

TEST(TextFieldScript, TimelineFieldIsReachableByNameWithItsTagSettings) {
    Asm a;
    a.getVariable("champ").trace();
    traceMember(a, "champ", "text");
    traceMember(a, "champ", "textColor");
    traceMember(a, "champ", "type");
    traceMember(a, "champ", "length");
    traceMember(a, "champ", "_x");
    traceMember(a, "champ", "_width");
    traceMember(a, "champ", "variable");
    a.getVariable("champ").getVariable("TextField").record(op::InstanceOf).trace();
    a.push({0}).callMethod("champ", "getDepth").trace();
    auto run = runWithField(plainField(), a);
    EXPECT_EQ(run->traces, (std::vector<std::string>{"_level0.champ", "original", "1122867", "dynamic", "8", "5", "100",
                                                     "null", "true", "-16383"}));
}

TEST(TextFieldScript, MembersConvertAndKeepWhatIsWritten) {
    Asm a;
    setMember(a, "champ", "text", "modifi\xC3\xA9");
    traceMember(a, "champ", "text");
    traceMember(a, "champ", "length");
    setMember(a, "champ", "type", "INPUT");
    traceMember(a, "champ", "type");
    setMember(a, "champ", "type", "autre");
    traceMember(a, "champ", "type");
    setMember(a, "champ", "maxChars", 12.7);
    traceMember(a, "champ", "maxChars");
    setMember(a, "champ", "maxChars", Asm::Undefined{});
    traceMember(a, "champ", "maxChars");
    setMember(a, "champ", "autoSize", true);
    traceMember(a, "champ", "autoSize");
    setMember(a, "champ", "autoSize", "CENTER");
    traceMember(a, "champ", "autoSize");
    setMember(a, "champ", "background", "x");
    traceMember(a, "champ", "background");
    setMember(a, "champ", "textColor", 0xFF00FF);
    a.push({0}).callMethod("champ", "getTextFormat").getMember("color").trace();
    auto run = runWithField(plainField(), a);
    EXPECT_EQ(run->traces, (std::vector<std::string>{"modifié", "7", "input", "input", "12", "null", "left", "center",
                                                     "true", "16711935"}));
}

TEST(TextFieldScript, FormatsApplyToRangesAndHtmlRoundTrips) {
    Asm a;
    setMember(a, "champ", "html", true);
    setMember(a, "champ", "text", "abcd");
    a.push({"f", 0, "TextFormat"}).record(op::NewObject).record(op::SetVariable);
    setMember(a, "f", "bold", true);
    a.getVariable("f").push({3, 1, 3}).callMethod("champ", "setTextFormat").record(op::Pop);
    a.push({2, 1, 2}).callMethod("champ", "getTextFormat").getMember("bold").trace();
    a.push({0}).callMethod("champ", "getTextFormat").getMember("bold").trace();
    a.push({0}).callMethod("champ", "getTextFormat").getMember("size").trace();
    traceMember(a, "champ", "htmlText");
    setMember(a, "champ", "htmlText", "<p align='center'><font color='#ff0000'>x &amp; y</font></p>");
    traceMember(a, "champ", "text");
    traceMember(a, "champ", "htmlText");
    a.push({"-", 3, 1, 3}).callMethod("champ", "replaceText").record(op::Pop);
    traceMember(a, "champ", "text");
    auto run = runWithField(plainField(), a);
    const std::string font =
        "<FONT FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#112233\" LETTERSPACING=\"0\" KERNING=\"0\">";
    EXPECT_EQ(
        run->traces,
        (std::vector<std::string>{
            "true", "null", "12", "<P ALIGN=\"LEFT\">" + font + "a<B>bc</B>d</FONT></P>", "x & y",
            "<P ALIGN=\"CENTER\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#FF0000\" LETTERSPACING=\"0\" "
            "KERNING=\"0\">x &amp; y</FONT></P>",
            "x- y"}));
}

TEST(TextFieldScript, CreateTextFieldPlacesAFieldScriptsCanRemove) {
    Asm a;
    a.push({40.9, 100.2, 20, 10, 5, "neuf", 6}).callMethod("_root", "createTextField").trace();
    a.getVariable("neuf").trace();
    traceMember(a, "neuf", "_x");
    traceMember(a, "neuf", "_width");
    traceMember(a, "neuf", "text");
    a.push({0}).callMethod("neuf", "getDepth").trace();
    setMember(a, "neuf", "_width", 55);
    traceMember(a, "neuf", "_width");
    a.push({0}).callMethod("neuf", "removeTextField").record(op::Pop);
    a.getVariable("neuf").record(op::TypeOf).trace();
    auto run = runWithField(plainField(), a);
    EXPECT_EQ(run->traces,
              (std::vector<std::string>{"_level0.neuf", "_level0.neuf", "10", "100", "", "5", "55", "undefined"}));
    // Before version 8 the method gives nothing back, but the field is made.
    auto v7 = runWithField(plainField(), a, 7);
    ASSERT_GE(v7->traces.size(), 2u);
    EXPECT_EQ(v7->traces[0], "undefined");
    EXPECT_EQ(v7->traces[1], "_level0.neuf");
}

TEST(TextFieldScript, BoundVariableFollowsBothWays) {
    DefineEditText bound = plainField();
    bound.variableName = "v";
    Asm a;
    a.getVariable("v").trace();  // the field gave the variable its text as it was placed
    a.setVariable("v", "depuis la variable");
    traceMember(a, "champ", "text");
    setMember(a, "champ", "text", "depuis le champ");
    a.getVariable("v").trace();
    auto run = runWithField(bound, a);
    for (int i = 0; i < 3; ++i) run->player->tick();  // the once-a-frame sync keeps the field as the script left it
    ASSERT_GE(run->traces.size(), 3u);
    EXPECT_EQ(run->traces[0], "original");
    EXPECT_EQ(run->traces[1], "depuis la variable");
    EXPECT_EQ(run->traces[2], "depuis le champ");
    EXPECT_EQ(run->traces.size(), 3u);
}

TEST(TextFieldModel, HtmlParsingIsBoundedAndSurvivesBrokenMarkup) {
    script::TextFormatData base;
    base.size = 12;
    auto runs =
        parseHtml("<b>gras<i>et italique</b> fin <font size='+3' color='#00ff00'>vert</font>&#233;&bogus;<p", base);
    std::string all;
    for (const auto& r : runs) all += r.text;
    EXPECT_EQ(all, "graset italique fin vert\xC3\xA9&bogus;");
    ASSERT_GE(runs.size(), 3u);
    EXPECT_EQ(runs[0].format.bold, true);
    bool sawGreen = false;
    for (const auto& r : runs)
        if (r.text == "vert") {
            sawGreen = true;
            EXPECT_EQ(r.format.size, 15);
            EXPECT_EQ(r.format.color, 0x00FF00u);
        }
    EXPECT_TRUE(sawGreen);
    // Deep nesting and a flood of tags: bounded, nothing lost of the text.
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<font size='1'>";
    deep += "fond";
    auto deepRuns = parseHtml(deep, base);
    ASSERT_EQ(deepRuns.size(), 1u);
    EXPECT_EQ(deepRuns[0].text, "fond");
    EXPECT_EQ(formatHtml({}, base).find("<P ALIGN=\"LEFT\">"), 0u) << "an empty field prints one empty paragraph";
}

TEST(TextFieldModel, TextIsBoundedAndFormatsStayFewUnderManyChanges) {
    TextField f(Rect{0, 2000, 0, 400});
    f.setText(std::string(TextField::kMaxChars + 100, 'a'));
    EXPECT_EQ(f.length(), int(TextField::kMaxChars));
    f.setText("abcdefgh");
    for (int i = 0; i < 6000; ++i) {
        script::TextFormatData d;
        d.size = i;
        f.setTextFormat(i % 8, i % 8 + 1, d);
    }
    EXPECT_EQ(f.text(), "abcdefgh");
    EXPECT_EQ(f.textFormat(7, 8).size, 5999);
    f.replaceText(-5, 1000, "x\r\ny");
    EXPECT_EQ(f.text(), "x\ry");
    // Newlines become paragraph ends; "\r\n" is one.
    EXPECT_EQ(f.length(), 3);
}

}  // namespace

namespace {

// HTML in, HTML out: the paragraph settings, lists and links a field keeps.
TEST(TextFieldModel, HtmlRoundTripsParagraphSettingsListsAndLinks) {
    struct Case {
        const char* in;
        const char* text;
        const char* html;
    };
    const std::string f =
        "<FONT FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">";
    const Case cases[] = {
        {"<textformat leftmargin='1' rightmargin='2' indent='3' leading='4'>a</textformat>", "a",
         "<TEXTFORMAT LEFTMARGIN=\"1\" RIGHTMARGIN=\"2\" INDENT=\"3\" LEADING=\"4\"><P ALIGN=\"LEFT\">"},
        {"<li>un</li><li>deux</li>", "un\rdeux", "<LI>"},
        {"<a href='http://x' target='_blank'>lien</a>", "lien", "<A HREF=\"http://x\" TARGET=\"_blank\">lien</A>"},
        {"<p>un</p><p align='right'>deux</p>", "un\rdeux", "<P ALIGN=\"RIGHT\">"},
        {"a<br>b", "a\rb", "a</FONT></P><P ALIGN=\"LEFT\">"},
        {"<u>s</u>&lt;&#x41;&gt;", "s<A>", "<U>s</U>&lt;A&gt;"},
    };
    for (const Case& c : cases) {
        TextField field(Rect{0, 2000, 0, 400});
        field.set("html", true);
        field.setHtmlText(c.in);
        EXPECT_EQ(field.text(), c.text) << c.in;
        const std::string html = field.htmlText();
        EXPECT_NE(html.find(c.html), std::string::npos) << c.in << " gave " << html;
        EXPECT_NE(html.find(f), std::string::npos) << c.in << " gave " << html;
        // What the getter prints reads back to the same text.
        TextField again(Rect{0, 2000, 0, 400});
        again.set("html", true);
        again.setHtmlText(html);
        EXPECT_EQ(again.text(), c.text) << html;
        EXPECT_EQ(again.htmlText(), html);
    }
}

}  // namespace
