#pragma once
// Opening a movie file named by the path a screen hands the player: the path
// rule (screens build it with a backslash), a size cap, and parsing with the
// SWF engine. Every failure is a French notice, never an exception.

#include "swf/format/types.h"

#include <QString>
#include <cstddef>
#include <memory>

namespace media {

// Larger files are refused without being read.
inline constexpr qint64 kMaxMovieFileBytes = 64ll << 20;

// The path as given, in the form this system opens: on systems whose
// separator is '/', backslashes become '/' and runs of separators collapse
// to one (a folder at a root followed by "\name.swf" gives "//name.swf").
// Elsewhere the path is returned unchanged.
QString nativeMoviePath(const QString& given);

// The file name of a given path, after its last '/' or '\'.
QString movieFileName(const QString& given);

struct LoadedMovie {
    std::shared_ptr<const swf::MovieData> movie;  // null when nothing could be read
    bool partial = false;                         // reading stopped early, frames kept
    QString notice;  // empty when the movie loaded whole; else what to show the user
};

// The 19 lesson movies: each screen appends its literal to the application
// folder.
struct LessonMovie {
    const char* screen;
    const char* literal;  // begins with a backslash
};
inline constexpr LessonMovie kLessonMovies[19] = {
    {"Form3", "\\demarre_tk.swf"},      {"Form4", "\\barres_outils.swf"},  {"Form5", "\\dessiner_piece.swf"},
    {"Form6", "\\creer_coque.swf"},     {"Form7", "\\creer_conge.swf"},    {"Form8", "\\creer_percage.swf"},
    {"Form9", "\\formats_affiche.swf"}, {"Form10", "\\pers_anim.swf"},     {"Form11", "\\assis_anim.swf"},
    {"Form12", "\\rainure_en_v.swf"},   {"Form13", "\\collet.swf"},        {"Form14", "\\meplat.swf"},
    {"Form16", "\\trou_lame.swf"},      {"Form17", "\\rainure_en_u.swf"},  {"Form18", "\\cylindre.swf"},
    {"Form19", "\\gorge.swf"},          {"Form20", "\\cone.swf"},          {"Form21", "\\rainure_en_t.swf"},
    {"Form22", "\\rainure_aronde.swf"},
};

// Reads and parses the file at `given` (the path as the screen set it).
LoadedMovie loadMovie(const QString& given, qint64 maxBytes = kMaxMovieFileBytes);

}  // namespace media
