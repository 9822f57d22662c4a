#include "tests/runtime/test_project.h"

#include <QPainter>
#include <cmath>

namespace rttest {

using rt::ControlDef;
using rt::ControlKind;

rt::ScreenLayout homeLayout(int timerInterval) {
    rt::ScreenLayout l;
    l.window = {.name = "Home",
                .caption = "Home",
                .clientWidth = 300 * 15,
                .clientHeight = 200 * 15,
                .border = rt::BorderStyle::None,
                .showInTaskbar = false,
                .position = rt::StartPosition::CenterScreen};
    // Top-most first.
    l.controls.push_back({.kind = ControlKind::Shape, .name = "Shape1", .rect = {0, 0, 300 * 15, 200 * 15}});
    if (timerInterval > 0)
        l.controls.push_back({.kind = ControlKind::Timer, .name = "Timer1", .interval = timerInterval});
    // An invisible picture that lies over Label1(1): the mouse must pass through it.
    l.controls.push_back({.kind = ControlKind::Image,
                          .name = "Image3",
                          .rect = {100 * 15, 10 * 15, 40 * 15, 20 * 15},
                          .visible = false});
    l.controls.push_back({.kind = ControlKind::Label,
                          .name = "Label1",
                          .index = 0,
                          .rect = {10 * 15, 10 * 15, 60 * 15, 17 * 15},
                          .mouseIcon = kCursorPath,
                          .caption = "Zéro",
                          .foreColor = rt::Color::rgb(0x000000),
                          .transparent = true,
                          .font = rt::FontDef{}});
    l.controls.push_back({.kind = ControlKind::Label,
                          .name = "Label1",
                          .index = 1,
                          .rect = {100 * 15, 10 * 15, 60 * 15, 17 * 15},
                          .caption = "Un",
                          .foreColor = rt::Color::rgb(0x000000),
                          .transparent = true,
                          .font = rt::FontDef{}});
    l.controls.push_back(
        {.kind = ControlKind::Image, .name = "Image2", .index = 0, .rect = {10 * 15, 50 * 15, 30 * 15, 30 * 15}});
    l.controls.push_back({.kind = ControlKind::Image,
                          .name = "Image1",
                          .rect = {270 * 15, 0, 33 * 15, 33 * 15},
                          .mouseIcon = kCursorPath});
    l.controls.push_back({.kind = ControlKind::External,
                          .name = "flash1",
                          .rect = {-10 * 15, 100 * 15, 120 * 15, 60 * 15},
                          .classId = "{TEST}"});
    return l;
}

rt::ScreenLayout otherLayout() {
    rt::ScreenLayout l;
    l.window = {.name = "Other",
                .caption = "Other",
                .clientWidth = 200 * 15,
                .clientHeight = 100 * 15,
                .border = rt::BorderStyle::None,
                .showInTaskbar = false};
    l.controls.push_back(
        {.kind = ControlKind::Label, .name = "Label1", .rect = {0, 0, 100 * 15, 17 * 15}, .caption = "Autre"});
    return l;
}

rt::ScreenLayout emptyLayout() {
    rt::ScreenLayout l;
    l.window = {.name = "Empty", .caption = "Empty", .clientWidth = 4680, .clientHeight = 3090};
    return l;
}

rt::Status FakeExternal::invoke(int dispid, rt::InvokeKind kind, std::span<const rt::Variant> args, rt::Variant*) {
    QString arg;
    if (!args.empty() && std::holds_alternative<QString>(args[0])) arg = std::get<QString>(args[0]);
    calls->append(QStringLiteral("%1%2").arg(dispid).arg(arg.isEmpty() ? QString() : " " + arg));
    return dispid == failDispid ? rt::kFailed : rt::kOk;
}

void FakeExternal::paint(QPainter& painter, const QRect& area) { painter.fillRect(area, QColor(0, 0, 255)); }
void FakeExternal::mouseMove(QPoint p, int) { calls->append(QStringLiteral("move %1,%2").arg(p.x()).arg(p.y())); }
void FakeExternal::mousePress(QPoint, rt::MouseButton b) { calls->append(QStringLiteral("press %1").arg(int(b))); }
void FakeExternal::mouseRelease(QPoint, rt::MouseButton b) { calls->append(QStringLiteral("release %1").arg(int(b))); }

namespace {

class Home : public rt::Screen {
public:
    Home(rt::Runtime& r, const rt::ScreenLayout& layout, Journal& j) : Screen(r, layout), j_(j) {
        onLoad(&Home::Form_Load);
        onMouseMove(&Home::Form_MouseMove);
        onMouseMove("Label1", &Home::Label1_MouseMove);
        onClick("Label1", &Home::Label1_Click);
        onMouseMove("Image2", &Home::Image2_MouseMove);
        onClick("Image2", &Home::Image2_Click);
        onMouseMove("Image1", &Home::Image1_MouseMove);
        onClick("Image1", &Home::Image1_Click);
        onClick("Image3", &Home::Image3_Click);
        onTimer("Timer1", &Home::Timer1_Timer);
    }
    void Form_Load() { j_.events << "Home.Load"; }
    void Form_MouseMove(short, short, float x, float y) {
        j_.events << QStringLiteral("Home.Form_MouseMove %1,%2").arg(x).arg(y);
    }
    void Label1_MouseMove(short Index, short, short, float X, float Y) {
        j_.lastX = X;
        j_.lastY = Y;
        j_.events << QStringLiteral("Home.Label1_MouseMove(%1)").arg(Index);
        label("Label1", Index).setForeColor(rt::QBColor(13));
    }
    void Label1_Click(short Index) {
        j_.events << QStringLiteral("Home.Label1_Click(%1)").arg(Index);
        if (Index == 0) goTo("Other");
        if (Index == 1) close();
    }
    void Image2_MouseMove(short Index, short, short, float, float) {
        j_.events << QStringLiteral("Home.Image2_MouseMove(%1)").arg(Index);
    }
    void Image2_Click(short Index) {
        j_.events << QStringLiteral("Home.Image2_Click(%1)").arg(Index);
        // A control array element that does not exist: a runtime error.
        image("Image2", 1).setVisible(false);
        j_.events << "not reached";
    }
    void Image1_MouseMove(short, short, float, float) {
        j_.events << "Home.Image1_MouseMove";
        image("Image1").setMousePointer(rt::kCustomPointer);
    }
    void Image1_Click() {
        j_.events << "Home.Image1_Click";
        quit();
    }
    void Image3_Click() { j_.events << "Home.Image3_Click"; }
    void Timer1_Timer() {
        ++j_.timerTicks;
        j_.events << "Home.Timer1";
    }

private:
    Journal& j_;
};

class Other : public rt::Screen {
public:
    Other(rt::Runtime& r, const rt::ScreenLayout& layout, Journal& j) : Screen(r, layout), j_(j) {
        onLoad(&Other::Form_Load);
        onClick("Label1", &Other::Label1_Click);
    }
    void Form_Load() { j_.events << "Other.Load"; }
    void Label1_Click() {
        j_.events << "Other.Label1_Click";
        // Overflow in a handler's arithmetic.
        rt::FloatStatus fp;
        volatile double big = 1e308;
        volatile double r = big * 10.0;
        (void)r;
        fp.check();
        j_.events << "not reached";
    }

private:
    Journal& j_;
};

class Empty : public rt::Screen {
public:
    using Screen::Screen;
};

}  // namespace

rt::Project TestProject::project() {
    static const rt::ScreenLayout other = otherLayout();
    static const rt::ScreenLayout empty = emptyLayout();
    // One layout per timer setting, kept for the process's life.
    static std::map<int, rt::ScreenLayout> homes;
    if (!homes.count(timerInterval)) homes.emplace(timerInterval, homeLayout(timerInterval));
    const rt::ScreenLayout& home = homes.at(timerInterval);

    rt::Project p;
    p.startup = "Home";
    p.screens.emplace_back("Home", [this, &home](rt::Runtime& r) { return std::make_unique<Home>(r, home, journal); });
    p.screens.emplace_back("Other", [this](rt::Runtime& r) { return std::make_unique<Other>(r, other, journal); });
    p.screens.emplace_back("Empty", [](rt::Runtime& r) { return std::make_unique<Empty>(r, empty); });
    p.external = [this](const rt::ControlDef&, rt::ControlSite&,
                        QString& reason) -> std::unique_ptr<rt::ExternalControl> {
        if (failCreate) {
            reason = QStringLiteral("composant absent");
            return nullptr;
        }
        auto fake = std::make_unique<FakeExternal>();
        fake->calls = &externalCalls;
        fake->failDispid = failDispid;
        return fake;
    };
    return p;
}

}  // namespace rttest
