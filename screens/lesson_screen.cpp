#include "screens/lesson_screen.h"

#include "layouts/layouts.h"
#include "media/flash_component.h"
#include "runtime/appfolder.h"
#include "runtime/palette.h"

namespace screens {

namespace {

constexpr int kRest = 15;         // bright white
constexpr int kHighlighted = 14;  // light yellow

}  // namespace

LessonScreen::LessonScreen(rt::Runtime& runtime, const LessonMember& member)
    : rt::Screen(runtime, layouts::get(member.name)), member_(member) {
    onLoad(&LessonScreen::Form_Load);
    onMouseMove(&LessonScreen::Form_MouseMove);
    onMouseMove("Label1", &LessonScreen::Label1_MouseMove);
    onClick("Label1", &LessonScreen::Label1_Click);
}

// Points the player at this lesson's movie and starts it from its first
// frame; a failing step raises the runtime error and the later ones do not run.
void LessonScreen::Form_Load() {
    namespace flash = media::flash;
    // The folder, a backslash and the file name, with nothing added or removed.
    const QString path =
        rt::applicationFolder() + QStringLiteral("\\") + QString::fromUtf8(member_.movie) + QStringLiteral(".swf");
    external("flash1").setProperty(flash::kDispidMovie, QStringLiteral("Movie"), path);
    external("flash1").call(flash::kDispidRewind, QStringLiteral("Rewind"));
    external("flash1").call(flash::kDispidPlay, QStringLiteral("Play"));
}

void LessonScreen::Form_MouseMove(short, short, float, float) {
    for (short i = 0; i <= 1; ++i) label("Label1", i).setForeColor(rt::QBColor(kRest));
}

void LessonScreen::Label1_MouseMove(short Index, short, short, float, float) {
    for (short i = 0; i <= 1; ++i) {
        if (i == Index) {
            label("Label1", i).setMousePointer(rt::kCustomPointer);
            label("Label1", i).setForeColor(rt::QBColor(kHighlighted));
        }
    }
}

void LessonScreen::Label1_Click(short Index) {
    switch (Index) {
    case 0: goTo("Form1"); break;  // "Menu"
    case 1: close(); break;        // "Quitter"
    default: break;
    }
}

}  // namespace screens
