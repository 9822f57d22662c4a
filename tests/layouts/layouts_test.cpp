// The screens' fixed layouts: windows, rectangles in pixels, stacking orders
// and the pictures and pointers the controls carry.

#include "layouts/layouts.h"

#include "runtime/errors.h"

#include <gtest/gtest.h>

#include <QRect>
#include <QRegion>
#include <QSize>
#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using rt::ControlDef;
using rt::ControlKind;

std::string key(const ControlDef& c) {
    return c.index < 0 ? std::string(c.name) : std::string(c.name) + "(" + std::to_string(c.index) + ")";
}

std::vector<std::string> stacking(const rt::ScreenLayout& s) {
    std::vector<std::string> keys;
    for (const ControlDef& c : s.controls) keys.push_back(key(c));
    return keys;
}

const ControlDef& control(const rt::ScreenLayout& s, const std::string& k) {
    for (const ControlDef& c : s.controls)
        if (key(c) == k) return c;
    throw std::runtime_error("no control " + k);
}

std::vector<std::string> allScreenNames() {
    std::vector<std::string> names;
    for (int n = 1; n <= 27; ++n) names.push_back("Form" + std::to_string(n));
    return names;
}

TEST(Windows, EveryScreenHasItsClientSizeInPixels) {
    const std::map<std::string, QSize> expected = {
        {"Form1", {638, 455}},  {"Form2", {508, 294}},  {"Form3", {649, 530}},  {"Form4", {649, 529}},
        {"Form5", {649, 530}},  {"Form6", {647, 530}},  {"Form7", {648, 530}},  {"Form8", {648, 530}},
        {"Form9", {648, 530}},  {"Form10", {649, 530}}, {"Form11", {648, 530}}, {"Form12", {750, 550}},
        {"Form13", {750, 550}}, {"Form14", {749, 550}}, {"Form15", {638, 455}}, {"Form16", {749, 549}},
        {"Form17", {750, 549}}, {"Form18", {749, 550}}, {"Form19", {750, 550}}, {"Form20", {750, 550}},
        {"Form21", {749, 550}}, {"Form22", {749, 549}}, {"Form23", {312, 206}}, {"Form24", {312, 206}},
        {"Form25", {312, 206}}, {"Form26", {312, 206}}, {"Form27", {312, 206}},
    };
    for (const std::string& name : allScreenNames()) {
        SCOPED_TRACE(name);
        const rt::ScreenLayout* s = layouts::find(name);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(std::string(s->window.name), name);
        EXPECT_EQ(s->window.clientPixels(), expected.at(name));
    }
}

TEST(Windows, OnlyTheTwentySevenScreensExist) {
    EXPECT_EQ(layouts::find("Form0"), nullptr);
    EXPECT_EQ(layouts::find("Form28"), nullptr);
    EXPECT_EQ(layouts::find("form1"), nullptr);
    EXPECT_THROW(layouts::get("Form28"), rt::RuntimeError);
}

TEST(Windows, FramesPositionsPicturesAndIcons) {
    for (const std::string& name : allScreenNames()) {
        SCOPED_TRACE(name);
        const rt::WindowDef& w = layouts::get(name).window;
        const int n = std::stoi(name.substr(4));
        if (n >= 23) {
            // A plain new window with its name in the title bar.
            EXPECT_EQ(w.border, rt::BorderStyle::Sizable);
            EXPECT_TRUE(w.showInTaskbar);
            EXPECT_EQ(w.position, rt::StartPosition::PlatformDefault);
            EXPECT_STREQ(w.caption, name.c_str());
            EXPECT_EQ(w.picture, nullptr);
            EXPECT_EQ(w.icon, nullptr);
            EXPECT_TRUE(layouts::get(name).controls.empty());
            continue;
        }
        EXPECT_EQ(w.border, rt::BorderStyle::None);
        EXPECT_FALSE(w.showInTaskbar);
        const bool owner = n == 6 || n == 7;
        EXPECT_EQ(w.position, owner ? rt::StartPosition::CenterOwner : rt::StartPosition::CenterScreen);
        EXPECT_STREQ(w.caption, n == 6 ? "" : name.c_str());
        const char* picture = n == 2    ? layouts::kSplashBackground
                              : n == 1  ? layouts::kMenuBackground
                              : n == 15 ? layouts::kPictureMenuBackground
                                        : layouts::kLessonBackground;
        EXPECT_STREQ(w.picture, picture);
        if (n <= 2)
            EXPECT_STREQ(w.icon, ":/pictures/app_icon.ico");
        else
            EXPECT_EQ(w.icon, nullptr);
    }
}

