#include "media/pictures/pictures.h"

#include <QFile>

// Q_INIT_RESOURCE declares a function in the current namespace, so it must
// be used outside any namespace.
static void registerPictures() { Q_INIT_RESOURCE(pictures); }

namespace media::pictures {

bool init() {
    static const bool registered = [] {
        registerPictures();
        return true;
    }();
    return registered && QFile::exists(QStringLiteral(":/pictures/hand_cursor.ico"));
}

}  // namespace media::pictures
