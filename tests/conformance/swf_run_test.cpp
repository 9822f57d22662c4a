// swf-run from the command line: traces on standard output, frames played,
// the picture of the last frame, and exit codes for bad movies and arguments.
// The movies are assembled byte by byte here, so the tool is checked against
// the file format itself rather than against our own writer.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "tests/support/tool_run.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

using tk::test::ToolRun;
using tk::test::writeBuildFile;

ToolRun run(const std::string& args, bool withStderr = false) {
    return tk::test::runTool(std::string(TK_APP_DIR) + "/swf-run " + args + (withStderr ? " 2>&1" : " 2>/dev/null"));
}

void tag(Bytes& out, int code, const Bytes& body) {
    if (body.size() < 0x3f) {
        int h = (code << 6) | int(body.size());
        out.push_back(std::uint8_t(h & 0xff));
        out.push_back(std::uint8_t(h >> 8));
    } else {
        int h = (code << 6) | 0x3f;
        out.push_back(std::uint8_t(h & 0xff));
        out.push_back(std::uint8_t(h >> 8));
        for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(body.size() >> (8 * i)));
    }
    out.insert(out.end(), body.begin(), body.end());
}

// DoAction: push "text"; trace; end.
Bytes traceAction(const std::string& text) {
    Bytes a{0x96};
    std::uint16_t len = std::uint16_t(text.size() + 2);
    a.push_back(std::uint8_t(len & 0xff));
    a.push_back(std::uint8_t(len >> 8));
    a.push_back(0);  // string
    a.insert(a.end(), text.begin(), text.end());
    a.push_back(0);
    a.push_back(0x26);  // trace
    a.push_back(0x00);
    return a;
}

// A 40 x 30 px movie at 12 fps whose frame i traces "frame i" and whose
// background is orange; the last frame stops the movie.
Bytes tracingMovie(int frames) {
    Bytes body;
    // RECT: 5 bits of field width (15), then 0, 800, 0, 600 twips in 15 bits each.
    std::vector<bool> bitsOut;
    auto put = [&](int value, int width) {
        for (int i = width - 1; i >= 0; --i) bitsOut.push_back((value >> i) & 1);
    };
    put(15, 5);
    for (int v : {0, 800, 0, 600}) put(v, 15);
    while (bitsOut.size() % 8) bitsOut.push_back(false);
    for (std::size_t i = 0; i < bitsOut.size(); i += 8) {
        std::uint8_t byte = 0;
        for (int k = 0; k < 8; ++k) byte = std::uint8_t(byte << 1 | bitsOut[i + k]);
        body.push_back(byte);
    }
    body.insert(body.end(), {0x00, 12, std::uint8_t(frames), 0});
    tag(body, 9, {0xff, 0x80, 0x00});
    for (int f = 1; f <= frames; ++f) {
        Bytes action = traceAction("frame " + std::to_string(f));
        if (f == frames) action.insert(action.end() - 1, 0x07);  // stop
        tag(body, 12, action);
        tag(body, 1, {});
    }
    tag(body, 0, {});
    Bytes file{'F', 'W', 'S', 8};
    std::uint32_t length = std::uint32_t(body.size() + 8);
    for (int i = 0; i < 4; ++i) file.push_back(std::uint8_t(length >> (8 * i)));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::string writeFile(const std::string& name, const Bytes& bytes) { return writeBuildFile(name, bytes); }

class SwfRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::ifstream(std::string(TK_APP_DIR) + "/swf-run")) GTEST_SKIP() << "swf-run not built";
    }
};

TEST_F(SwfRun, PrintsTheTracesOfTheFramesItPlays) {
    std::string movie = writeFile("swf-run-trace.swf", tracingMovie(3));
    ToolRun one = run(movie);
    EXPECT_EQ(one.code, 0);
    EXPECT_EQ(one.out, "frame 1\n");

    ToolRun two = run(movie + " --frames 2");
    EXPECT_EQ(two.out, "frame 1\nframe 2\n");

    // Frame 3 stops the movie: more ticks trace nothing more.
    ToolRun many = run(movie + " --frames 10");
    EXPECT_EQ(many.code, 0);
    EXPECT_EQ(many.out, "frame 1\nframe 2\nframe 3\n");
}

TEST_F(SwfRun, WritesTheLastFrameOnTheBackgroundColour) {
    std::string movie = writeFile("swf-run-picture.swf", tracingMovie(1));
    std::string png = std::string(TK_BINARY_DIR) + "/swf-run-picture.png";
    std::remove(png.c_str());
    ASSERT_EQ(run(movie + " --png " + png).code, 0);
    QImage stage(QString::fromStdString(png));
    ASSERT_EQ(stage.size(), QSize(40, 30));
    EXPECT_EQ(stage.pixel(20, 15), qRgb(0xff, 0x80, 0x00));

    // A wider picture shows the stage whole and centred: the margins are
    // background-coloured too, never left transparent.
    ASSERT_EQ(run(movie + " --png " + png + " --size 80x30").code, 0);
    QImage wide(QString::fromStdString(png));
    ASSERT_EQ(wide.size(), QSize(80, 30));
    EXPECT_EQ(qAlpha(wide.pixel(1, 1)), 255);

    // Every quality the reference player names is taken.
    for (const char* q : {"low", "medium", "high", "best"}) {
        ASSERT_EQ(run(movie + " --png " + png + " --quality " + q).code, 0) << q;
        EXPECT_EQ(QImage(QString::fromStdString(png)).pixel(20, 15), qRgb(0xff, 0x80, 0x00)) << q;
    }
}

TEST_F(SwfRun, ExitCodesForBadMoviesAndArguments) {
    EXPECT_EQ(run("").code, 2);
    EXPECT_EQ(run("a.swf b.swf").code, 2);
    EXPECT_EQ(run("a.swf --frames").code, 2);
    EXPECT_EQ(run("a.swf --frames 0").code, 2);
    EXPECT_EQ(run("a.swf --frames x").code, 2);
    EXPECT_EQ(run("a.swf --size 10").code, 2);
    EXPECT_EQ(run("a.swf --bogus").code, 2);
    EXPECT_EQ(run("a.swf --quality").code, 2);
    EXPECT_EQ(run("a.swf --quality poor").code, 2);

    ToolRun missing = run(std::string(TK_BINARY_DIR) + "/no-such-movie.swf", true);
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.out.find("cannot open"), std::string::npos);

    EXPECT_EQ(run(writeFile("swf-run-garbage.swf", Bytes(100, 0x41))).code, 1);
    Bytes cut = tracingMovie(3);
    cut.resize(12);
    EXPECT_EQ(run(writeFile("swf-run-cut.swf", cut)).code, 1);
}

}  // namespace
