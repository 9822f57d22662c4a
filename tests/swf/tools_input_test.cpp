// swf-run with recorded events: each frame's events between its "Wait"s,
// events past the last frame dropped, and bad recordings refused in French.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "swf/format/action_builder.h"
#include "swf/format/codes.h"
#include "swf/format/writer.h"
#include "tests/support/input_movies.h"
#include "tests/support/test_movies.h"
#include "tests/support/tool_run.h"

namespace {

using tk::test::ToolRun;

std::string swfRun() { return std::string(TK_APP_DIR) + "/swf-run"; }

std::string writeText(const std::string& name, const std::string& text) {
    return tk::test::writeBuildFile(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// Two frames tracing their number; a clip tracing its mouseDown; Key's
// listener tracing the code of each key pressed.
std::string writeMovie(const std::string& name) {
    using namespace swf;
    MovieData m;
    m.header.version = 8;
    m.tags.push_back(samples::sprite(10, {ShowFrame{}}));
    PlaceObject clip = samples::place(1, 10);
    samples::setClipActions(clip, {{0x10, ActionBuilder().traceValue("mouseDown").bytes()}});
    m.tags.push_back(clip);
    ActionBuilder a;
    samples::addListener(a, "Key", "k");
    ActionBuilder code;
    samples::traceCall(code, "Key", "getCode");
    samples::defineMethod(a, "k", "onKeyDown", code);
    m.tags.push_back(a.doAction());
    m.tags.push_back(samples::traceAction("image 1"));
    m.tags.push_back(ShowFrame{});
    m.tags.push_back(samples::traceAction("image 2"));
    m.tags.push_back(ShowFrame{});
    return tk::test::writeBuildFile(name, write(m));
}

class SwfRunInput : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::ifstream(swfRun())) GTEST_SKIP() << "swf-run not built in " << TK_APP_DIR;
    }
};

TEST_F(SwfRunInput, EachFramesEventsFollowItAndThoseAfterTheLastFrameAreDropped) {
    std::string movie = writeMovie("input-run.swf");
    std::string events = writeText("input-run.json", R"([
        {"type": "KeyDown", "key": {"Char": "a"}}, {"type": "Wait"},
        {"type": "MouseDown", "pos": [1, 1], "btn": "Left"}, {"type": "Wait"},
        {"type": "KeyDown", "key": {"Char": "b"}}])");
    ToolRun r = tk::test::runTool(swfRun() + " " + movie + " --frames 2 --input " + events + " 2>/dev/null");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "image 1\n65\nimage 2\nmouseDown\n");
    // Looping back to frame 1 runs its script again: a second listener hears b too.
    r = tk::test::runTool(swfRun() + " " + movie + " --frames 3 --input " + events + " 2>/dev/null");
    EXPECT_EQ(r.out, "image 1\n65\nimage 2\nmouseDown\nimage 1\n66\n66\n");
}

TEST_F(SwfRunInput, BadRecordingsEndWithCodeTwoAndAFrenchMessage) {
    std::string movie = writeMovie("input-bad.swf");
    std::string missing = std::string(TK_BINARY_DIR) + "/input-absent.json";
    for (const auto& [file, words] :
         {std::pair{writeText("input-bad-type.json", R"([{"type": "Tap"}])"), "type inconnu"},
          std::pair{writeText("input-bad-deep.json", std::string(50000, '[')), "imbrication"},
          std::pair{missing, "introuvable"}}) {
        SCOPED_TRACE(file);
        ToolRun r = tk::test::runTool(swfRun() + " " + movie + " --input " + file + " 2>&1");
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.out.find(words), std::string::npos) << r.out;
    }
    ToolRun r = tk::test::runTool(swfRun() + " " + movie + " --input 2>&1");
    EXPECT_EQ(r.code, 2) << "--input without a file";
}

}  // namespace
