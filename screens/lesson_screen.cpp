#include "screens/lesson_screen.h"

#include "layouts/layouts.h"
#include "media/flash_component.h"
#include "runtime/appfolder.h"
#include "runtime/palette.h"

#include <array>

namespace screens {

namespace {

// Each literal begins with a backslash: the path is the folder, a backslash
// and the file name, with nothing added or removed.
constexpr std::array<LessonMember, 19> kMembers = {{
    {"Form3", "\\demarre_tk.swf"},
    {"Form4", "\\barres_outils.swf"},
    {"Form5", "\\dessiner_piece.swf"},
    {"Form6", "\\creer_coque.swf"},
    {"Form7", "\\creer_conge.swf"},
    {"Form8", "\\creer_percage.swf"},
    {"Form9", "\\formats_affiche.swf"},
    {"Form10", "\\pers_anim.swf"},
    {"Form11", "\\assis_anim.swf"},
    {"Form12", "\\rainure_en_v.swf"},
    {"Form13", "\\collet.swf"},
    {"Form14", "\\meplat.swf"},
    {"Form16", "\\trou_lame.swf"},
    {"Form17", "\\rainure_en_u.swf"},
    {"Form18", "\\cylindre.swf"},
    {"Form19", "\\gorge.swf"},
    {"Form20", "\\cone.swf"},
    {"Form21", "\\rainure_en_t.swf"},
    {"Form22", "\\rainure_aronde.swf"},
}};

constexpr int kRest = 15;        // bright white
constexpr int kHighlighted = 14; // light yellow

}  // namespace

std::span<const LessonMember> lessonMembers() { return kMembers; }

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
    const QString path = rt::applicationFolder() + QString::fromUtf8(member_.movie);
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
