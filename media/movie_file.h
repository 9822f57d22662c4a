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

// Reads and parses the file at `given` (the path as the screen set it).
LoadedMovie loadMovie(const QString& given, qint64 maxBytes = kMaxMovieFileBytes);

}  // namespace media
