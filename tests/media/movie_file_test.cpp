// The path rule and opening movie files: mapping the screens' backslash
// paths, the size cap, and a French notice for every file that cannot play.

#include "media/movie_file.h"
#include "screens/lesson_table.h"
#include "tests/media/test_movies.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(MoviePath, BackslashPathsBecomeOpenablePaths) {
#ifdef Q_OS_WIN
    EXPECT_EQ(media::nativeMoviePath("C:\\\\x.swf"), "C:\\\\x.swf");
#else
    // The folder at the root followed by the screen's "\x.swf".
    EXPECT_EQ(media::nativeMoviePath(QStringLiteral("/") + "\\x.swf"), "/x.swf");
    EXPECT_EQ(media::nativeMoviePath("C:\\\\x.swf"), "C:/x.swf");
    EXPECT_EQ(media::nativeMoviePath("/opt/cours\\demarre_tk.swf"), "/opt/cours/demarre_tk.swf");
    EXPECT_EQ(media::nativeMoviePath("relatif\\\\\\a.swf"), "relatif/a.swf");
    EXPECT_EQ(media::nativeMoviePath("/déjà/vu\\ça.swf"), "/déjà/vu/ça.swf");
    EXPECT_EQ(media::nativeMoviePath(""), "");
#endif
}

TEST(MoviePath, FileNameIsTheLastComponentWhicheverSeparator) {
    EXPECT_EQ(media::movieFileName("/opt/cours\\demarre_tk.swf"), "demarre_tk.swf");
    EXPECT_EQ(media::movieFileName("C:\\a/b\\c.swf"), "c.swf");
    EXPECT_EQ(media::movieFileName("seul.swf"), "seul.swf");
    EXPECT_EQ(media::movieFileName("/dossier/"), "");
}

class MovieFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const char* name) const { return dir.path() + "/" + name; }
    QTemporaryDir dir;
};

TEST_F(MovieFileTest, ReadsAMovieThroughADoubledBackslash) {
    ASSERT_TRUE(mediatest::writeFile(path("m.swf"),
                                     mediatest::bytesOf(mediatest::stageMovie(3, 10, 20, 10, {255, 0, 0, 255}))));
    const media::LoadedMovie m = media::loadMovie(dir.path() + "\\\\m.swf");
    ASSERT_TRUE(m.movie) << m.notice.toStdString();
    EXPECT_TRUE(m.notice.isEmpty());
    EXPECT_FALSE(m.partial);
    EXPECT_EQ(m.movie->header.frame.xmax, 400);
}

TEST_F(MovieFileTest, ReadsACompressedMovie) {
    swf::MovieData movie = mediatest::stageMovie(4, 10, 20, 10, {0, 0, 255, 255});
    ASSERT_TRUE(mediatest::writeFile(path("z.swf"), mediatest::bytesOf(movie, swf::Compression::Zlib)));
    const media::LoadedMovie m = media::loadMovie(dir.path() + "\\z.swf");
    ASSERT_TRUE(m.movie) << m.notice.toStdString();
    EXPECT_EQ(*m.movie, movie);
}

TEST_F(MovieFileTest, MissingFileGivesTheNotFoundNotice) {
    const media::LoadedMovie m = media::loadMovie(dir.path() + "\\demarre_tk.swf");
    EXPECT_FALSE(m.movie);
    EXPECT_EQ(m.notice, "Film introuvable : demarre_tk.swf");
}

TEST_F(MovieFileTest, UnreadableFilesGiveTheirReason) {
    ASSERT_TRUE(mediatest::writeFile(path("vide.swf"), {}));
    EXPECT_EQ(media::loadMovie(path("vide.swf")).notice, "Film illisible : vide.swf (fichier vide)");

    ASSERT_TRUE(mediatest::writeFile(path("court.swf"), {'F', 'W', 'S', 8, 30}));
    // A file cut inside its header is a broken download.
    EXPECT_EQ(media::loadMovie(path("court.swf")).notice, "Film incomplet : court.swf");

    ASSERT_TRUE(mediatest::writeFile(path("texte.swf"), {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}));
    EXPECT_EQ(media::loadMovie(path("texte.swf")).notice, "Film illisible : texte.swf (ce n'est pas un film SWF)");

    ASSERT_TRUE(QDir(dir.path()).mkdir("dossier.swf"));
    EXPECT_EQ(media::loadMovie(path("dossier.swf")).notice, "Film illisible : dossier.swf (c'est un dossier)");
    EXPECT_FALSE(media::loadMovie(path("dossier.swf")).movie);
}