TEST(Splash, CounterLiesWhollyBelowTheClientAreaAndTheTimerTicksEverySecond) {
    const rt::ScreenLayout& s = layouts::splash();
    EXPECT_EQ(stacking(s), (std::vector<std::string>{"Timer1", "Image2(0)", "Label1"}));
    const ControlDef& count = control(s, "Label1");
    EXPECT_STREQ(count.caption, "60");
    EXPECT_TRUE(count.transparent);
    EXPECT_EQ(count.rect.toPixels(), QRect(304, 424, 33, 33));
    EXPECT_FALSE(count.rect.toPixels().intersects(QRect(QPoint(0, 0), s.window.clientPixels())));
    const ControlDef& timer = control(s, "Timer1");
    EXPECT_EQ(timer.kind, ControlKind::Timer);
    EXPECT_EQ(timer.interval, 1000);
    EXPECT_TRUE(timer.enabled);
    const ControlDef& skip = control(s, "Image2(0)");
    EXPECT_EQ(skip.rect.toPixels(), QRect(32, 256, 64, 39));
    EXPECT_EQ(skip.picture, nullptr);
}

TEST(MainMenu, StackingIsMarkersThenTheTitlesInTheirOwnOrder) {
    EXPECT_EQ(stacking(layouts::mainMenu()),
              (std::vector<std::string>{"Image2(8)", "Image2(7)", "Image2(6)", "Image2(5)", "Image2(4)", "Image2(3)",
                                        "Image2(2)", "Image2(1)", "Image2(0)", "Label1(8)", "Label1(7)", "Label1(6)",
                                        "Label1(5)", "Label1(4)", "Label1(3)", "Image1", "Label1(2)", "Label1(0)",
                                        "Label1(1)"}));
}

TEST(MainMenu, RowsMarkersAndTitlesInPixels) {
    const rt::ScreenLayout& s = layouts::mainMenu();
    // Each title's width in pixels and its caption.
    const std::pair<int, const char*> titles[9] = {{225, "Démarrer Tarvik"},
                                                   {249, "Barres d'outils principales"},
                                                   {241, "Dessiner une pièce en L"},
                                                   {241, "Créer une coque"},
                                                   {241, "Créer congé, chanfrein..."},
                                                   {241, "Créer un perçage"},
                                                   {273, "Formats d'affichage de la pièce"},
                                                   {273, "Animation personnalisée"},
                                                   {241, "Animation par l'assistant"}};
    for (int k = 0; k < 9; ++k) {
        const auto [width, caption] = titles[k];
        SCOPED_TRACE(k);
        const ControlDef& marker = control(s, "Image2(" + std::to_string(k) + ")");
        EXPECT_EQ(marker.rect.toPixels(), QRect(200, 120 + 32 * k, 15, 12));
        EXPECT_STREQ(marker.picture, ":/pictures/marker_arrow.jpg");
        EXPECT_TRUE(marker.visible);
        const ControlDef& title = control(s, "Label1(" + std::to_string(k) + ")");
        EXPECT_EQ(title.rect.toPixels(), QRect(240, 120 + 32 * k, width, 17));
        EXPECT_STREQ(title.caption, caption);
        EXPECT_EQ(title.foreColor, rt::Color::rgb(0x000000));
        EXPECT_TRUE(title.transparent);
        EXPECT_EQ(title.alignment, rt::Alignment::Left);
        ASSERT_TRUE(title.font.has_value());
        EXPECT_STREQ(title.font->name, "Verdana");
        EXPECT_EQ(title.font->weight, 700);
        EXPECT_EQ(title.tabIndex, k);
    }
}

