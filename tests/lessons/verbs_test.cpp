// The composer's parts taken one by one: the table of verbs, the camera's
// framing and turning, and pointer targets read from a command.
#include "lessons/kit/stage_camera.h"
#include "lessons/kit/targets.h"
#include "lessons/kit/verbs.h"

#include <gtest/gtest.h>

using namespace lessons;

namespace {

Script script(const std::string& body)
{
    return parseScript("movie essai\ntitle \"Essai\"\nsummary \"À retenir\"\n" + body + "step \"a\"\n  wait 1\n");
}

Command command(std::vector<std::string> args)
{
    return Command{"point", std::move(args), 12};
}

}  // namespace

TEST(Verbs, EveryCommandOfTheSourceFormatHasItsFunctionAndNoOtherNameDoes)
{
    const char* documented[] = {
        "wait", "point", "place", "click", "rclick", "dblclick", "pointer", "menu", "popup", "close", "dialog",
        "section", "field", "choice", "check", "info", "buttons", "set", "tick", "part", "grow", "display", "view",
        "orient", "turn", "sketch", "draw", "dim", "dimx", "undim", "plane", "select", "edge", "tree", "status",
        "docname", "document", "desktop", "toolbar", "note", "timeline", "key", "playhead", "playanim"};
    for (const char* name : documented)
        EXPECT_NE(findVerb(name), nullptr) << name;
    for (const char* name : {"", "Wait", "frobnicate", "step", "solid", "camera", "clicks"})
        EXPECT_EQ(findVerb(name), nullptr) << name;
    // Right and left clicks look the same; the dialog's rows are one verb.
    EXPECT_EQ(findVerb("rclick"), findVerb("click"));
    EXPECT_EQ(findVerb("info"), findVerb("field"));
    EXPECT_NE(findVerb("dblclick"), findVerb("click"));
}

TEST(StageCameraTest, TurningTakesTheShorterWayRound)
{
    EXPECT_DOUBLE_EQ(nearestYaw(350, 0), -10);
    EXPECT_DOUBLE_EQ(nearestYaw(-170, 180), 190);
    EXPECT_DOUBLE_EQ(nearestYaw(90, 45), 90);
    EXPECT_DOUBLE_EQ(nearestYaw(0, 725), 720);
    double yaw = 1, pitch = 1;
    ASSERT_TRUE(standardView("top", yaw, pitch));
    EXPECT_EQ(yaw, 0);
    EXPECT_EQ(pitch, 90);
    EXPECT_FALSE(standardView("dessus", yaw, pitch));
}

TEST(StageCameraTest, FramesTheSolidsThenAppliesTheCameraLine)
{
    const StageCamera plain = frameLesson(script("solid bloc box w=40 h=20 d=30\n"));
    EXPECT_DOUBLE_EQ(plain.lo.y, 0);
    EXPECT_DOUBLE_EQ(plain.hi.y, 20);
    EXPECT_DOUBLE_EQ(plain.base.centre.y, 10);
    EXPECT_EQ(plain.startYaw, 35);
    EXPECT_EQ(plain.startPitch, 25);
    // The part's middle is drawn at the graphics area's middle, a little high.
    const Pt mid = plain.at(0, 0).project(plain.base.centre);
    const ui::Rect g = ui::graphicsArea();
    EXPECT_NEAR(mid.x, g.x + g.w / 2, 1e-9);
    EXPECT_NEAR(mid.y, g.y + g.h / 2 - 6, 1e-9);

    const StageCamera set =
        frameLesson(script("solid bloc box w=40 h=20 d=30\ncamera yaw=10 pitch=-5 scale=2 dy=7\n"));
    EXPECT_DOUBLE_EQ(set.base.scale, plain.base.scale * 2);
    EXPECT_DOUBLE_EQ(set.base.screen.y, plain.base.screen.y + 7);
    EXPECT_EQ(set.startYaw, 10);
    EXPECT_EQ(set.startPitch, -5);

    EXPECT_THROW(frameLesson(script("camera scale=grand\n")), SourceError);
    // Without a solid the camera still frames something sensible.
    const StageCamera empty = frameLesson(script(""));
    EXPECT_GT(empty.base.scale, 0);
    EXPECT_DOUBLE_EQ(empty.base.centre.x, 0);
}

TEST(Targets, ReadOneTargetAndLeaveTheIndexAfterIt)
{
    const StageState st;
    const LessonModel m;
    const Camera cam = m.camera.at(st.yaw, st.pitch);
    std::size_t i = 0;
    const Command at = command({"at", "100", "200", "1.5"});
    const Pt p = pointerTarget(at, i, st, m, cam);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 200);
    EXPECT_EQ(i, 3u);

    ui::Rect tool;
    ASSERT_TRUE(ui::toolRect("extrusion", tool));
    i = 0;
    EXPECT_TRUE(tool.contains(pointerTarget(command({"tool", "extrusion"}), i, st, m, cam)));

    // Targets that need what the stage does not show, or that are cut short.
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"tool", "marteau"}, {"at", "100"}, {"item", "Ouvrir"}, {"face", "top"}, {"vertex", "s", "0"},
             {"play"}, {"edge"}, {"nulle"}, {}}) {
        i = 0;
        try {
            pointerTarget(command(args), i, st, m, cam);
            ADD_FAILURE() << "accepted: " << (args.empty() ? "(rien)" : args[0]);
        } catch (const SourceError& e) {
            EXPECT_EQ(e.line(), 12);
        }
    }
}
