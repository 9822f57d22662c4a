#include "runtime/picture.h"

#include <map>

namespace rt {

PictureRef loadPicture(const char* path) {
    if (!path || !*path) return nullptr;
    // Pictures live as long as the process; a screen that loads again gets the
    // same objects, so all nine markers and every pointer property share one.
    static std::map<QString, PictureRef> cache;
    const QString key = QString::fromUtf8(path);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    auto picture = std::make_shared<const Picture>(key, QImage(key));
    cache.emplace(key, picture);
    return picture;
}

PictureRef standardPointer(Qt::CursorShape shape) {
    static std::map<Qt::CursorShape, PictureRef> cache;
    auto it = cache.find(shape);
    if (it == cache.end()) it = cache.emplace(shape, std::make_shared<const Picture>(shape)).first;
    return it->second;
}

}  // namespace rt
