// picgen: draws every picture the course carries and writes the files that
// media/pictures, app/windows and app/desktop hold.
//
//   picgen PICTURES_DIR WINDOWS_DIR DESKTOP_DIR
//
// The same build always writes the same bytes.
#include "tools/picgen/art.h"
#include "tools/picgen/ico.h"
#include "tools/picgen/jpeg.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>
#include <stdexcept>

namespace {

constexpr int kJpegQuality = 92;

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush())
        throw std::runtime_error("impossible d'écrire " + path.toStdString());
}

QByteArray encodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) throw std::runtime_error("codage PNG impossible : " + writer.errorString().toStdString());
    return bytes;
}

void writeJpeg(const QDir& dir, const QString& name, const QImage& image) {
    writeFile(dir.filePath(name + ".jpg"), picgen::encodeJpeg(image, kJpegQuality));
}

void makeDir(const QDir& dir) {
    if (!QDir().mkpath(dir.path()))
        throw std::runtime_error("impossible de créer le dossier " + dir.path().toStdString());
}

void run(const QDir& pictures, const QDir& windows, const QDir& desktop) {
    using namespace picgen;
    makeDir(pictures);
    makeDir(windows);
    makeDir(desktop);
    const Fonts fonts = loadFonts();

    writeJpeg(pictures, "splash_background", drawSplashBackground(fonts));
    writeJpeg(pictures, "menu_background", drawMenuBackground(fonts));
    writeJpeg(pictures, "marker_arrow", drawMarkerArrow());
    writeJpeg(pictures, "picture_menu_background", drawPictureMenuBackground(fonts));
    for (int k = 0; k < 9; ++k) writeJpeg(pictures, QStringLiteral("hover_title_%1").arg(k), drawHoverTitle(fonts, k));
    writeJpeg(pictures, "lesson_background", drawLessonBackground(fonts));

    const QByteArray hand = encodeIco(drawHandCursor());
    writeFile(pictures.filePath("hand_cursor.ico"), hand);
    const QByteArray icon = encodeIco(drawAppIcon(kIconSide));
    writeFile(pictures.filePath("app_icon.ico"), icon);

    // The executable's icon group 1 holding image 30001, as raw resources.
    writeFile(windows.filePath("app_icon_30001.bin"), iconResourceImage(icon));
    writeFile(windows.filePath("app_icon_group_1.bin"), iconResourceGroup(icon, 30001));

    // Desktop theme icons; the 32-pixel one has exactly the ICO file's pixels.
    for (int side : {32, 48, 64, 128}) {
        const QDir sizeDir(desktop.filePath(QStringLiteral("icons/%1x%1").arg(side)));
        makeDir(sizeDir);
        QImage png = side == kIconSide ? QImage::fromData(icon, "ico") : drawAppIcon(side);
        if (png.isNull()) throw std::runtime_error("relecture de l'icône impossible");
        png = png.convertToFormat(QImage::Format_ARGB32);
        png.setDotsPerMeterX(3780);
        png.setDotsPerMeterY(3780);
        writeFile(sizeDir.filePath("tarvik-dovadovore-fr.png"), encodePng(png));
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Drawing needs no display; the offscreen platform keeps the tool usable on
    // build machines without one.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage : picgen DOSSIER_IMAGES DOSSIER_WINDOWS DOSSIER_BUREAU\n");
        return 2;
    }
    try {
        run(QDir(QString::fromLocal8Bit(argv[1])), QDir(QString::fromLocal8Bit(argv[2])),
            QDir(QString::fromLocal8Bit(argv[3])));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "picgen : %s\n", e.what());
        return 1;
    }
    return 0;
}
