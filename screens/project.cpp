#include "screens/project.h"

#include "layouts/layouts.h"
#include "media/movie_player.h"
#include "media/pictures/pictures.h"
#include "screens/empty_screen.h"
#include "screens/lesson_screen.h"
#include "screens/main_menu.h"
#include "screens/picture_menu.h"
#include "screens/splash.h"

namespace screens {

rt::Project courseProject() {
    // Keeps the embedded pictures linked in and registered before any screen loads one.
    media::pictures::init();
    rt::Project p;
    auto add = [&p](const char* name, rt::Project::ScreenFactory factory) {
        p.screens.emplace_back(QString::fromLatin1(name), std::move(factory));
    };
    add("Form1", [](rt::Runtime& r) { return std::make_unique<Form1>(r); });
    add("Form2", [](rt::Runtime& r) { return std::make_unique<Form2>(r); });
    add("Form15", [](rt::Runtime& r) { return std::make_unique<Form15>(r); });
    for (const LessonMember& m : kLessonMembers)
        add(m.name, [&m](rt::Runtime& r) { return std::make_unique<LessonScreen>(r, m); });
    for (const char* name : layouts::kEmptyScreens)
        add(name, [name](rt::Runtime& r) { return std::make_unique<EmptyScreen>(r, layouts::get(name)); });
    p.startup = QStringLiteral("Form2");
    p.external = media::moviePlayerFactory();
    return p;
}

}  // namespace screens
