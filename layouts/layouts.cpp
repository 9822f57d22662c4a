// The layouts of all 27 screens. Each is built once, on first use, into a
// function-local constant that lives until the process ends.

#include "layouts/layouts.h"

#include "runtime/errors.h"

#include <QString>

namespace layouts {

using rt::Alignment;
using rt::BorderStyle;
using rt::Color;
using rt::ControlDef;
using rt::ControlKind;
using rt::ScreenLayout;
using rt::StartPosition;
using rt::TwipRect;

namespace {

constexpr Color kBlack = Color::rgb(0x000000);
constexpr Color kWhite = Color::rgb(0xFFFFFF);

// A borderless window without a task-bar button, centred on the screen.
rt::WindowDef borderless(const char* name, const char* caption, int width, int height, const char* picture,
                         const char* icon) {
    rt::WindowDef w;
    w.name = name;
    w.caption = caption;
    w.clientWidth = width;
    w.clientHeight = height;
    w.border = BorderStyle::None;
    w.showInTaskbar = false;
    w.position = StartPosition::CenterScreen;
    w.picture = picture;
    w.icon = icon;
    return w;
}

// A control of one kind, named and placed; the makers below add what their kind needs.
ControlDef placed(ControlKind kind, const char* name, short index, TwipRect rect) {
    return {.kind = kind, .name = name, .index = index, .rect = rect};
}

ControlDef picture(const char* name, short index, TwipRect rect, const char* pictureFile, const char* mouseIcon) {
    ControlDef c = placed(ControlKind::Image, name, index, rect);
    c.picture = pictureFile;
    c.mouseIcon = mouseIcon;
    return c;
}

// A transparent label in the course's one font.
ControlDef label(const char* name, short index, TwipRect rect, const char* caption, Color fore, Alignment align,
                 int tabIndex) {
    ControlDef c = placed(ControlKind::Label, name, index, rect);
    c.caption = caption;
    c.foreColor = fore;
    c.transparent = true;
    c.alignment = align;
    c.font = rt::FontDef{};
    c.mouseIcon = kHandCursor;
    c.tabIndex = tabIndex;
    return c;
}

ScreenLayout makeSplash() {
    ScreenLayout s;
    s.window = borderless("Form2", "Form2", 7620, 4410, kSplashBackground, kAppIcon);

    ControlDef timer;
    timer.kind = ControlKind::Timer;
    timer.name = "Timer1";
    timer.interval = 1000;
    timer.enabled = true;
    s.controls.push_back(timer);

    // The skip area over the French tile; its bottom pixel row lies outside.
    s.controls.push_back(picture("Image2", 0, {480, 3840, 960, 585}, nullptr, kHandCursor));

    // The countdown: wholly below the client area, so it is never seen.
    ControlDef count;
    count.kind = ControlKind::Label;
    count.name = "Label1";
    count.rect = {4560, 6360, 495, 495};
    count.caption = "60";
    count.transparent = true;
    count.tabIndex = 0;
    s.controls.push_back(count);
    return s;
}

// The main menu's nine titles, their widths in twips.
constexpr std::array<const char*, 9> kTitles = {"Démarrer Tarvik",
                                                "Barres d'outils principales",
                                                "Dessiner une pièce en L",
                                                "Créer une coque",
                                                "Créer congé, chanfrein...",
                                                "Créer un perçage",
                                                "Formats d'affichage de la pièce",
                                                "Animation personnalisée",
                                                "Animation par l'assistant"};
constexpr std::array<int, 9> kTitleWidths = {3375, 3735, 3615, 3615, 3615, 3615, 4095, 4095, 3615};

ScreenLayout makeMainMenu() {
    ScreenLayout s;
    s.window = borderless("Form1", "Form1", 9570, 6825, kMenuBackground, kAppIcon);

    auto rowTop = [](int k) { return 1800 + 480 * k; };
    auto marker = [&](short k) { return picture("Image2", k, {3000, rowTop(k), 225, 180}, kMarkerArrow, nullptr); };
    auto title = [&](short k) {
        return label("Label1", k, {3600, rowTop(k), kTitleWidths[k], 255}, kTitles[k], kBlack, Alignment::Left, k);
    };
    ControlDef exitArea = picture("Image1", -1, {9120, 0, 495, 495}, nullptr, kHandCursor);

    for (short k = 8; k >= 0; --k) s.controls.push_back(marker(k));
    for (short k = 8; k >= 3; --k) s.controls.push_back(title(k));
    s.controls.push_back(exitArea);
    s.controls.push_back(title(2));
    s.controls.push_back(title(0));
    s.controls.push_back(title(1));
    return s;
}

// The picture menu's hover pictures, each exactly its picture's size.
constexpr std::array<TwipRect, 9> kHoverRects = {{
    {3840, 1560, 2220, 390},
    {3720, 2040, 2430, 390},
    {3480, 2520, 2775, 375},
    {3720, 3000, 2595, 390},
    {3720, 3480, 2430, 375},
    {4320, 3960, 1815, 360},
    {3720, 4440, 2475, 375},
    {4080, 4920, 2055, 360},
    {3720, 5400, 2310, 375},
}};

ScreenLayout makePictureMenu() {
    ScreenLayout s;
    s.window = borderless("Form15", "Form15", 9570, 6825, kPictureMenuBackground, nullptr);

    auto hotSpot = [](short k) {
        return picture("Image1", k, {3480, 1560 + 480 * k, 3135, 375}, nullptr, kHandCursor);
    };
    auto hover = [](short k) { return picture("Image2", k, kHoverRects[k], kHoverTitle[k], nullptr); };

    // Every hot spot lies above its own row's hover picture.
    s.controls = {
        picture("Image3", -1, {9240, 0, 375, 375}, nullptr, kHandCursor),
        hotSpot(8),
        hover(8),
        hotSpot(7),
        hover(7),
        hotSpot(5),
        hotSpot(6),
        hover(6),
        hover(5),
        hotSpot(4),
        hover(4),
        hotSpot(3),
        hover(3),
        hotSpot(2),
        hover(2),
        hotSpot(0),
        hotSpot(1),
        hover(1),
        hover(0),
    };
    return s;
}

constexpr TwipRect kWidePlayer{-600, 0, 10935, 7335};    // Form3
constexpr TwipRect kWidestPlayer{-720, 0, 11175, 7335};  // Form5
constexpr TwipRect kPlayerAt360{-360, 0, 10575, 7215};
constexpr TwipRect kPlayerAt480{-480, 0, 10575, 7215};

constexpr StartPosition kScreen = StartPosition::CenterScreen;
constexpr StartPosition kOwner = StartPosition::CenterOwner;

constexpr std::array<LessonRow, 19> kLessonRows = {{
    {"Form3", "Form3", 9735, 7950, kScreen, kWidePlayer, 240, 8520},
    {"Form4", "Form4", 9735, 7935, kScreen, kPlayerAt360, 240, 8520},
    {"Form5", "Form5", 9735, 7950, kScreen, kWidestPlayer, 120, 8400},
    {"Form6", "", 9705, 7950, kOwner, kPlayerAt480, 240, 8520},
    {"Form7", "Form7", 9720, 7950, kOwner, kPlayerAt360, 240, 8520},
    {"Form8", "Form8", 9720, 7950, kScreen, kPlayerAt360, 240, 8520},
    {"Form9", "Form9", 9720, 7950, kScreen, kPlayerAt360, 240, 8520},
    {"Form10", "Form10", 9735, 7950, kScreen, kPlayerAt360, 240, 8520},
    {"Form11", "Form11", 9720, 7950, kScreen, kPlayerAt360, 240, 8520},
    {"Form12", "Form12", 11250, 8250, kScreen, kPlayerAt480, 240, 8520},
    {"Form13", "Form13", 11250, 8250, kScreen, kPlayerAt480, 240, 8520},
    {"Form14", "Form14", 11235, 8250, kScreen, kPlayerAt480, 240, 8520},
    {"Form16", "Form16", 11235, 8235, kScreen, kPlayerAt480, 240, 8520},
    {"Form17", "Form17", 11250, 8235, kScreen, kPlayerAt480, 240, 8520},
    {"Form18", "Form18", 11235, 8250, kScreen, kPlayerAt480, 240, 8520},
    {"Form19", "Form19", 11250, 8250, kScreen, kPlayerAt480, 240, 8520},
    {"Form20", "Form20", 11250, 8250, kScreen, kPlayerAt480, 240, 8520},
    {"Form21", "Form21", 11235, 8250, kScreen, kPlayerAt480, 240, 8520},
    {"Form22", "Form22", 11235, 8235, kScreen, kPlayerAt480, 240, 8520},
}};

// The persisted block whose extent matches the player's size.
std::span<const std::uint8_t> playerStateFor(const TwipRect& player) {
    if (player.width == kWidePlayer.width && player.height == kWidePlayer.height) return playerStateForm3();
    if (player.width == kWidestPlayer.width && player.height == kWidestPlayer.height) return playerStateForm5();
    return playerStateCommon();
}

// The one common lesson layout with a row's values applied.
ScreenLayout makeLesson(const LessonRow& row) {
    ScreenLayout s;
    s.window = borderless(row.name, row.caption, row.clientWidth, row.clientHeight, kLessonBackground, nullptr);
    s.window.position = row.position;

    ControlDef frame;
    frame.kind = ControlKind::Shape;
    frame.name = "Shape1";
    frame.rect = {0, 0, 9735, 7935};
    frame.borderColor = Color::system(rt::SystemColor::InactiveTitleBar);
    frame.borderStyle = 2;
    s.controls.push_back(frame);

    ControlDef player;
    player.kind = ControlKind::External;
    player.name = "flash1";
    player.rect = row.player;
    player.classId = kPlayerClassId;
    player.persisted = playerStateFor(row.player);
    s.controls.push_back(player);

    s.controls.push_back(label("Label1", 0, {row.menuLeft, 7560, 615, 255}, "Menu", kWhite, Alignment::Center, 0));
    s.controls.push_back(label("Label1", 1, {row.quitLeft, 7560, 735, 255}, "Quitter", kWhite, Alignment::Center, 1));
    return s;
}

// A plain new window: framed, resizable, placed by the platform, no picture.
ScreenLayout makeEmpty(const char* name) {
    ScreenLayout s;
    s.window.name = name;
    s.window.caption = name;
    s.window.clientWidth = 4680;
    s.window.clientHeight = 3090;
    s.window.border = BorderStyle::Sizable;
    s.window.showInTaskbar = true;
    s.window.position = StartPosition::PlatformDefault;
    return s;
}

struct AllLayouts {
    ScreenLayout splash = makeSplash();
    ScreenLayout mainMenu = makeMainMenu();
    ScreenLayout pictureMenu = makePictureMenu();
    std::array<ScreenLayout, kLessonRows.size()> lessons;
    std::array<ScreenLayout, kEmptyScreens.size()> empty;

