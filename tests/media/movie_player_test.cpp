// The movie player control inside a screen, driven as the lesson screens
// drive it (Movie, Rewind, Play from Form_Load) on the headless driver's
// virtual clock: creation from the persisted block, the three members, the
// frame clock, the context menu, the notice for missing files, and drawing.

#include "lessons/kit/ui_controls.h"
#include "media/flash_component.h"
#include "media/movie_file.h"
#include "media/movie_player.h"
#include "runtime/driver.h"
#include "screens/lesson_table.h"
#include "swf/player/player.h"
#include "tests/media/test_movies.h"
#include "tests/support/golden.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <map>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A client 760 x 520 px with a blue background; the player at (10, 5), 705 x 481 px.
constexpr QRgb kBackground = 0xFF2040C0;
constexpr QRect kPlayerRect(10, 5, 705, 481);
constexpr QPoint kInPlayer(362, 245);
constexpr QPoint kMenuLabel(20, 500);

struct Rig {
    Bytes block;
    rt::ScreenLayout lesson, other;
    rt::Variant movieArg;
    const char* classId = media::flash::kClassId;
    QStringList journal;
};

class Lesson : public rt::Screen {
public:
    Lesson(rt::Runtime& r, Rig& s) : Screen(r, s.lesson), s_(s) {
        onLoad(&Lesson::Form_Load);
        onClick("Label1", &Lesson::Label1_Click);
    }
    void Form_Load() {
        s_.journal << "load";
        rt::ExternalHost& flash = external("flash1");
        flash.setProperty(media::flash::kDispidMovie, "Movie", s_.movieArg);
        s_.journal << "movie";
        flash.call(media::flash::kDispidRewind, "Rewind");
        s_.journal << "rewind";
        flash.call(media::flash::kDispidPlay, "Play");
        s_.journal << "play";
    }
    void Label1_Click() { goTo("Other"); }

private:
    Rig& s_;
};

class Other : public rt::Screen {
public:
    Other(rt::Runtime& r, Rig& s) : Screen(r, s.other) { onClick("Label1", &Other::Label1_Click); }
    void Label1_Click() { goTo("Lesson"); }
};

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // Builds the project around a persisted block and starts it with the
    // Movie argument its Form_Load will pass.
    void start(rt::Variant movie, Bytes block = media::encodeState(media::lessonDesignValues(10575, 7215))) {
        s.block = std::move(block);
        s.movieArg = std::move(movie);
        s.lesson.window = {.name = "Lesson",
                           .caption = "Lesson",
                           .clientWidth = 760 * 15,
                           .clientHeight = 520 * 15,
                           .border = rt::BorderStyle::None,
                           .backColor = rt::Color::rgb(kBackground & 0xFFFFFF)};
        s.lesson.controls = {
            {.kind = rt::ControlKind::Label,
             .name = "Label1",
             .rect = {10 * 15, 495 * 15, 60 * 15, 17 * 15},
             .caption = "Menu",
             .transparent = true},
            {.kind = rt::ControlKind::External,
             .name = "flash1",
             .rect = {10 * 15, 5 * 15, 10575, 7215},
             .classId = s.classId,
             .persisted = s.block},
        };
        s.other.window = {.name = "Other", .caption = "Other", .clientWidth = 200 * 15, .clientHeight = 100 * 15};
        s.other.controls = {
            {.kind = rt::ControlKind::Label, .name = "Label1", .rect = {0, 0, 100 * 15, 17 * 15}, .caption = "Leçon"}};
        rt::Project p;
        p.startup = "Lesson";
        p.screens.emplace_back("Lesson", [this](rt::Runtime& r) { return std::make_unique<Lesson>(r, s); });
        p.screens.emplace_back("Other", [this](rt::Runtime& r) { return std::make_unique<Other>(r, s); });
        p.external = media::moviePlayerFactory();
        d = std::make_unique<rt::Driver>(std::move(p));
        d->start();
    }

    // A movie file in the temporary folder, and the path a screen would build for it.
    QString movieFile(const char* name, const swf::MovieData& movie) {
        EXPECT_TRUE(mediatest::writeFile(dir.path() + "/" + name, mediatest::bytesOf(movie)));
        return screenPath(name);
    }
    QString screenPath(const char* name) const { return dir.path() + "\\" + name; }

    media::MoviePlayer& player() {
        auto* host = dynamic_cast<rt::ExternalHost*>(d->screen("Lesson").find("flash1"));
        EXPECT_NE(host, nullptr);
        return dynamic_cast<media::MoviePlayer&>(host->object());
    }
    rt::Status invoke(int dispid, rt::InvokeKind kind, std::vector<rt::Variant> args = {}, rt::Variant* out = nullptr) {
        return player().invoke(dispid, kind, args, out);
    }
    std::vector<rt::MenuItem> openMenu() {
        d->rightClick(kInPlayer.x(), kInPlayer.y());
        auto& menu = d->host().menu();
        EXPECT_TRUE(menu.has_value());
        return menu ? menu->items : std::vector<rt::MenuItem>{};
    }
    void choose(int item) {
        openMenu();
        ASSERT_TRUE(d->chooseMenuItem(item));
    }

    QTemporaryDir dir;
    Rig s;
    std::unique_ptr<rt::Driver> d;
};

