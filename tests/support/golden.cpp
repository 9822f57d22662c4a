#include "tests/support/golden.h"

#include <gtest/gtest.h>

#include <QDir>

#include <algorithm>
#include <cstdlib>

namespace tk::test {

int channelDiff(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)),
                     std::abs(qAlpha(a) - qAlpha(b))});
}

int pixelsOverTolerance(const QImage& aIn, const QImage& bIn, QImage* diff) {
    if (aIn.size() != bIn.size()) return std::max(aIn.width() * aIn.height(), bIn.width() * bIn.height());
    const QImage a = aIn.convertToFormat(QImage::Format_ARGB32);
    const QImage b = bIn.convertToFormat(QImage::Format_ARGB32);
    if (diff) {
        *diff = QImage(a.size(), QImage::Format_ARGB32);
        diff->fill(Qt::black);
    }
    int bad = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const int d = channelDiff(a.pixel(x, y), b.pixel(x, y));
            if (d > kGoldenChannelTolerance) ++bad;
            if (diff && d > 0) diff->setPixel(x, y, d > kGoldenChannelTolerance ? qRgb(255, 0, 0) : qRgb(80, 80, 80));
        }
    return bad;
}

bool expectMatchesGolden(const QImage& actualIn, const QString& goldenDir, const QString& name, const QString& outDir) {
    const QString goldenPath = QStringLiteral(TK_SOURCE_DIR "/") + goldenDir + "/" + name + ".png";
    const QImage actual = actualIn.convertToFormat(QImage::Format_ARGB32);
    if (std::getenv("SWF_UPDATE_GOLDEN")) {
        QDir().mkpath(QStringLiteral(TK_SOURCE_DIR "/") + goldenDir);
        const bool saved = actual.save(goldenPath);
        EXPECT_TRUE(saved) << "cannot write " << goldenPath.toStdString();
        return saved;
    }
    const QImage golden(goldenPath);
    if (golden.isNull()) {
        ADD_FAILURE() << "missing golden " << goldenPath.toStdString();
        return false;
    }
    if (golden.size() != actual.size()) {
        ADD_FAILURE() << name.toStdString() << ": size " << actual.width() << "x" << actual.height() << ", golden "
                      << golden.width() << "x" << golden.height();
        return false;
    }
    QImage diff;
    const int bad = pixelsOverTolerance(actual, golden, &diff);
    const int allowed = actual.width() * actual.height() * kGoldenStrayPixelsPerMille / 1000;
    if (bad <= allowed) return true;
    const QString out = QStringLiteral(TK_BINARY_DIR "/") + outDir;
    QDir().mkpath(out);
    actual.save(out + "/" + name + ".actual.png");
    diff.save(out + "/" + name + ".diff.png");
    ADD_FAILURE() << name.toStdString() << ": " << bad << " pixels differ by more than " << kGoldenChannelTolerance
                  << " (at most " << allowed << " may); see " << out.toStdString();
    return false;
}

}  // namespace tk::test
