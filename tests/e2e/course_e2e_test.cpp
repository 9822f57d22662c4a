// The real program on a virtual display, driven with the pointer like a user.

#include "tests/e2e/x11_session.h"

#include "lessons/kit/ui_controls.h"
#include "swf/format/action_builder.h"
#include "swf/format/reader.h"
#include "swf/render/renderer.h"
#include "swf/decode/bitmap.h"
#include "swf/player/audio_mixer.h"
#include "swf/player/player.h"
#include "swf/format/writer.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// The program under test: the build's, or an installed one named by the suite's caller.
const QString kProgram = qEnvironmentVariableIsEmpty("TK_E2E_PROGRAM")
                             ? QStringLiteral(TK_APP_DIR "/tarvik-dovadovore-fr")
                             : qEnvironmentVariable("TK_E2E_PROGRAM");
constexpr QRgb kMagenta = qRgb(255, 0, 255);
constexpr QRgb kYellow = qRgb(255, 255, 0);

// Client-area points of the controls, in pixels.
constexpr QPoint kSkipArea{60, 275};
constexpr QPoint kExitArea{622, 16};
QPoint menuTitle(int k) { return {250, 120 + 32 * k + 8}; }
QRect menuTitleRect(int k) { return {240, 120 + 32 * k, 225, 17}; }
constexpr QPoint kLessonMenu{36, 512};
constexpr QPoint kLessonQuit{592, 512};

struct Course : ::testing::Test {
    e2e::X11Session x;
    void SetUp() override {
        if (!QFileInfo::exists(kProgram)) GTEST_SKIP() << "program not built: " << kProgram.toStdString();
        ASSERT_TRUE(x.isUp()) << "Xvfb did not start";
    }
    void TearDown() override {
        if (HasFailure() && x.isUp()) {
            const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
            const QString path = x.saveScreenshot(QString::fromUtf8(info->name()));
            std::cerr << "screenshot: " << path.toStdString() << "\n";
        }
    }
    static void pause(int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }
    QRect expectWindow(const QString& name, QSize size) {
        const auto r = x.findWindow(name);
        EXPECT_TRUE(r.has_value()) << name.toStdString() << " never appeared";
        if (!r) return {};
        EXPECT_EQ(r->size(), size) << name.toStdString();
        return *r;
    }
    // From the splash, its skip area to the main menu; null if either never showed.
    QRect skipToMenu() {
        const QRect splash = expectWindow("Form2", {508, 294});
        if (splash.isNull()) return {};
        x.click(splash.topLeft() + kSkipArea);
        return expectWindow("Form1", {638, 455});
    }
    // Title k of the menu at `menu` opens the lesson screen `form`.
    QRect openLesson(const QRect& menu, int k, const char* form, QSize size) {
        x.click(menu.topLeft() + menuTitle(k));
        return expectWindow(form, size);
    }
};

// A copy of the program in `folder`, which becomes its application folder;
// empty if it could not be copied.
QString programIn(const QTemporaryDir& folder) {
    const QString program = folder.filePath(QFileInfo(kProgram).fileName());
    return QFile::copy(kProgram, program) ? program : QString();
}

// Whether two pixels differ by more than `tolerance` in a colour channel.
bool farApart(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) > tolerance || std::abs(qGreen(a) - qGreen(b)) > tolerance ||
           std::abs(qBlue(a) - qBlue(b)) > tolerance;
}

// A lesson's movie covers most of the white of the background picture.
void expectMovieDrawn(const QImage& shot, const QRect& lesson) {
    const QRect movieArea = QRect(0, 0, 649, 460).translated(lesson.topLeft());
    EXPECT_LT(e2e::countPixels(shot, movieArea, qRgb(255, 255, 255), 6),
              movieArea.width() * movieArea.height() * 95 / 100)
        << "nothing of a movie was drawn";
}