swf::MovieData frames(int n, double fps = 10) { return mediatest::stageMovie(n, fps, 200, 100, {255, 0, 0, 255}); }

// --- creation -----------------------------------------------------------

TEST_F(PlayerTest, CreatedFromTheLessonBlockWithItsPresentation) {
    start(movieFile("a.swf", frames(5)));
    ASSERT_TRUE(d->host().errors().empty());
    const media::PlayerSettings& p = player().settings();
    EXPECT_TRUE(p.presentation.transparent);
    EXPECT_TRUE(p.presentation.antialias);
    EXPECT_TRUE(p.playAtOnce);
    EXPECT_TRUE(p.loop);
    EXPECT_TRUE(p.menu);
    EXPECT_TRUE(player().extentMatchesLayout());
}

TEST_F(PlayerTest, ClassIdIsComparedWithoutCase) {
    s.classId = "{d27cdb6e-ae6d-11cf-96b8-444553540000}";
    start(movieFile("a.swf", frames(5)));
    EXPECT_TRUE(d->host().errors().empty());
    EXPECT_TRUE(player().hasMovie());
}

TEST_F(PlayerTest, AnExtentOfAnotherSizeIsToleratedAndReported) {
    start(movieFile("a.swf", frames(5)), media::encodeState(media::lessonDesignValues(10935, 7335)));
    EXPECT_TRUE(d->host().errors().empty());
    EXPECT_FALSE(player().extentMatchesLayout());
    EXPECT_TRUE(player().playing());
}

TEST_F(PlayerTest, UnknownClassCannotBeCreated) {
    s.classId = "{00000000-0000-0000-0000-000000000000}";
    start(QString("x"));
    ASSERT_EQ(d->host().errorNumbers().size(), 1u);
    EXPECT_EQ(d->host().errorNumbers()[0], rt::err::CannotCreateObject);
    EXPECT_TRUE(d->host().errors()[0].contains("classe de composant inconnue"));
    EXPECT_TRUE(d->ended());
}

TEST_F(PlayerTest, CorruptedBlockEndsTheProgramBeforeFormLoad) {
    Bytes bad = media::encodeState(media::lessonDesignValues(10575, 7215));
    bad[36] = 11;  // WMode's type code
    start(movieFile("a.swf", frames(5)), bad);
    ASSERT_EQ(d->host().errorNumbers().size(), 1u);
    EXPECT_EQ(d->host().errorNumbers()[0], rt::err::CannotCreateObject);
    EXPECT_TRUE(d->host().errors()[0].contains("état enregistré illisible"));
    EXPECT_TRUE(d->host().errors()[0].contains("WMode"));
    EXPECT_TRUE(d->ended());
    EXPECT_TRUE(s.journal.isEmpty());
}

TEST_F(PlayerTest, DesignValuesPlayFalseLoopFalseMenuFalseAreHonoured) {
    media::PersistedState st = media::lessonDesignValues(10575, 7215);
    st.play = media::StoredBool::of(false);
    st.loop = media::StoredBool::of(false);
    st.menu = media::StoredBool::of(false);
    // Shorter strings, made up for in values the player does not read, keep the block at 210 bytes.
    st.wmode = QStringLiteral("Window");
    st.flashVars = QStringLiteral("a=1&b");
    st.quality = QStringLiteral("Low");
    st.base = QStringLiteral(".");
    start(movieFile("a.swf", frames(4)), media::encodeState(st));
    ASSERT_TRUE(d->host().errors().empty());
    EXPECT_FALSE(player().settings().presentation.transparent);
    EXPECT_FALSE(player().settings().presentation.antialias);
    // A new movie does not start by itself.
    ASSERT_EQ(invoke(102, rt::InvokeKind::PropertyPut, {movieFile("b.swf", frames(4))}), rt::kOk);
    EXPECT_FALSE(player().playing());
    EXPECT_FALSE(player().clockRunning());
    // Play does start it, and without looping it stays on its last frame.
    ASSERT_EQ(invoke(112, rt::InvokeKind::Method), rt::kOk);
    d->advance(2000);
    EXPECT_EQ(player().currentFrame(), 4);
    EXPECT_FALSE(player().playing());
    EXPECT_FALSE(player().clockRunning());
    // No context menu.
    d->rightClick(kInPlayer.x(), kInPlayer.y());
    EXPECT_FALSE(d->host().menu().has_value());
}

// --- the three members --------------------------------------------------

TEST_F(PlayerTest, MovieRewindPlayLeavesItPlayingFromFrameOne) {
    const QString path = movieFile("demarre_tk.swf", frames(5));
    start(path);
    EXPECT_EQ(s.journal, QStringList({"load", "movie", "rewind", "play"}));
    EXPECT_TRUE(player().hasMovie());
    EXPECT_EQ(player().currentFrame(), 1);
    EXPECT_EQ(player().frameCount(), 5);
    EXPECT_TRUE(player().playing());
    EXPECT_TRUE(player().clockRunning());
    rt::Variant got;
    ASSERT_EQ(invoke(102, rt::InvokeKind::PropertyGet, {}, &got), rt::kOk);
    EXPECT_EQ(std::get<QString>(got), path);
}

