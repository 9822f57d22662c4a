// The desktop identity files: the entry's keys, both validators' verdicts,
// and the theme icons drawn from the same picture as the program icon.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <map>

namespace {

const QString kDesktopDir = QStringLiteral(TK_SOURCE_DIR "/app/desktop");

std::map<QString, QString> readDesktopEntry(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text)) << path.toStdString();
    std::map<QString, QString> keys;
    bool inEntry = false;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith('[')) inEntry = line == "[Desktop Entry]";
        const qsizetype eq = line.indexOf('=');
        if (inEntry && eq > 0) keys[line.left(eq)] = line.mid(eq + 1);
    }
    return keys;
}

// Runs a validator; returns false (with the reason) when it rejects the file.
::testing::AssertionResult validates(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(QStandardPaths::findExecutable(tool), args);
    if (!p.waitForFinished(60000)) return ::testing::AssertionFailure() << tool.toStdString() << " hung";
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << p.readAllStandardOutput().toStdString()
                                         << p.readAllStandardError().toStdString();
}

TEST(DesktopEntry, NamesTheProgramItsIconAndCategory) {
    auto keys = readDesktopEntry(kDesktopDir + "/tarvik-dovadovore-fr.desktop");
    EXPECT_EQ(keys["Type"], "Application");
    EXPECT_EQ(keys["Name"], "Tarvik Dovadovore Fr");
    EXPECT_EQ(keys["Exec"], "tarvik-dovadovore-fr");
    EXPECT_EQ(keys["Icon"], "tarvik-dovadovore-fr");
    EXPECT_EQ(keys["Categories"], "Education;");
    EXPECT_TRUE(keys["Comment"].contains(QString::fromUtf8("français")));
}

TEST(DesktopEntry, AcceptedByTheValidators) {
    if (QStandardPaths::findExecutable("desktop-file-validate").isEmpty() ||
        QStandardPaths::findExecutable("appstreamcli").isEmpty())
        GTEST_SKIP() << "desktop-file-validate or appstreamcli is not installed";
    EXPECT_TRUE(validates("desktop-file-validate", {kDesktopDir + "/tarvik-dovadovore-fr.desktop"}));
    EXPECT_TRUE(validates("appstreamcli",
                          {"validate", "--no-net", "--pedantic", kDesktopDir + "/tarvik-dovadovore-fr.metainfo.xml"}));
}

TEST(ThemeIcons, SquareTransparentAndThe32PixelOneIsTheProgramIcon) {
    const QImage ico =
        QImage(QStringLiteral(TK_SOURCE_DIR "/media/pictures/app_icon.ico")).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(ico.size(), QSize(32, 32));
    for (int side : {32, 48, 64, 128}) {
        SCOPED_TRACE(side);
        const QImage png = QImage(kDesktopDir + QStringLiteral("/icons/%1x%1/tarvik-dovadovore-fr.png").arg(side))
                               .convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(png.size(), QSize(side, side));
        EXPECT_EQ(qAlpha(png.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(png.pixel(side - 1, side - 1)), 0);
        EXPECT_EQ(qAlpha(png.pixel(side / 2, side * 3 / 4)), 255) << "the figure's body";
        if (side == 32) {
            EXPECT_EQ(png, ico);
        }
    }
}

}  // namespace