    AllLayouts() {
        for (std::size_t i = 0; i < kLessonRows.size(); ++i) lessons[i] = makeLesson(kLessonRows[i]);
        for (std::size_t i = 0; i < kEmptyScreens.size(); ++i) empty[i] = makeEmpty(kEmptyScreens[i]);
    }
};

const AllLayouts& all() {
    static const AllLayouts layouts;
    return layouts;
}

}  // namespace

const ScreenLayout& splash() { return all().splash; }
const ScreenLayout& mainMenu() { return all().mainMenu; }
const ScreenLayout& pictureMenu() { return all().pictureMenu; }

std::span<const LessonRow> lessonRows() { return kLessonRows; }

const ScreenLayout* find(std::string_view name) {
    const AllLayouts& a = all();
    for (const ScreenLayout* s : {&a.splash, &a.mainMenu, &a.pictureMenu})
        if (name == s->window.name) return s;
    for (const ScreenLayout& s : a.lessons)
        if (name == s.window.name) return &s;
    for (const ScreenLayout& s : a.empty)
        if (name == s.window.name) return &s;
    return nullptr;
}

const ScreenLayout& get(std::string_view name) {
    if (const ScreenLayout* s = find(name)) return *s;
    throw rt::objectRequired(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

}  // namespace layouts