TEST_F(PlayerTest, NonStringMovieFailsAndStopsTheHandler) {
    start(std::int32_t(5));
    EXPECT_EQ(s.journal, QStringList({"load"}));
    ASSERT_EQ(d->host().errorNumbers().size(), 1u);
    EXPECT_EQ(d->host().errorNumbers()[0], rt::err::AutomationError);
    EXPECT_TRUE(d->host().errors()[0].contains("80070057"));
    EXPECT_TRUE(d->ended());
}

TEST_F(PlayerTest, MembersRefuseWrongKindsArgumentsAndUnknownIds) {
    start(movieFile("a.swf", frames(5)));
    EXPECT_EQ(invoke(999, rt::InvokeKind::Method), rt::kUnknownMember);
    EXPECT_EQ(invoke(102, rt::InvokeKind::Method), rt::kUnknownMember);
    EXPECT_EQ(invoke(116, rt::InvokeKind::PropertyPut, {QString("x")}), rt::kUnknownMember);
    EXPECT_EQ(invoke(112, rt::InvokeKind::Method, {true}), rt::kBadArgument);
    EXPECT_EQ(invoke(102, rt::InvokeKind::PropertyPut, {}), rt::kBadArgument);
    EXPECT_EQ(invoke(102, rt::InvokeKind::PropertyPut, {1.5}), rt::kBadArgument);
    EXPECT_EQ(invoke(102, rt::InvokeKind::PropertyGet), rt::kBadArgument);  // nowhere to put it
    // None of these disturbed the movie.
    EXPECT_TRUE(player().playing());
}

TEST_F(PlayerTest, PathAtARootReachesThePlayerUnchangedAndStillOpens) {
    // The screen appends "\name.swf" to a folder ending in a separator.
    QString folder = dir.path() + "\\";
    const QString given = folder + "\\racine.swf";
    mediatest::writeFile(dir.path() + "/racine.swf", mediatest::bytesOf(frames(3)));
    start(given);
    rt::Variant got;
    ASSERT_EQ(invoke(102, rt::InvokeKind::PropertyGet, {}, &got), rt::kOk);
    EXPECT_EQ(std::get<QString>(got), given);
    EXPECT_TRUE(player().hasMovie()) << player().notice().toStdString();
    EXPECT_EQ(player().frameCount(), 3);
}

// --- missing and damaged files --------------------------------------------

int noticePixels(const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (std::abs(c.red() - 128) < 12 && std::abs(c.green() - 128) < 12 && std::abs(c.blue() - 128) < 12) ++n;
        }
    return n;
}

TEST_F(PlayerTest, MissingFileShowsANoticeAndTheScreenGoesOn) {
    start(screenPath("demarre_tk.swf"));
    EXPECT_TRUE(d->host().errors().empty());
    EXPECT_EQ(s.journal, QStringList({"load", "movie", "rewind", "play"}));
    EXPECT_FALSE(player().hasMovie());
    EXPECT_EQ(player().notice(), "Film introuvable : demarre_tk.swf");
    EXPECT_FALSE(player().clockRunning());

    const QImage img = d->grab("Lesson");
    const QPoint c = kPlayerRect.center();
    EXPECT_GT(noticePixels(img, QRect(c.x() - 200, c.y() - 15, 400, 30)), 30);
    // Nothing else of the player's area is painted.
    EXPECT_EQ(noticePixels(img, QRect(kPlayerRect.left(), kPlayerRect.top(), 705, 150)), 0);
    EXPECT_EQ(img.pixel(kPlayerRect.left() + 5, kPlayerRect.top() + 5), kBackground);

    // The control keeps working: a real movie set later plays.
    EXPECT_EQ(invoke(116, rt::InvokeKind::Method), rt::kOk);
    EXPECT_EQ(invoke(112, rt::InvokeKind::Method), rt::kOk);
    ASSERT_EQ(invoke(102, rt::InvokeKind::PropertyPut, {movieFile("demarre_tk.swf", frames(3))}), rt::kOk);
    EXPECT_TRUE(player().notice().isEmpty());
    EXPECT_TRUE(player().playing());
    // And the left click and the menu on a missing movie do nothing harmful.
    ASSERT_EQ(invoke(102, rt::InvokeKind::PropertyPut, {screenPath("absent.swf")}), rt::kOk);
    const auto items = openMenu();
    ASSERT_EQ(items.size(), 6u);
    for (const auto& i : items) EXPECT_FALSE(i.enabled) << i.text.toStdString();
    d->click(kInPlayer.x(), kInPlayer.y());
    EXPECT_TRUE(d->host().errors().empty());
}

TEST_F(PlayerTest, TruncatedHeaderShowsTheIncompleteNoticeAlone) {
    mediatest::writeFile(dir.path() + "/coupe.swf", {'F', 'W', 'S', 8, 100, 0});
    start(screenPath("coupe.swf"));
    EXPECT_TRUE(d->host().errors().empty());
    EXPECT_FALSE(player().hasMovie());
    EXPECT_EQ(player().notice(), "Film incomplet : coupe.swf");
    EXPECT_TRUE(player().noticeBox(kPlayerRect).isEmpty());  // centred, as for an unreadable file
    const QPoint c = kPlayerRect.center();
    EXPECT_GT(noticePixels(d->grab("Lesson"), QRect(c.x() - 200, c.y() - 15, 400, 30)), 30);
    d->advance(1000);
    EXPECT_FALSE(d->ended());
}

