// A static library that uses the pictures, as the screens' library does:
// the executable that links it reaches the pictures only through this archive.
#include "layouts/layouts.h"
#include "media/pictures/pictures.h"

#include <QImage>
#include <QString>

QSize menuPictureSizeThroughArchive() {
    media::pictures::init();
    return QImage(QString::fromLatin1(layouts::kMenuBackground)).size();
}