TEST(MainMenu, ExitAreaShowsThirtyByThirtyThreePixelsInsideTheWindow) {
    const rt::ScreenLayout& s = layouts::mainMenu();
    const QRect exit = control(s, "Image1").rect.toPixels();
    const QRect client(QPoint(0, 0), s.window.clientPixels());
    EXPECT_EQ(exit.intersected(client), QRect(608, 0, 30, 33));
    EXPECT_EQ(control(s, "Image1").picture, nullptr);
}

TEST(PictureMenu, StackingPutsEveryHotSpotAboveItsOwnHoverPicture) {
    EXPECT_EQ(stacking(layouts::pictureMenu()),
              (std::vector<std::string>{"Image3", "Image1(8)", "Image2(8)", "Image1(7)", "Image2(7)", "Image1(5)",
                                        "Image1(6)", "Image2(6)", "Image2(5)", "Image1(4)", "Image2(4)", "Image1(3)",
                                        "Image2(3)", "Image1(2)", "Image2(2)", "Image1(0)", "Image1(1)", "Image2(1)",
                                        "Image2(0)"}));
}

TEST(PictureMenu, HoverPicturesLieInTheirHotSpotsButForOnePixelRowOnRowsZeroOneThree) {
    const rt::ScreenLayout& s = layouts::pictureMenu();
    const QRect hover[9] = {{256, 104, 148, 26}, {248, 136, 162, 26}, {232, 168, 185, 25},
                            {248, 200, 173, 26}, {248, 232, 162, 25}, {288, 264, 121, 24},
                            {248, 296, 165, 25}, {272, 328, 137, 24}, {248, 360, 154, 25}};
    for (int k = 0; k < 9; ++k) {
        SCOPED_TRACE(k);
        const ControlDef& spot = control(s, "Image1(" + std::to_string(k) + ")");
        const ControlDef& pic = control(s, "Image2(" + std::to_string(k) + ")");
        EXPECT_EQ(spot.rect.toPixels(), QRect(232, 104 + 32 * k, 209, 25));
        EXPECT_EQ(spot.picture, nullptr);
        EXPECT_EQ(pic.rect.toPixels(), hover[k]);
        EXPECT_STREQ(pic.picture, layouts::kHoverTitle[k]);
        EXPECT_TRUE(pic.visible);
        EXPECT_EQ(pic.mouseIcon, nullptr);
        const QRect outside = QRegion(pic.rect.toPixels()).subtracted(QRegion(spot.rect.toPixels())).boundingRect();
        if (k == 0 || k == 1 || k == 3)
            EXPECT_EQ(outside, QRect(hover[k].left(), hover[k].bottom(), hover[k].width(), 1));
        else
            EXPECT_TRUE(outside.isEmpty());
    }
    const QRect close = control(s, "Image3").rect.toPixels();
    EXPECT_EQ(close, QRect(616, 0, 25, 25));
    EXPECT_EQ(close.intersected(QRect(QPoint(0, 0), s.window.clientPixels())), QRect(616, 0, 22, 25));
}

