#pragma once
// The 19 lesson screens, in screen order, and the movie each one plays: the
// one list of them. The screens and the tests include it; the lesson build
// (lessons/CMakeLists.txt) reads its rows to know which movies to generate
// and from which sources, so every row stays on a line of its own, in
// exactly the form {"FormN", "movie_name"}.

namespace screens {

struct LessonMember {
    const char* name;   // the screen, and the name of its layout
    const char* movie;  // the movie file in the application folder, without ".swf";
                        // also the name of its source, lessons/sources/<movie>.lesson
};

// clang-format off
inline constexpr LessonMember kLessonMembers[] = {
    {"Form3", "demarre_tk"},
    {"Form4", "barres_outils"},
    {"Form5", "dessiner_piece"},
    {"Form6", "creer_coque"},
    {"Form7", "creer_conge"},
    {"Form8", "creer_percage"},
    {"Form9", "formats_affiche"},
    {"Form10", "pers_anim"},
    {"Form11", "assis_anim"},
    {"Form12", "rainure_en_v"},
    {"Form13", "collet"},
    {"Form14", "meplat"},
    {"Form16", "trou_lame"},
    {"Form17", "rainure_en_u"},
    {"Form18", "cylindre"},
    {"Form19", "gorge"},
    {"Form20", "cone"},
    {"Form21", "rainure_en_t"},
    {"Form22", "rainure_aronde"},
};
// clang-format on

}  // namespace screens