TEST_F(PlayerTest, TruncatedMoviePlaysTheFramesItHas) {
    swf::MovieData movie = frames(30);
    auto bytes = mediatest::bytesOf(movie);
    bytes.resize(bytes.size() * 2 / 3);
    mediatest::writeFile(dir.path() + "/moitie.swf", bytes);
    start(screenPath("moitie.swf"));
    ASSERT_TRUE(player().hasMovie()) << player().notice().toStdString();
    EXPECT_TRUE(player().partialMovie());
    EXPECT_EQ(player().notice(), "Film incomplet : moitie.swf");
    const int count = player().frameCount();
    EXPECT_GE(count, 1);
    EXPECT_LT(count, 30);

    // The frames show, and over their lower left the notice in its own box:
    // a grey frame around white, with grey text inside, within the stage.
    const QRect box = player().noticeBox(kPlayerRect);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_TRUE(kPlayerRect.contains(box));
    EXPECT_LT(box.left(), kPlayerRect.center().x());
    EXPECT_GT(box.top(), kPlayerRect.center().y());
    const QImage img = d->grab("Lesson");
    EXPECT_EQ(img.pixel(box.left(), box.center().y()), qRgb(128, 128, 128));
    EXPECT_EQ(img.pixel(box.right(), box.top()), qRgb(128, 128, 128));
    EXPECT_EQ(img.pixel(box.left() + 2, box.top() + 2), qRgb(255, 255, 255));
    EXPECT_GT(noticePixels(img, box.adjusted(3, 3, -3, -3)), 30) << "the text";
    d->advance(5000);
    EXPECT_FALSE(d->ended());
    EXPECT_EQ(invoke(116, rt::InvokeKind::Method), rt::kOk);
    EXPECT_EQ(player().currentFrame(), 1);
    EXPECT_EQ(invoke(112, rt::InvokeKind::Method), rt::kOk);
    if (count > 1) {
        EXPECT_TRUE(player().playing());
    }
}

// --- the frame clock ------------------------------------------------------

TEST_F(PlayerTest, PlaysAtTheMovieRateAndLoops) {
    start(movieFile("a.swf", frames(5, 10)));  // 100 ms a frame
    d->advance(99);
    EXPECT_EQ(player().currentFrame(), 1);
    d->advance(1);
    EXPECT_EQ(player().currentFrame(), 2);
    d->advance(300);
    EXPECT_EQ(player().currentFrame(), 5);
    d->advance(100);
    EXPECT_EQ(player().currentFrame(), 1);  // looped
    d->advance(100);
    EXPECT_EQ(player().currentFrame(), 2);
}

TEST_F(PlayerTest, FractionalIntervalsKeepTheAverageRate) {
    start(movieFile("a.swf", frames(200, 12)));  // 83.3 ms a frame
    // The first frame change is not a whole tick late.
    d->advance(84);
    EXPECT_EQ(player().currentFrame(), 2);
    d->advance(10000 - 84);
    // 120 frames were due in ten seconds; the clock may lag by one tick.
    EXPECT_GE(player().currentFrame() - 1, 119);
    EXPECT_LE(player().currentFrame() - 1, 120);
}

TEST_F(PlayerTest, RepaintsOnlyWhenTheFrameChanges) {
    start(movieFile("a.swf", frames(50, 10)));
    const int before = d->host().repaints();
    d->advance(1000);
    EXPECT_EQ(d->host().repaints() - before, 10);
    choose(0);  // pause
    const int paused = d->host().repaints();
    d->advance(3000);
    EXPECT_EQ(d->host().repaints(), paused);
    EXPECT_FALSE(d->runtime().nextTimerDue().has_value());
}

TEST_F(PlayerTest, AnimatedSpritesOnAStillTimelineAreRepainted) {
    // One root frame holding a sprite whose own three frames move its shape.
    swf::MovieData movie = frames(1);
    swf::DefineSprite sprite;
    sprite.id = 2;
    sprite.frameCount = 3;
    swf::PlaceObject inner;
    inner.depth = 1;
    inner.characterId = 1;
    inner.matrix = swf::Matrix{};
    sprite.tags = {inner, swf::ShowFrame{}};
    mediatest::appendSlide(sprite.tags, 1, 3, 200);
    swf::PlaceObject outer;
    outer.depth = 1;
    outer.characterId = 2;
    outer.matrix = swf::Matrix{};
    movie.tags = {movie.tags[0], sprite, outer, swf::ShowFrame{}};
    start(movieFile("s.swf", movie));
    const int before = d->host().repaints();
    d->advance(1000);
    EXPECT_EQ(player().currentFrame(), 1);
    EXPECT_EQ(d->host().repaints() - before, 10);
}

