// tk-author SOURCE.lesson -o MOVIE.swf   composes a lesson and writes its movie
// tk-author --stats MOVIE.swf...         prints each movie's figures as a table
#include "lessons/kit/composer.h"
#include "lessons/kit/emit.h"
#include "lessons/kit/movie_stats.h"

#include "swf/format/reader.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage : tk-author SOURCE.lesson -o FILM.swf\n"
                 "        tk-author --stats FILM.swf...\n");
    return 2;
}

int stats(const std::vector<std::string>& files) {
    int failures = 0;
    std::printf("%-20s %7s %7s %6s %7s %6s %6s %7s %8s\n", "film", "images", "durée", "étapes", "glyphes", "textes",
                "formes", "inconnu", "octets");
    for (const std::string& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const swf::ReadResult r = swf::read(bytes);
        const std::string name = std::filesystem::path(f).stem().string();
        if (!in.good() && !in.eof()) {
            std::printf("%-20s illisible\n", name.c_str());
            ++failures;
            continue;
        }
        if (!r.ok()) {
            std::printf("%-20s erreur : %s\n", name.c_str(), r.error->detail.c_str());
            ++failures;
            continue;
        }
        const lessons::MovieStats s = lessons::movieStats(*r.movie);
        std::printf("%-20s %7d %6.1fs %6d %7d %6d %6d %7d %8zu\n", name.c_str(), s.frames, s.seconds, s.steps, s.glyphs,
                    s.texts, s.shapes, s.unknownTags, bytes.size());
    }
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Glyph outlines come from QRawFont, which needs a GUI application but no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--stats") {
        if (args.size() < 2) return usage();
        return stats({args.begin() + 1, args.end()});
    }
    std::string src, out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size())
            out = args[++i];
        else if (src.empty())
            src = args[i];
        else
            return usage();
    }
    if (src.empty() || out.empty()) return usage();
    try {
        const lessons::Script script = lessons::loadScript(src);
        const std::vector<std::uint8_t> bytes = lessons::writeMovie(lessons::compose(script));
        // Written beside the target and renamed, so a failure never leaves half a movie.
        const std::string tmp = out + ".tmp";
        {
            std::ofstream o(tmp, std::ios::binary | std::ios::trunc);
            o.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            if (!o) {
                std::fprintf(stderr, "%s : écriture impossible\n", tmp.c_str());
                return 1;
            }
        }
        std::error_code ec;
        std::filesystem::rename(tmp, out, ec);
        if (ec) {
            std::fprintf(stderr, "%s : %s\n", out.c_str(), ec.message().c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s : %s\n", src.c_str(), e.what());
        return 1;
    }
    return 0;
}
