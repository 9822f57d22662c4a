#include "media/movie_file.h"

#include "swf/format/reader.h"
#include "swf/player/dictionary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace media {

QString nativeMoviePath(const QString& given) {
    if (QDir::separator() != QLatin1Char('/')) return given;
    QString path;
    path.reserve(given.size());
    for (QChar c : given) {
        if (c == QLatin1Char('\\')) c = QLatin1Char('/');
        // POSIX leaves a leading "//" to the implementation; one separator is
        // what the folder-at-a-root case means.
        if (c == QLatin1Char('/') && path.endsWith(QLatin1Char('/'))) continue;
        path.append(c);
    }
    return path;
}

QString movieFileName(const QString& given) {
    const qsizetype cut = std::max(given.lastIndexOf(QLatin1Char('/')), given.lastIndexOf(QLatin1Char('\\')));
    return given.mid(cut + 1);
}

namespace {

QString readFailure(swf::ErrorCode code) {
    switch (code) {
    case swf::ErrorCode::Empty: return QStringLiteral("fichier vide");
    case swf::ErrorCode::BadSignature: return QStringLiteral("ce n'est pas un film SWF");
    case swf::ErrorCode::Truncated: return QStringLiteral("en-tête tronqué");
    case swf::ErrorCode::UnsupportedCompression: return QStringLiteral("compression non gérée");
    case swf::ErrorCode::DecompressedTooLarge: return QStringLiteral("trop volumineux une fois décompressé");
    case swf::ErrorCode::LimitExceeded:
    case swf::ErrorCode::TooLarge: return QStringLiteral("trop complexe");
    case swf::ErrorCode::Unsupported: return QStringLiteral("format non géré");
    case swf::ErrorCode::Malformed:
    case swf::ErrorCode::DecodeFailed: return QStringLiteral("contenu incorrect");
    }
    return QStringLiteral("contenu incorrect");
}

LoadedMovie incomplete(const QString& name) {
    LoadedMovie m;
    m.partial = true;
    m.notice = QStringLiteral("Film incomplet : %1").arg(name);
    return m;
}

LoadedMovie unreadable(const QString& name, const QString& why) {
    LoadedMovie m;
    m.notice = QStringLiteral("Film illisible : %1 (%2)").arg(name, why);
    return m;
}

}  // namespace

LoadedMovie loadMovie(const QString& given, qint64 maxBytes) {
    const QString name = movieFileName(given);
    const QString path = nativeMoviePath(given);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        LoadedMovie m;
        m.notice = QStringLiteral("Film introuvable : %1").arg(name.isEmpty() ? given : name);
        return m;
    }
    if (info.isDir()) return unreadable(name, QStringLiteral("c'est un dossier"));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return unreadable(name, QStringLiteral("lecture impossible"));
    // The size on disk may change or lie (pipes, special files): read in
    // pieces, stop one byte past the cap and judge by what arrived. Asking
    // QIODevice for the cap at once would reserve the whole cap up front.
    QByteArray bytes;
    bytes.reserve(qBound<qint64>(0, info.size(), maxBytes) + 1);
    char piece[64 * 1024];
    for (;;) {
        const qint64 want = std::min<qint64>(sizeof piece, maxBytes + 1 - bytes.size());
        const qint64 got = file.read(piece, want);
        if (got < 0) return unreadable(name, QStringLiteral("lecture impossible"));
        if (got == 0) break;
        bytes.append(piece, got);
        if (bytes.size() > maxBytes) return unreadable(name, QStringLiteral("fichier trop volumineux"));
    }

    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    swf::ReadResult result = swf::read(std::span<const std::uint8_t>(data, std::size_t(bytes.size())));
    if (!result.ok()) {
        const swf::ErrorCode code = result.error ? result.error->code : swf::ErrorCode::Malformed;
        // A file cut inside its header, or whose compressed body gives
        // nothing, is a broken download rather than a foreign file.
        if (code == swf::ErrorCode::Truncated) return incomplete(name);
        return unreadable(name, readFailure(code));
    }
    if (result.partial && !showsAFrame(*result.movie)) return incomplete(name);

    LoadedMovie m = result.partial ? incomplete(name) : LoadedMovie{};
    m.movie = std::make_shared<const swf::MovieData>(std::move(*result.movie));
    return m;
}

bool showsAFrame(const swf::MovieData& movie) {
    const auto firstShow = std::find_if(movie.tags.begin(), movie.tags.end(),
                                        [](const swf::Tag& t) { return std::holds_alternative<swf::ShowFrame>(t); });
    if (firstShow == movie.tags.end()) return false;
    const swf::Dictionary dictionary(movie);
    for (auto it = movie.tags.begin(); it != firstShow; ++it) {
        const auto* place = std::get_if<swf::PlaceObject>(&*it);
        if (place && place->characterId && !dictionary.defined(*place->characterId)) return false;
    }
    return true;
}

}  // namespace media