TEST_F(PlayerTest, RewindAndPlayAfterSomeFramesStartsFromFrameOne) {
    start(movieFile("a.swf", frames(8)));
    d->advance(450);
    ASSERT_EQ(player().currentFrame(), 5);
    ASSERT_EQ(invoke(116, rt::InvokeKind::Method), rt::kOk);
    EXPECT_EQ(player().currentFrame(), 1);
    EXPECT_FALSE(player().playing());
    EXPECT_FALSE(player().clockRunning());
    d->advance(500);
    EXPECT_EQ(player().currentFrame(), 1);
    ASSERT_EQ(invoke(112, rt::InvokeKind::Method), rt::kOk);
    // The clock starts afresh: the stopped time does not count.
    d->advance(99);
    EXPECT_EQ(player().currentFrame(), 1);
    d->advance(1);
    EXPECT_EQ(player().currentFrame(), 2);
}

TEST_F(PlayerTest, ANewMovieReplacesEverythingOfTheOldOne) {
    start(movieFile("a.swf", frames(8)));
    d->advance(550);
    choose(1);  // looping off on the old movie
    ASSERT_FALSE(player().looping());
    ASSERT_EQ(invoke(102, rt::InvokeKind::PropertyPut, {movieFile("b.swf", frames(3, 20))}), rt::kOk);
    ASSERT_EQ(invoke(116, rt::InvokeKind::Method), rt::kOk);
    ASSERT_EQ(invoke(112, rt::InvokeKind::Method), rt::kOk);
    EXPECT_EQ(player().frameCount(), 3);
    EXPECT_EQ(player().currentFrame(), 1);
    EXPECT_TRUE(player().looping());
    d->advance(150);  // 50 ms a frame: 1 → 2 → 3 → 1
    EXPECT_EQ(player().currentFrame(), 1);
}

TEST_F(PlayerTest, UnloadingTheScreenStopsTheClockAndReloadStartsAfresh) {
    start(movieFile("a.swf", frames(8)));
    d->advance(350);
    d->click(kMenuLabel.x(), kMenuLabel.y());
    ASSERT_EQ(d->current(), "Other");
    EXPECT_FALSE(d->screen("Lesson").isLoaded());
    EXPECT_FALSE(d->runtime().nextTimerDue().has_value());
    d->advance(1000);
    d->click(5, 5);  // back to the lesson
    ASSERT_EQ(d->current(), "Lesson");
    EXPECT_EQ(player().currentFrame(), 1);
    EXPECT_TRUE(player().playing());
    d->advance(100);
    EXPECT_EQ(player().currentFrame(), 2);
    EXPECT_TRUE(d->host().errors().empty());
}

// --- the context menu -----------------------------------------------------

TEST_F(PlayerTest, MenuOffersFrenchItemsWithTheirStates) {
    start(movieFile("a.swf", frames(5)));
    const auto items = openMenu();
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].text, "Lire");
    EXPECT_TRUE(items[0].checkable);
    EXPECT_TRUE(items[0].checked);
    EXPECT_EQ(items[1].text, "En boucle");
    EXPECT_TRUE(items[1].checkable);
    EXPECT_TRUE(items[1].checked);
    EXPECT_TRUE(items[2].separator);
    EXPECT_EQ(items[3].text, "Rembobiner");
    EXPECT_EQ(items[4].text, "Avancer");
    EXPECT_EQ(items[5].text, "Reculer");
    for (int i : {0, 1, 3, 4, 5}) EXPECT_TRUE(items[i].enabled) << i;
    EXPECT_EQ(d->host().menu()->at, kInPlayer);
}

TEST_F(PlayerTest, OneFrameMovieOffersNothing) {
    start(movieFile("a.swf", frames(1)));
    const auto items = openMenu();
    for (int i : {0, 1, 3, 4, 5}) EXPECT_FALSE(items[i].enabled) << i;
    // Disabled items do nothing even when their choice arrives.
    ASSERT_TRUE(d->chooseMenuItem(0));
    EXPECT_TRUE(player().playing());
    choose(1);
    EXPECT_TRUE(player().looping());
}

TEST_F(PlayerTest, AStillMovieIsNotRepainted) {
    start(movieFile("a.swf", frames(1)));
    const int before = d->host().repaints();
    d->advance(2000);
    EXPECT_EQ(player().currentFrame(), 1);
    EXPECT_EQ(d->host().repaints(), before);
}

TEST_F(PlayerTest, LeftClickOnTheMovieDoesNothing) {
    start(movieFile("a.swf", frames(5)));
    d->click(kInPlayer.x(), kInPlayer.y());
    EXPECT_FALSE(d->host().menu().has_value());
    EXPECT_TRUE(player().playing());
    EXPECT_EQ(d->current(), "Lesson");
}