TEST(Pointers, TheFiftyNineMouseIconsAllNameTheSharedPointer) {
    std::vector<std::string> carriers;
    for (const std::string& name : allScreenNames()) {
        for (const ControlDef& c : layouts::get(name).controls) {
            if (!c.mouseIcon) continue;
            EXPECT_STREQ(c.mouseIcon, ":/pictures/hand_cursor.ico") << name << "." << key(c);
            carriers.push_back(name + "." + key(c));
        }
    }
    EXPECT_EQ(carriers.size(), 59u);
    std::vector<std::string> expected = {"Form1.Image1", "Form2.Image2(0)", "Form15.Image3"};
    for (int k = 0; k < 9; ++k) {
        expected.push_back("Form1.Label1(" + std::to_string(k) + ")");
        expected.push_back("Form15.Image1(" + std::to_string(k) + ")");
    }
    for (const layouts::LessonRow& row : layouts::lessonRows()) {
        expected.push_back(std::string(row.name) + ".Label1(0)");
        expected.push_back(std::string(row.name) + ".Label1(1)");
    }
    std::sort(carriers.begin(), carriers.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(carriers, expected);
}

TEST(Lessons, NineteenMembersWithTheCommonControls) {
    std::vector<std::string> names;
    for (const layouts::LessonRow& row : layouts::lessonRows()) names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Form3", "Form4", "Form5", "Form6", "Form7", "Form8", "Form9", "Form10",
                                               "Form11", "Form12", "Form13", "Form14", "Form16", "Form17", "Form18",
                                               "Form19", "Form20", "Form21", "Form22"}));
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const rt::ScreenLayout& s = layouts::get(name);
        ASSERT_EQ(s.controls.size(), 4u);
        const ControlDef& frame = s.controls.front();  // top-most
        EXPECT_STREQ(frame.name, "Shape1");
        EXPECT_EQ(frame.kind, ControlKind::Shape);
        EXPECT_EQ(frame.rect, (rt::TwipRect{0, 0, 9735, 7935}));
        EXPECT_EQ(frame.borderColor, rt::Color::system(rt::SystemColor::InactiveTitleBar));
        EXPECT_EQ(frame.borderStyle, 2);
        EXPECT_EQ(control(s, "flash1").kind, ControlKind::External);
        const ControlDef& menu = control(s, "Label1(0)");
        const ControlDef& quit = control(s, "Label1(1)");
        EXPECT_STREQ(menu.caption, "Menu");
        EXPECT_STREQ(quit.caption, "Quitter");
        for (const ControlDef* l : {&menu, &quit}) {
            EXPECT_EQ(l->rect.top, 7560);
            EXPECT_EQ(l->rect.height, 255);
            EXPECT_EQ(l->foreColor, rt::Color::rgb(0xFFFFFF));
            EXPECT_TRUE(l->transparent);
            EXPECT_EQ(l->alignment, rt::Alignment::Center);
            ASSERT_TRUE(l->font.has_value());
            EXPECT_STREQ(l->font->name, "Verdana");
            EXPECT_EQ(l->font->weight, 700);
            EXPECT_DOUBLE_EQ(l->font->pointSize, 8.25);
            // The labels lie below the player and never overlap it.
            EXPECT_FALSE(l->rect.toPixels().intersects(control(s, "flash1").rect.toPixels()));
        }
        if (name == "Form5") {
            EXPECT_EQ(menu.rect.toPixels(), QRect(8, 504, 41, 17));
            EXPECT_EQ(quit.rect.toPixels(), QRect(560, 504, 49, 17));
        } else {
            EXPECT_EQ(menu.rect.toPixels(), QRect(16, 504, 41, 17));
            EXPECT_EQ(quit.rect.toPixels(), QRect(568, 504, 49, 17));
        }
    }
}

TEST(Lessons, PlayerRectanglesInPixels) {
    const std::map<std::string, QRect> special = {{"Form3", {-40, 0, 729, 489}},  {"Form5", {-48, 0, 745, 489}},
                                                  {"Form4", {-24, 0, 705, 481}},  {"Form7", {-24, 0, 705, 481}},
                                                  {"Form8", {-24, 0, 705, 481}},  {"Form9", {-24, 0, 705, 481}},
                                                  {"Form10", {-24, 0, 705, 481}}, {"Form11", {-24, 0, 705, 481}}};
    for (const layouts::LessonRow& row : layouts::lessonRows()) {
        SCOPED_TRACE(row.name);
        const auto it = special.find(row.name);
        const QRect expected = it != special.end() ? it->second : QRect(-32, 0, 705, 481);
        EXPECT_EQ(control(layouts::get(row.name), "flash1").rect.toPixels(), expected);
    }
}

}  // namespace