TEST_F(MovieFileTest, FilesOverTheCapAreRefusedUnread) {
    const auto bytes = mediatest::bytesOf(mediatest::stageMovie(2, 10, 20, 10, {0, 0, 0, 255}));
    ASSERT_TRUE(mediatest::writeFile(path("gros.swf"), bytes));
    const media::LoadedMovie over = media::loadMovie(path("gros.swf"), qint64(bytes.size()) - 1);
    EXPECT_FALSE(over.movie);
    EXPECT_EQ(over.notice, "Film illisible : gros.swf (fichier trop volumineux)");
    EXPECT_TRUE(media::loadMovie(path("gros.swf"), qint64(bytes.size())).movie);
}

TEST_F(MovieFileTest, TruncatedMovieKeepsTheFramesThatWereRead) {
    // A long movie cut inside its last frames still plays what it has.
    swf::MovieData movie = mediatest::stageMovie(1, 10, 20, 10, {0, 128, 0, 255});
    mediatest::appendSlide(movie.tags, 0, 40, 20);
    auto bytes = mediatest::bytesOf(movie);
    bytes.resize(bytes.size() - 7);
    ASSERT_TRUE(mediatest::writeFile(path("coupe.swf"), bytes));
    const media::LoadedMovie m = media::loadMovie(path("coupe.swf"));
    ASSERT_TRUE(m.movie) << m.notice.toStdString();
    EXPECT_TRUE(m.partial);
    EXPECT_EQ(m.notice, "Film incomplet : coupe.swf");
}

TEST_F(MovieFileTest, ACutFileWithNoWholeFirstFrameShowsOnlyTheNotice) {
    swf::MovieData movie = mediatest::stageMovie(3, 10, 20, 10, {0, 128, 0, 255});
    const auto bytes = mediatest::bytesOf(movie);

    // Cut inside the first frame's definitions: nothing to show.
    auto early = bytes;
    early.resize(30);
    ASSERT_TRUE(mediatest::writeFile(path("debut.swf"), early));
    media::LoadedMovie m = media::loadMovie(path("debut.swf"));
    EXPECT_FALSE(m.movie);
    EXPECT_EQ(m.notice, "Film incomplet : debut.swf");

    // Whole frames, but the first places a character whose definition was
    // lost: the file was cut, so the frames do not show.
    swf::MovieData orphan = movie;
    orphan.tags.erase(orphan.tags.begin());  // the shape's definition
    auto cut = mediatest::bytesOf(orphan);
    cut.resize(cut.size() - 2);  // the end tag
    ASSERT_TRUE(mediatest::writeFile(path("orphelin.swf"), cut));
    m = media::loadMovie(path("orphelin.swf"));
    EXPECT_FALSE(m.movie);
    EXPECT_EQ(m.notice, "Film incomplet : orphelin.swf");
    EXPECT_FALSE(media::showsAFrame(orphan));
    EXPECT_TRUE(media::showsAFrame(movie));

    // The same placement in a complete file is the file's own business.
    ASSERT_TRUE(mediatest::writeFile(path("entier.swf"), mediatest::bytesOf(orphan)));
    m = media::loadMovie(path("entier.swf"));
    EXPECT_TRUE(m.movie);
    EXPECT_TRUE(m.notice.isEmpty());
}

// Every lesson as a broken download would leave it: cut after 300 bytes, at
// half its length, and short of its last 10 bytes. Each says it is
// incomplete; the intact files say nothing.
TEST_F(MovieFileTest, EveryLessonCutShortSaysItIsIncomplete) {
    for (const screens::LessonMember& lesson : screens::kLessonMembers) {
        const QString name = QString::fromLatin1(lesson.movie) + ".swf";
        SCOPED_TRACE(name.toStdString());
        QFile file(QStringLiteral(TK_APP_DIR "/") + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        ASSERT_GT(whole.size(), 1000);

        const media::LoadedMovie intact = media::loadMovie(file.fileName());
        EXPECT_TRUE(intact.movie);
        EXPECT_FALSE(intact.partial);
        EXPECT_TRUE(intact.notice.isEmpty()) << intact.notice.toStdString();

        for (qsizetype keep : {qsizetype(300), whole.size() / 2, whole.size() - 10}) {
            QFile cut(dir.filePath(name));
            ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
            cut.write(whole.left(keep));
            cut.close();
            const media::LoadedMovie m = media::loadMovie(cut.fileName());
            EXPECT_EQ(m.notice, "Film incomplet : " + name) << "kept " << keep << " bytes";
            EXPECT_TRUE(m.partial);
            if (m.movie) EXPECT_TRUE(media::showsAFrame(*m.movie));
        }
    }
}

}  // namespace