// The movie's button sits at (300, 200) in the movie, so at (310, 205) on the screen.
TEST_F(PlayerTest, TheMoviesButtonsTakeTheLeftButtonAndTheScreenNothing) {
    start(movieFile("b.swf", mediatest::buttonMovie()));
    d->advance(500);
    ASSERT_EQ(player().currentFrame(), 2) << "the movie waits on its second frame";
    const QPoint centre(360, 255), outside(600, 400);
    EXPECT_EQ(d->grab("Lesson").pixel(centre), qRgb(128, 128, 128)) << "up";

    d->move(centre.x(), centre.y());
    EXPECT_EQ(d->grab("Lesson").pixel(centre), qRgb(0, 200, 0)) << "over";
    EXPECT_TRUE(player().player()->overButton());

    d->click(outside.x(), outside.y());
    EXPECT_EQ(player().currentFrame(), 2) << "a click beside the button does nothing";
    EXPECT_EQ(d->grab("Lesson").pixel(centre), qRgb(128, 128, 128)) << "up again once the pointer left";

    const QStringList journal = s.journal;
    d->click(centre.x(), centre.y());
    EXPECT_EQ(player().currentFrame(), 3) << "the release action went to frame 3";
    EXPECT_EQ(d->current(), "Lesson");
    EXPECT_EQ(s.journal, journal) << "the screen's handlers saw nothing";
    EXPECT_FALSE(d->host().menu().has_value());
}

TEST_F(PlayerTest, ThePointerIsThePlatformsHandOverAMoviesButtonOnly) {
    start(movieFile("b.swf", mediatest::buttonMovie()));
    d->advance(500);
    d->move(600, 400);
    EXPECT_EQ(d->cursor(), nullptr);
    d->move(360, 255);
    ASSERT_NE(d->cursor(), nullptr);
    EXPECT_EQ(d->cursor()->standardShape(), Qt::PointingHandCursor);
    EXPECT_TRUE(d->cursor()->isNull()) << "drawn by the platform, not from a picture of ours";
    d->move(600, 400);
    EXPECT_EQ(d->cursor(), nullptr) << "off the button";
    d->move(360, 255);
    d->move(kMenuLabel.x(), kMenuLabel.y());
    EXPECT_EQ(d->cursor(), nullptr) << "off the movie";
}

// A lesson movie from the build, its controls clicked where the kit lays them
// out (the player shows the stage at its own size, from (10, 5)).
TEST_F(PlayerTest, ALessonPausedByItsOwnButtonHoldsAndLireResumesIt) {
    if (!QFile::exists(QStringLiteral(TK_APP_DIR) + "/creer_coque.swf")) GTEST_SKIP() << "lesson movies not built";
    start(QStringLiteral(TK_APP_DIR "\\creer_coque.swf"));
    const lessons::ui::Rect key = lessons::ui::controlsLayout(1).playPause;
    const QPoint pause(10 + int(key.centre().x), 5 + int(key.centre().y));
    d->advance(1500);
    d->move(pause.x(), pause.y());
    ASSERT_NE(d->cursor(), nullptr);
    EXPECT_EQ(d->cursor()->standardShape(), Qt::PointingHandCursor);
    d->click(pause.x(), pause.y());
    EXPECT_FALSE(player().playing());
    const int held = player().currentFrame();
    const QImage still = d->grab("Lesson");
    d->advance(2000);
    EXPECT_EQ(player().currentFrame(), held);
    // The same picture, but for edges that the drawing caches smooth a shade differently.
    EXPECT_EQ(tk::test::pixelsOverTolerance(d->grab("Lesson"), still), 0) << "the picture holds";
    EXPECT_FALSE(openMenu()[0].checked);
    ASSERT_TRUE(d->chooseMenuItem(0));  // Lire
    EXPECT_TRUE(player().playing());
    d->advance(500);
    EXPECT_GT(player().currentFrame(), held);
    EXPECT_TRUE(d->host().errors().empty());
}

// The menu's "Avancer", "Reculer" and "Lire" on a lesson: the movie's own
// play/pause key shows the play button while the movie stands still.
TEST_F(PlayerTest, ALessonSteppedFromTheMenuShowsItsPlayButton) {
    if (!QFile::exists(QStringLiteral(TK_APP_DIR) + "/creer_coque.swf")) GTEST_SKIP() << "lesson movies not built";
    start(QStringLiteral(TK_APP_DIR "\\creer_coque.swf"));
    const lessons::ui::Rect key = lessons::ui::controlsLayout(1).playPause;
    const QPoint toggle(10 + int(key.centre().x), 5 + int(key.centre().y));
    auto shown = [&] {
        const swf::Timeline* t = player().player()->root().child(lessons::LessonControls::kToggleName);
        return t ? t->currentFrame() : 0;  // 1: the pause button, 2: the play button
    };
    d->advance(1500);
    ASSERT_EQ(shown(), 1);
    d->click(toggle.x(), toggle.y());
    ASSERT_FALSE(player().playing());
    const int held = player().currentFrame();
    choose(4);  // Avancer
    d->advance(500);
    EXPECT_EQ(player().currentFrame(), held + 1);
    EXPECT_EQ(shown(), 2) << "a stopped movie offers to play";
    choose(5);  // Reculer
    d->advance(500);
    choose(5);
    d->advance(500);
    EXPECT_EQ(player().currentFrame(), held - 1);
    EXPECT_EQ(shown(), 2);
    // Its own key still plays it.
    d->click(toggle.x(), toggle.y());
    EXPECT_TRUE(player().playing());
    d->advance(500);
    EXPECT_EQ(shown(), 1);
    // Stopped by the menu, or stepped while it played: the play button too.
    choose(0);  // Lire
    d->advance(500);
    EXPECT_EQ(shown(), 2);
    choose(0);
    d->advance(500);
    EXPECT_EQ(shown(), 1);
    choose(4);
    d->advance(500);
    EXPECT_FALSE(player().playing());
    EXPECT_EQ(shown(), 2);
    EXPECT_TRUE(d->host().errors().empty());
}

