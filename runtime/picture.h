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
    // A pointer that the platform draws in its own style, such as its
    // pointing hand; it has no image of ours.
    explicit Picture(Qt::CursorShape shape) : shape_(shape) {}
    const QString& path() const { return path_; }
    const QImage& image() const { return image_; }
    bool isNull() const { return image_.isNull(); }
    // The platform's pointer shape, or Qt::BitmapCursor for a picture.
    Qt::CursorShape standardShape() const { return shape_; }

private:
    QString path_;
    QImage image_;
    Qt::CursorShape shape_ = Qt::BitmapCursor;
};

using PictureRef = std::shared_ptr<const Picture>;

// The shared picture for a resource path; nullptr for no path. A path that
// does not decode gives an empty picture rather than an error: the pictures
// are part of the executable, so this only happens in a broken build.
PictureRef loadPicture(const char* path);

// The shared pointer for one of the platform's own shapes.
PictureRef standardPointer(Qt::CursorShape shape);

}  // namespace rt