TEST_F(Course, SplashMenuLessonAndBackThenExit) {
    x.startProgram(kProgram);
    const QRect splash = expectWindow("Form2", {508, 294});
    ASSERT_FALSE(splash.isNull());
    // Centred on the 1280 x 1024 screen.
    EXPECT_EQ(splash.topLeft(), QPoint((1280 - 508) / 2, (1024 - 294) / 2));

    x.click(splash.topLeft() + kSkipArea);
    const QRect menu = expectWindow("Form1", {638, 455});
    ASSERT_FALSE(menu.isNull());
    EXPECT_TRUE(x.waitWindowGone("Form2"));
    EXPECT_EQ(menu.topLeft(), QPoint((1280 - 638) / 2, (1024 - 455) / 2));

    // Pointing at title 4 turns its text light magenta.
    x.moveMouse(menu.topLeft() + menuTitle(4));
    pause(300);
    QImage shot = x.screenshot();
    EXPECT_GT(e2e::countPixels(shot, menuTitleRect(4).translated(menu.topLeft()), kMagenta, 40), 30);
    EXPECT_EQ(e2e::countPixels(shot, menuTitleRect(3).translated(menu.topLeft()), kMagenta, 40), 0);

    // Title 0 opens the first lesson, which plays its movie.
    const QRect lesson = openLesson(menu, 0, "Form3", {649, 530});
    ASSERT_FALSE(lesson.isNull());
    EXPECT_TRUE(x.waitWindowGone("Form1"));
    pause(1200);
    shot = x.screenshot();
    expectMovieDrawn(shot, lesson);

    // Hovering "Menu" turns it light yellow; clicking it brings the menu back, all titles black.
    x.moveMouse(lesson.topLeft() + kLessonMenu);
    pause(300);
    shot = x.screenshot();
    EXPECT_GT(e2e::countPixels(shot, QRect(16, 504, 41, 17).translated(lesson.topLeft()), kYellow, 40), 20);
    x.click(lesson.topLeft() + kLessonMenu);
    const QRect again = expectWindow("Form1", {638, 455});
    ASSERT_FALSE(again.isNull());
    x.moveMouse(again.topLeft() + QPoint(100, 300));  // over the background
    pause(300);
    shot = x.screenshot();
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(e2e::countPixels(shot, menuTitleRect(k).translated(again.topLeft()), kMagenta, 40), 0) << k;

    // The exit area ends the process.
    x.click(again.topLeft() + kExitArea);
    EXPECT_EQ(x.waitForExit(5000), std::optional<int>(0));
}

TEST_F(Course, QuitterFromALessonEndsTheProgram) {
    x.startProgram(kProgram);
    const QRect menu = skipToMenu();
    ASSERT_FALSE(menu.isNull());
    const QRect lesson = openLesson(menu, 2, "Form5", {649, 530});
    ASSERT_FALSE(lesson.isNull());
    // Form5's "Quitter" sits 8 pixels further left than on the other lessons.
    x.click(lesson.topLeft() + kLessonQuit - QPoint(8, 0));
    EXPECT_EQ(x.waitForExit(5000), std::optional<int>(0));
}

