#include "runtime/picture.h"

#include <map>

namespace rt {

PictureRef loadPicture(const char* path) {
    if (!path || !*path) return nullptr;
    // Everything that shows a picture at the same time shares one decoded
    // image (all nine markers, every pointer property); once nothing shows
    // it, the image goes, and the next screen that needs it decodes it again.
    static std::map<QString, std::weak_ptr<const Picture>> cache;
    const QString key = QString::fromUtf8(path);
    if (PictureRef alive = cache[key].lock()) return alive;
    std::erase_if(cache, [](const auto& entry) { return entry.second.expired(); });
    auto picture = std::make_shared<const Picture>(key, QImage(key));
    cache[key] = picture;
    return picture;
}

PictureRef standardPointer(Qt::CursorShape shape) {
    static std::map<Qt::CursorShape, PictureRef> cache;
    auto it = cache.find(shape);
    if (it == cache.end()) it = cache.emplace(shape, std::make_shared<const Picture>(shape)).first;
    return it->second;
}

}  // namespace rt