TEST_F(PlayerTest, AMovieWithSoundPlaysOnWithoutAnAudioDevice) {
    start(movieFile("s.swf", mediatest::soundMovie(20)));
    EXPECT_TRUE(player().hasAudio());
    d->advance(1000);
    EXPECT_GT(player().currentFrame(), 5);
    ASSERT_NE(player().player()->stream(), nullptr);
    EXPECT_EQ(player().player()->stream()->samplesDelivered(), std::int64_t(player().currentFrame()) * 1102)
        << "the stream follows the frames";
    choose(3);  // Rembobiner
    EXPECT_EQ(player().player()->stream()->startFrame(), 1) << "rewinding restarts the sound";

    start(movieFile("a.swf", frames(5)));
    EXPECT_FALSE(player().hasAudio()) << "a silent movie opens no audio device";
}

TEST_F(PlayerTest, LirePausesAndResumes) {
    start(movieFile("a.swf", frames(10)));
    d->advance(200);
    choose(0);
    EXPECT_FALSE(player().playing());
    d->advance(1000);
    EXPECT_EQ(player().currentFrame(), 3);
    EXPECT_FALSE(openMenu()[0].checked);
    ASSERT_TRUE(d->chooseMenuItem(0));
    EXPECT_TRUE(player().playing());
    d->advance(100);
    EXPECT_EQ(player().currentFrame(), 4);
}

TEST_F(PlayerTest, LoopOffStopsOnTheLastFrame) {
    start(movieFile("a.swf", frames(4)));
    choose(1);
    EXPECT_FALSE(player().looping());
    EXPECT_FALSE(openMenu()[1].checked);
    d->chooseMenuItem(-1);  // an index that names no item does nothing
    d->advance(1000);
    EXPECT_EQ(player().currentFrame(), 4);
    EXPECT_FALSE(player().playing());
    EXPECT_FALSE(player().clockRunning());
    choose(1);
    EXPECT_TRUE(player().looping());
}

TEST_F(PlayerTest, RembobinerAvancerReculerStepAndStop) {
    start(movieFile("a.swf", frames(6)));
    d->advance(300);
    ASSERT_EQ(player().currentFrame(), 4);
    choose(4);  // Avancer
    EXPECT_EQ(player().currentFrame(), 5);
    EXPECT_FALSE(player().playing());
    d->advance(500);
    EXPECT_EQ(player().currentFrame(), 5);
    choose(5);  // Reculer
    choose(5);
    EXPECT_EQ(player().currentFrame(), 3);
    EXPECT_FALSE(player().playing());
    choose(3);  // Rembobiner
    EXPECT_EQ(player().currentFrame(), 1);
    EXPECT_FALSE(player().playing());
    EXPECT_FALSE(player().clockRunning());
}

TEST_F(PlayerTest, AChoiceFromAMenuOpenedOnAnEarlierMovieIsIgnored) {
    start(movieFile("a.swf", frames(6)));
    openMenu();
    ASSERT_EQ(invoke(102, rt::InvokeKind::PropertyPut, {movieFile("b.swf", frames(6))}), rt::kOk);
    ASSERT_TRUE(d->chooseMenuItem(0));  // "Lire" on the old movie: would pause
    EXPECT_TRUE(player().playing());
}

// --- drawing --------------------------------------------------------------

TEST_F(PlayerTest, WideMovieIsCentredVerticallyAndTransparentAround) {
    // 200 x 100 px stage in 705 x 481: scale 3.525, drawn 705 x 352.5 from y = 5 + 64.25.
    start(movieFile("a.swf", frames(1)));
    const QImage img = d->grab("Lesson");
    const QRgb red = 0xFFFF0000;
    EXPECT_EQ(img.pixel(kInPlayer), red);
    EXPECT_EQ(img.pixel(362, 66), kBackground);
    EXPECT_EQ(img.pixel(362, 72), red);
    EXPECT_EQ(img.pixel(362, 419), red);
    EXPECT_EQ(img.pixel(362, 425), kBackground);
    EXPECT_EQ(img.pixel(12, 245), red);
    EXPECT_EQ(img.pixel(713, 245), red);
    EXPECT_EQ(img.pixel(718, 245), kBackground);  // right of the player
}

TEST_F(PlayerTest, TallMovieIsCentredHorizontally) {
    // 100 x 200 px stage: scale 2.405, drawn 240.5 wide from x = 10 + 232.25.
    start(movieFile("t.swf", mediatest::stageMovie(1, 10, 100, 200, {0, 255, 0, 255})));
    const QImage img = d->grab("Lesson");
    EXPECT_EQ(img.pixel(239, 245), kBackground);
    EXPECT_EQ(img.pixel(245, 245), 0xFF00FF00);
    EXPECT_EQ(img.pixel(480, 245), 0xFF00FF00);
    EXPECT_EQ(img.pixel(486, 245), kBackground);
    EXPECT_EQ(img.pixel(362, 7), 0xFF00FF00);
    EXPECT_EQ(img.pixel(362, 484), 0xFF00FF00);
}