TEST_F(Course, TheCountdownOpensTheMenuAfterThirtySeconds) {
    QElapsedTimer clock;
    clock.start();
    x.startProgram(kProgram);
    ASSERT_TRUE(x.findWindow("Form2", 5000).has_value());
    const auto menu = x.findWindow("Form1", 40'000);
    const qint64 elapsed = clock.elapsed();
    ASSERT_TRUE(menu.has_value());
    std::cout << "menu after " << elapsed << " ms\n";
    EXPECT_GE(elapsed, 29'000);
    EXPECT_LE(elapsed, 33'000);
    EXPECT_TRUE(x.waitWindowGone("Form2"));
    EXPECT_TRUE(x.programRunning());
}

// A lesson movie as screen recorders made them: a 705 x 481 JPEG picture
// through a bitmap fill, a grey button (green under the pointer) at (300, 200)
// whose release goes to frame 3, ADPCM narration streamed with the frames;
// frame 2 stops, frame 3 covers everything in red.
swf::MovieData recordedLesson() {
    using namespace swf;
    MovieData m;
    m.header.version = 6;
    m.header.frame = {0, 14100, 0, 9620};
    m.header.frameRate = 12 << 8;
    auto rect = [](std::uint16_t id, int x, int y, int w, int h, FillStyle fill) {
        DefineShape s;
        s.version = 3;
        s.id = id;
        s.bounds = {x, x + w, y, y + h};
        s.shape.fills = {fill};
        StyleChange start;
        start.moveX = x;
        start.moveY = y;
        start.fill1 = 1;
        s.shape.records = {start, StraightEdge{w, 0}, StraightEdge{0, h}, StraightEdge{-w, 0}, StraightEdge{0, -h}};
        return s;
    };
    auto place = [](std::uint16_t id, std::uint16_t depth, Matrix matrix = {}) {
        PlaceObject p;
        p.depth = depth;
        p.characterId = id;
        p.matrix = matrix;
        return p;
    };
    QImage picture(705, 481, QImage::Format_RGB32);
    picture.fill(QColor(240, 140, 20));
    QPainter(&picture).fillRect(0, 0, 352, 481, QColor(30, 60, 200));
    QBuffer jpeg;
    jpeg.open(QIODevice::WriteOnly);
    QImageWriter writer(&jpeg, "jpeg");
    writer.setQuality(85);
    EXPECT_TRUE(writer.write(picture));
    DefineBitsJpeg bits;
    bits.id = 1;
    bits.imageData.assign(jpeg.data().begin(), jpeg.data().end());
    FillStyle bitmapFill;
    bitmapFill.type = FillType::ClippedBitmap;
    bitmapFill.bitmapId = 1;
    bitmapFill.matrix.scaleX = bitmapFill.matrix.scaleY = 20 << 16;  // one bitmap pixel per stage pixel
    DefineButton button;
    button.id = 10;
    ButtonRecord up, over;
    up.states = 0x01 | 0x08;
    up.characterId = 3;
    up.depth = 1;
    over.states = 0x02 | 0x04;
    over.characterId = 4;
    over.depth = 1;
    button.records = {up, over};
    button.actions = {{buttoncond::OverDownToOverUp, {0x81, 0x02, 0x00, 0x02, 0x00, 0x00}}};
    SoundStreamHead head;
    head.version = 2;
    head.format = SoundFormat::Adpcm;
    head.rate = 2;  // 22050 Hz
    head.samplesPerBlock = 22050 / 12;
    auto narration = [&](int frame) {
        Pcm pcm;
        pcm.rate = 22050;
        for (int i = 0; i < head.samplesPerBlock; ++i)
            pcm.samples.push_back(
                static_cast<std::int16_t>(8000 * std::sin((frame * head.samplesPerBlock + i) * 0.06)));
        return SoundStreamBlock{encodeAdpcm(pcm, 4)};
    };
    DoAction stop = ActionBuilder().stop().doAction();
    m.tags = {head,
              bits,
              rect(2, 0, 0, 14100, 9620, bitmapFill),
              place(2, 1),
              rect(3, 0, 0, 2000, 2000, FillStyle::solid({128, 128, 128, 255})),
              rect(4, 0, 0, 2000, 2000, FillStyle::solid({0, 200, 0, 255})),
              button,
              place(10, 2, Matrix::translate(300 * 20, 200 * 20)),
              narration(0),
              ShowFrame{},
              narration(1),
              stop,
              ShowFrame{},
              rect(5, 0, 0, 14100, 9620, FillStyle::solid({220, 0, 0, 255})),
              place(5, 3),
              narration(2),
              stop,
              ShowFrame{}};
    m.header.frameCount = 3;
    return m;
}

// A user's own recorded lesson, dropped into the application folder under the
// first lesson's name, plays with its picture, its button and its sound.
TEST_F(Course, ARecordedLessonDroppedIntoTheFolderPlaysWithItsPictureAndButton) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString program = programIn(folder);
    ASSERT_FALSE(program.isEmpty());
    const std::vector<std::uint8_t> bytes = swf::write(recordedLesson(), swf::Compression::Zlib);
    QFile movie(folder.filePath("demarre_tk.swf"));
    ASSERT_TRUE(movie.open(QIODevice::WriteOnly));
    movie.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    movie.close();

    x.startProgram(program);
    const QRect menu = skipToMenu();
    ASSERT_FALSE(menu.isNull());
    const QRect lesson = openLesson(menu, 0, "Form3", {649, 530});
    ASSERT_FALSE(lesson.isNull());
    pause(1200);

    // Form3's player spans x -40..689, y 0..489: the 705 x 481 stage is drawn
    // 1.0166 times larger, from (-34, 0).
    auto client = [&](int sx, int sy) { return lesson.topLeft() + QPoint(int(-33.9 + sx * 1.0166), int(sy * 1.0166)); };
    QImage shot = x.screenshot();
    const QRect left(client(20, 20), client(280, 400)), right(client(420, 20), client(620, 400));
    EXPECT_GT(e2e::countPixels(shot, left, qRgb(30, 60, 200), 24), left.width() * left.height() * 9 / 10)
        << "picture, left";
    EXPECT_GT(e2e::countPixels(shot, right, qRgb(240, 140, 20), 24), right.width() * right.height() * 9 / 10)
        << "picture, right";
    const QRect buttonArea(client(320, 220), client(380, 280));
    EXPECT_GT(e2e::countPixels(shot, buttonArea, qRgb(128, 128, 128), 6),
              buttonArea.width() * buttonArea.height() * 9 / 10)
        << "the button, up";

    x.moveMouse(client(350, 250));
    pause(300);
    shot = x.screenshot();
    EXPECT_GT(e2e::countPixels(shot, buttonArea, qRgb(0, 200, 0), 6), buttonArea.width() * buttonArea.height() * 9 / 10)
        << "the button, under the pointer";

    x.click(client(350, 250));
    pause(500);
    shot = x.screenshot();
    const QRect movieArea(client(20, 20), client(680, 460));
    EXPECT_GT(e2e::countPixels(shot, movieArea, qRgb(220, 0, 0), 6), movieArea.width() * movieArea.height() * 9 / 10)
        << "the button's release went to frame 3";
    EXPECT_TRUE(x.programRunning());
    EXPECT_TRUE(x.findWindow("Form3", 1000).has_value()) << "the lesson screen stays";
}

// A broken download: the first lesson's file cut at 300 bytes, at half its
// length and short of its last 10 bytes, in a copy of the application folder.
// Each time the lesson says « Film incomplet », its "Menu" and "Quitter" work,
// and the next lesson plays as usual.
TEST_F(Course, ALessonFileCutShortSaysSoAndTheCourseGoesOn) {
    QFile original(QStringLiteral(TK_APP_DIR "/demarre_tk.swf"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray whole = original.readAll();
    for (qsizetype keep : {qsizetype(300), whole.size() / 2, whole.size() - 10}) {
        SCOPED_TRACE(keep);
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        const QString program = programIn(folder);
        ASSERT_FALSE(program.isEmpty());
        ASSERT_FALSE(program.isEmpty());
        for (const QFileInfo& movie : QDir(QStringLiteral(TK_APP_DIR)).entryInfoList({"*.swf"}, QDir::Files))
            ASSERT_TRUE(QFile::copy(movie.filePath(), folder.filePath(movie.fileName())));
        QFile cut(folder.filePath("demarre_tk.swf"));
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cut.write(whole.left(keep));
        cut.close();

        x.startProgram(program);
        QRect menu = skipToMenu();
        ASSERT_FALSE(menu.isNull());
        const QRect lesson = openLesson(menu, 0, "Form3", {649, 530});
        ASSERT_FALSE(lesson.isNull());
        pause(1000);
        // The notice's grey ink, over the lower left of the movie when frames
        // play, in the middle when none could be read.
        const QImage shot = x.screenshot();
        const QRect lowerLeft = QRect(0, 330, 420, 150).translated(lesson.topLeft());
        const QRect middle = QRect(120, 200, 420, 80).translated(lesson.topLeft());
        const int ink = e2e::countPixels(shot, lowerLeft, qRgb(128, 128, 128), 10) +
                        e2e::countPixels(shot, middle, qRgb(128, 128, 128), 10);
        EXPECT_GT(ink, 60) << "no notice: " << x.saveScreenshot(QStringLiteral("cut-%1").arg(keep)).toStdString();

        // "Menu" goes back; the second lesson plays its movie in full.
        x.click(lesson.topLeft() + kLessonMenu);
        menu = expectWindow("Form1", {638, 455});
        ASSERT_FALSE(menu.isNull());
        const QRect next = openLesson(menu, 1, "Form4", {649, 529});
        ASSERT_FALSE(next.isNull());
        pause(1000);
        const QImage nextShot = x.screenshot();
        expectMovieDrawn(nextShot, next);
        EXPECT_EQ(e2e::countPixels(nextShot, QRect(0, 330, 420, 150).translated(next.topLeft()), qRgb(128, 128, 128),
                                   0) > 400,
                  false)
            << "no notice on an intact lesson";

        // Back to the cut lesson, then "Quitter" ends the program.
        x.click(next.topLeft() + kLessonMenu);
        menu = expectWindow("Form1", {638, 455});
        ASSERT_FALSE(menu.isNull());
        const QRect again = openLesson(menu, 0, "Form3", {649, 530});
        ASSERT_FALSE(again.isNull());
        x.click(again.topLeft() + kLessonQuit);
        EXPECT_EQ(x.waitForExit(5000), std::optional<int>(0));
    }
}

TEST_F(Course, ArgumentsChangeNothing) {
    // Qt options, a file and junk: the program reads none of them.
    x.startProgram(kProgram, {"-reverse", "-platform", "offscreen", "--style=windows", "/tmp/autre.swf", "-x"});
    const QRect splash = expectWindow("Form2", {508, 294});
    ASSERT_FALSE(splash.isNull());
    EXPECT_EQ(splash.topLeft(), QPoint((1280 - 508) / 2, (1024 - 294) / 2));
    x.click(splash.topLeft() + kSkipArea);
    EXPECT_TRUE(x.findWindow("Form1").has_value());
}

// --- The controls inside a lesson movie --------------------------------------

// Form4's player shows the 705 x 481 stage at its own size from client x -24.
QPoint form4Client(double sx, double sy) { return {int(sx) - 24, int(sy)}; }
QPoint form4Client(const lessons::ui::Rect& r) { return form4Client(r.centre().x, r.centre().y); }

// The lesson's frame at a label, drawn by the SWF engine at the stage's size.
QImage expectedFrame(const std::vector<std::uint8_t>& bytes, const char* label) {
    swf::ReadResult r = swf::read(bytes);
    if (!r.ok()) return {};
    swf::Player player(std::make_shared<const swf::MovieData>(std::move(*r.movie)));
    player.gotoFrame(player.root().frames().frameOfLabel(label));
    QImage img(705, 481, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    swf::render(player, p, QRectF(0, 0, 705, 481));
    return img;
}

// Pixels of `shot` in `area` (client coordinates from `origin`) that differ
// from `expected` (stage coordinates) by more than 48 in a channel.
int differingPixels(const QImage& shot, QPoint origin, const QImage& expected, const QRect& stageArea) {
    int n = 0;
    for (int y = stageArea.top(); y <= stageArea.bottom(); ++y)
        for (int x = stageArea.left(); x <= stageArea.right(); ++x) {
            n += farApart(shot.pixel(origin + form4Client(x, y)), expected.pixel(x, y), 48);
        }
    return n;
}

// The same between two frames drawn at the stage's size.
int differingStagePixels(const QImage& a, const QImage& b, const QRect& stageArea) {
    int n = 0;
    for (int y = stageArea.top(); y <= stageArea.bottom(); ++y)
        for (int x = stageArea.left(); x <= stageArea.right(); ++x) {
            n += farApart(a.pixel(x, y), b.pixel(x, y), 48);
        }
    return n;
}

// In a real lesson: the hand over the controls, pause that holds the picture,
// next step, a mark of the progress bar, restart.
TEST_F(Course, TheControlsInsideALessonPauseStepJumpAndRestart) {
    QFile file(QStringLiteral(TK_APP_DIR "/barres_outils.swf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    const std::vector<std::uint8_t> bytes(data.begin(), data.end());
    swf::ReadResult read = swf::read(bytes);
    ASSERT_TRUE(read.ok());
    int steps = 0;
    for (const swf::Tag& t : read.movie->tags)
        if (auto* l = std::get_if<swf::FrameLabel>(&t)) steps += l->name.rfind("etape", 0) == 0;
    ASSERT_GE(steps, 4);
    const lessons::ui::ControlsLayout keys = lessons::ui::controlsLayout(steps);
    // The caption's text, left of the controls.
    const QRect captionText(90, 423, int(lessons::ui::controlsPanel().x) - 100, 33);

    x.startProgram(kProgram);
    const QRect menu = skipToMenu();
    ASSERT_FALSE(menu.isNull());
    const QRect lesson = openLesson(menu, 1, "Form4", {649, 529});
    ASSERT_FALSE(lesson.isNull());
    const QPoint at = lesson.topLeft();
    pause(1500);

    // The pointer: the screen's own over the window of the movie, the hand over
    // every control, and the same hand over each.
    x.moveMouse(at + form4Client(300, 250));
    pause(300);
    const QImage plain = x.cursorImage();
    ASSERT_FALSE(plain.isNull()) << "the X server does not show its pointer";
    x.moveMouse(at + form4Client(keys.next));
    pause(300);
    const QImage hand = x.cursorImage();
    EXPECT_NE(hand, plain) << "the pointer over « étape suivante »";
    for (const lessons::ui::Rect& r : {keys.restart, keys.previous, keys.playPause, keys.marks[1]}) {
        x.moveMouse(at + form4Client(r));
        pause(300);
        EXPECT_EQ(x.cursorImage(), hand) << r.x;
    }
    x.moveMouse(at + kLessonMenu);
    pause(300);
    EXPECT_NE(x.cursorImage(), hand) << "« Menu » keeps its own pointer";

    // Pause: the picture holds still for two seconds.
    x.click(at + form4Client(keys.playPause));
    pause(400);
    const QRect movie = QRect(0, 0, 649, 460).translated(at);
    const QImage held = x.screenshot().copy(movie);
    pause(2000);
    const QImage later = x.screenshot().copy(movie);
    // Still, but for edges that the drawing caches smooth a shade differently.
    int moved = 0;
    for (int y = 0; y < held.height(); ++y)
        for (int x0 = 0; x0 < held.width(); ++x0) moved += farApart(held.pixel(x0, y), later.pixel(x0, y), 8);
    EXPECT_EQ(moved, 0) << "pixels changed while paused";

    // A mark of the progress bar jumps to its step: its caption shows, its mark is lit.
    const QImage step2 = expectedFrame(bytes, "etape2"), step3 = expectedFrame(bytes, "etape3");
    ASSERT_FALSE(step2.isNull());
    const int area = captionText.width() * captionText.height();
    ASSERT_GT(differingStagePixels(step2, step3, captionText), area / 50)
        << "two captions that a check could tell apart";
    x.click(at + form4Client(keys.marks[1]));
    pause(500);
    QImage shot = x.screenshot();
    EXPECT_LT(differingPixels(shot, at, step2, captionText), area / 50) << "the second step's caption";
    const QRect lit2(at + form4Client(keys.marks[1].x + 1, keys.marks[1].y + 2), QSize(int(keys.marks[1].w) - 2, 3));
    EXPECT_GT(e2e::countPixels(shot, lit2, qRgb(0xe0, 0x7a, 0x1f), 30), lit2.width() * lit2.height() / 2)
        << "the second mark lit";

    // Next step: the third caption.
    x.click(at + form4Client(keys.next));
    pause(500);
    shot = x.screenshot();
    EXPECT_LT(differingPixels(shot, at, step3, captionText), area / 50) << "the third step's caption";
    EXPECT_LT(e2e::countPixels(shot, lit2, qRgb(0xe0, 0x7a, 0x1f), 30), lit2.width() * lit2.height() / 2)
        << "the second mark no longer lit";

    // Restart: the title card, its dark blue bands over the top of the stage.
    x.click(at + form4Client(keys.restart));
    pause(500);
    shot = x.screenshot();
    const QRect band(at + form4Client(60, 10), QSize(560, 50));
    EXPECT_GT(e2e::countPixels(shot, band, qRgb(0x2b, 0x4a, 0x72), 12), band.width() * band.height() * 8 / 10)
        << "the title card";
    EXPECT_TRUE(x.programRunning());
}

}  // namespace
