// The generator as a program: the committed pictures are exactly what it
// writes now (so they are reproducible and up to date), and it fails
// cleanly on bad arguments or an unwritable destination.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct PicgenRun {
    int exitCode = -1;
    QString errors;
};

PicgenRun runPicgen(const QStringList& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TK_PICGEN_PATH), args);
    EXPECT_TRUE(process.waitForFinished(120000));
    PicgenRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Relative paths and contents of the generated files under `root`.
QMap<QString, QByteArray> filesUnder(const QString& root, const QStringList& patterns) {
    QMap<QString, QByteArray> files;
    QDirIterator it(root, patterns, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        files.insert(QDir(root).relativeFilePath(path), f.readAll());
    }
    return files;
}

void expectSameFiles(const QString& committed, const QString& fresh, const QStringList& patterns) {
    const auto want = filesUnder(committed, patterns);
    const auto got = filesUnder(fresh, patterns);
    EXPECT_FALSE(want.isEmpty()) << committed.toStdString();
    EXPECT_EQ(want.keys(), got.keys()) << committed.toStdString();
    for (auto it = want.cbegin(); it != want.cend(); ++it)
        EXPECT_TRUE(got.value(it.key()) == it.value())
            << it.key().toStdString() << " differs from a fresh run: run tools/picgen/regenerate.sh and commit";
}

TEST(Picgen, CommittedFilesAreExactlyWhatTheGeneratorWrites) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString pictures = tmp.filePath("pictures"), windows = tmp.filePath("windows"),
                  desktop = tmp.filePath("desktop");
    const PicgenRun run = runPicgen({pictures, windows, desktop});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const QString src = QStringLiteral(TK_SOURCE_DIR);
    expectSameFiles(src + "/media/pictures", pictures, {"*.jpg", "*.ico"});
    expectSameFiles(src + "/app/windows", windows, {"*.bin"});
    expectSameFiles(src + "/app/desktop", desktop, {"*.png"});
}

TEST(Picgen, SecondRunWritesTheSameBytes) {
    QTemporaryDir a, b;
    ASSERT_TRUE(a.isValid() && b.isValid());
    ASSERT_EQ(runPicgen({a.filePath("p"), a.filePath("w"), a.filePath("d")}).exitCode, 0);
    ASSERT_EQ(runPicgen({b.filePath("p"), b.filePath("w"), b.filePath("d")}).exitCode, 0);
    expectSameFiles(a.path(), b.path(), {"*"});
}

TEST(Picgen, WrongArgumentsAndUnwritableFolderFailWithAMessage) {
    const PicgenRun usage = runPicgen({});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.errors.contains("usage")) << usage.errors.toStdString();

    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    // A regular file where a folder is expected.
    QFile blocker(tmp.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const PicgenRun blocked = runPicgen({tmp.filePath("file/pictures"), tmp.filePath("w"), tmp.filePath("d")});
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_TRUE(blocked.errors.contains("picgen")) << blocked.errors.toStdString();
}

}  // namespace
