#pragma once
// Pictures built into the program (Qt resources). One decoded image per
// resource path, shared by every property that names it.

#include <QImage>
#include <QString>
#include <memory>

namespace rt {

class Picture {
public:
    explicit Picture(QString path, QImage image) : path_(std::move(path)), image_(std::move(image)) {}
    const QString& path() const { return path_; }
    const QImage& image() const { return image_; }
    bool isNull() const { return image_.isNull(); }

private:
    QString path_;
    QImage image_;
};

using PictureRef = std::shared_ptr<const Picture>;

// The shared picture for a resource path; nullptr for no path. A path that
// does not decode gives an empty picture rather than an error: the pictures
// are part of the executable, so this only happens in a broken build.
PictureRef loadPicture(const char* path);

}  // namespace rt
