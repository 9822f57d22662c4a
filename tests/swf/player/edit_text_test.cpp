// DefineEditText: the flags the tag vector table leaves out, the shown text
// (HTML stripped, length cut, password masked) and bad input.
#include <gtest/gtest.h>

#include "swf/player/edit_text.h"

namespace {

using namespace swf;
using B = std::vector<std::uint8_t>;

// Exact bytes are in the tag vector table; these flags are not.
TEST(EditTextTag, PasswordAutoSizeAndWasStaticRoundTrip) {
    DefineEditText c;
    c.fontClass = "Lesson";
    c.fontHeight = 200;
    c.password = c.autoSize = c.wasStatic = true;
    auto cb = parseDefineEditText(encodeDefineEditText(c));
    ASSERT_TRUE(cb.ok());
    EXPECT_EQ(*cb, c);
}

TEST(EditTextShownText, HtmlStrippedSimply) {
    EXPECT_EQ(stripHtml("<p align=\"center\"><font face=\"Verdana\" size=\"12\">Le&nbsp;ch&acirc;teau &amp; <b>la</b> "
                        "tour</font></p>"),
              "Le\xC2\xA0"
              "ch&acirc;teau & la tour");
    EXPECT_EQ(stripHtml("<P>un</P><P>deux<BR>trois</P>"), "un\ndeux\ntrois");
    EXPECT_EQ(stripHtml("a &lt;b&gt; <unfinished"), "a <b> ");
    EXPECT_EQ(stripHtml("<>x"), "x");
}

TEST(EditTextShownText, LengthAndPassword) {
    DefineEditText t;
    t.initialText = "\xC3\xA9t\xC3\xA9 chaud";  // "été chaud"
    t.maxLength = 3;
    EXPECT_EQ(displayText(t), "\xC3\xA9t\xC3\xA9") << "counted in characters, not bytes";
    t.password = true;
    EXPECT_EQ(displayText(t), "***");
    t.html = true;
    t.password = false;
    t.maxLength.reset();
    t.initialText = "<p>a</p>";
    EXPECT_EQ(displayText(t), "a");
    EXPECT_EQ(displayText(DefineEditText{}), "");
}

TEST(EditTextBadInput, TruncatedAnywhereOrBadAlignment) {
    DefineEditText t;
    t.fontId = 2;
    t.fontHeight = 240;
    t.color = Rgba{};
    t.layout = EditTextLayout{};
    t.variableName = "name";
    t.initialText = "text";
    B good = encodeDefineEditText(t);
    for (std::size_t n = 0; n < good.size(); ++n) {
        auto r = parseDefineEditText(B(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)));
        EXPECT_FALSE(r.ok()) << n;
        EXPECT_EQ(r.error().code, ErrorCode::Truncated) << n;
    }
    B badAlign = good;
    badAlign[3 + 2 + 4 + 4] = 7;  // after id, bounds, flags, font fields and colour
    EXPECT_EQ(parseDefineEditText(badAlign).error().code, ErrorCode::Malformed);
}

}  // namespace
