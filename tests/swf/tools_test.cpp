// swf-dump and swf-render from the command line: output, exit codes and the
// one-line message on a bad file.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>

#include "swf/format/writer.h"
#include "tests/support/test_movies.h"
#include "tests/support/tool_run.h"

namespace {

std::string tool(const char* name) { return std::string(TK_APP_DIR) + "/" + name; }

using tk::test::ToolRun;

// Runs a command with its standard error mixed into the output.
ToolRun run(const std::string& cmd) { return tk::test::runTool(cmd + " 2>&1"); }

// Each test writes its own file: CTest runs the tests of this file in parallel.
std::string writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    return tk::test::writeBuildFile(name, bytes);
}

class SwfTools : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::ifstream(tool("swf-dump")) || !std::ifstream(tool("swf-render")))
            GTEST_SKIP() << "tools not built in " << TK_APP_DIR;
    }
};

TEST_F(SwfTools, DumpPrintsTheHeaderAndOneLinePerTag) {
    auto movie = swf::samples::goldenMovies()[7].movie;  // sprites
    std::string path = writeFile("tools-dump-sprites.swf", swf::write(movie, swf::Compression::Zlib));
    ToolRun r = run(tool("swf-dump") + " " + path);
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("version 8 (zlib)"), std::string::npos);
    EXPECT_NE(r.out.find("frame 4800 x 3200 twips"), std::string::npos);
    EXPECT_NE(r.out.find("rate 12.00 fps"), std::string::npos);
    EXPECT_NE(r.out.find("frames 3"), std::string::npos);
    EXPECT_NE(r.out.find("DefineSprite id=3 frames=3"), std::string::npos);
    EXPECT_NE(r.out.find("  PlaceObject2 depth=2 char=2"), std::string::npos) << "sprite tags are indented";
}

TEST_F(SwfTools, RenderWritesTheRequestedFrame) {
    auto movie = swf::samples::goldenMovies()[7].movie;
    std::string path = writeFile("tools-render-sprites.swf", swf::write(movie));
    std::string png = std::string(TK_BINARY_DIR) + "/tools-sprites-f3.png";
    std::remove(png.c_str());
    ToolRun r = run(tool("swf-render") + " " + path + " --frame 3 --size 240x160 -o " + png);
    EXPECT_EQ(r.code, 0) << r.out;
    QImage img(QString::fromStdString(png));
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(240, 160));
    EXPECT_EQ(qAlpha(img.pixel(5, 5)), 0) << "transparent background";
    EXPECT_EQ(img.pixel(140, 120), qRgb(220, 0, 120)) << "the sprite's square at its frame 3 position";
}

TEST_F(SwfTools, BadFilesGiveANonZeroExitAndOneLine) {
    std::string bad = writeFile("tools-bad.swf", {'N', 'O', 'P', 'E', 0, 0, 0, 0, 0});
    for (const std::string& cmd :
         {tool("swf-dump") + " " + bad, tool("swf-render") + " " + bad + " --frame 1 --size 10x10 -o /dev/null",
          tool("swf-dump") + " /nonexistent/movie.swf"}) {
        SCOPED_TRACE(cmd);
        ToolRun r = run(cmd);
        EXPECT_NE(r.code, 0);
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    }
}

}  // namespace