TEST_F(PlayerTest, HighDensityGrabDrawsAtDeviceResolution) {
    start(movieFile("a.swf", frames(1)));
    const QImage img = d->grab("Lesson", 2.0);
    ASSERT_EQ(img.width(), 1520);
    // The top edge at 2 x 69.25 = 138.5 device pixels.
    EXPECT_EQ(img.pixel(724, 136), kBackground);
    EXPECT_EQ(img.pixel(724, 141), 0xFFFF0000);
}

// --- the control on its own, with a recording site -------------------------

struct RecordingSite : rt::ControlSite {
    std::int64_t now = 0;
    std::map<int, std::function<void()>> timers;
    int nextId = 1;
    int invalidations = 0;
    std::int64_t nowMs() const override { return now; }
    int startTimer(int, std::function<void()> tick) override {
        timers[nextId] = std::move(tick);
        return nextId++;
    }
    void stopTimer(int id) override { timers.erase(id); }
    void invalidate() override { ++invalidations; }
    void popupMenu(QPoint, std::vector<rt::MenuItem>, std::function<void(int)>) override {}
};

TEST(MoviePlayerAlone, HoldsOneClockAtMostAndStopsItWhenDestroyed) {
    QTemporaryDir dir;
    ASSERT_TRUE(mediatest::writeFile(dir.path() + "/a.swf", mediatest::bytesOf(frames(4))));
    RecordingSite site;
    {
        media::MoviePlayer p(site, media::lessonDesignValues(10575, 7215), QSize(10575, 7215));
        EXPECT_TRUE(site.timers.empty());
        const std::vector<rt::Variant> path{dir.path() + "\\a.swf"};
        for (int i = 0; i < 3; ++i) ASSERT_EQ(p.invoke(102, rt::InvokeKind::PropertyPut, path, nullptr), rt::kOk);
        ASSERT_EQ(p.invoke(112, rt::InvokeKind::Method, {}, nullptr), rt::kOk);
        EXPECT_EQ(site.timers.size(), 1u);
        site.now = 100;
        site.timers.begin()->second();
        EXPECT_EQ(p.currentFrame(), 2);
    }
    EXPECT_TRUE(site.timers.empty());
}

TEST(MoviePlayerAlone, AMovieNamedAtDesignTimeOpensAtCreationWithoutARepaint) {
    QTemporaryDir dir;
    ASSERT_TRUE(mediatest::writeFile(dir.path() + "/d.swf", mediatest::bytesOf(frames(3))));
    media::PersistedState st = media::lessonDesignValues(10575, 7215);
    st.movie = dir.path() + "\\d.swf";
    RecordingSite site;
    media::MoviePlayer p(site, st, QSize(10575, 7215));
    EXPECT_TRUE(p.hasMovie()) << p.notice().toStdString();
    EXPECT_TRUE(p.playing());
    EXPECT_EQ(p.moviePath(), *st.movie);
    EXPECT_EQ(site.timers.size(), 1u);
    EXPECT_EQ(site.invalidations, 0);
}

// --- the lesson movies, when the build has made them -----------------------

TEST_F(PlayerTest, EveryLessonMovieFromTheBuildPlaysThroughTheControl) {
    if (!QFile::exists(QStringLiteral(TK_APP_DIR) + "/demarre_tk.swf")) GTEST_SKIP() << "lesson movies not built";
    auto pathOf = [](const screens::LessonMember& m) {
        return QStringLiteral(TK_APP_DIR "\\") + QString::fromLatin1(m.movie) + QStringLiteral(".swf");
    };
    start(pathOf(screens::kLessonMembers[0]));
    for (const screens::LessonMember& lesson : screens::kLessonMembers) {
        SCOPED_TRACE(lesson.movie);
        const QString path = pathOf(lesson);
        ASSERT_EQ(invoke(102, rt::InvokeKind::PropertyPut, {path}), rt::kOk);
        ASSERT_EQ(invoke(116, rt::InvokeKind::Method), rt::kOk);
        ASSERT_EQ(invoke(112, rt::InvokeKind::Method), rt::kOk);
        ASSERT_TRUE(player().hasMovie()) << player().notice().toStdString();
        EXPECT_FALSE(player().partialMovie());
        EXPECT_GT(player().frameCount(), 1);
        EXPECT_EQ(player().currentFrame(), 1);
        d->advance(1000);
        EXPECT_GT(player().currentFrame(), 1);
        // Something of the movie is drawn inside the player's rectangle.
        const QImage img = d->grab("Lesson");
        int changed = 0;
        for (int y = kPlayerRect.top(); y < kPlayerRect.bottom(); y += 8)
            for (int x = kPlayerRect.left(); x < kPlayerRect.right(); x += 8) changed += img.pixel(x, y) != kBackground;
        EXPECT_GT(changed, 50);
    }
    EXPECT_TRUE(d->host().errors().empty());
}

}  // namespace
