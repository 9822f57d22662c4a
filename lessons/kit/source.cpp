#include "lessons/kit/source.h"

#include "lessons/kit/typography.h"

#include <fstream>
#include <sstream>

namespace lessons {

SourceError::SourceError(int line, const std::string& what)
    : std::runtime_error(line > 0 ? "ligne " + std::to_string(line) + " : " + what : what), line_(line) {}

std::vector<std::string> tokenize(const std::string& line, int lineNo) {
    std::vector<std::string> out;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') break;
        if (c == '"') {
            std::string s;
            ++i;
            bool closed = false;
            while (i < n) {
                if (line[i] == '\\' && i + 1 < n) {
                    s += line[i + 1];
                    i += 2;
                    continue;
                }
                if (line[i] == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                s += line[i++];
            }
            if (!closed) throw SourceError(lineNo, "guillemet non fermé");
            out.push_back(s);
            continue;
        }
        std::string w;
        while (i < n && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '"') w += line[i++];
        out.push_back(w);
    }
    return out;
}

namespace {
Declaration declaration(const std::vector<std::string>& t, std::size_t first, int lineNo) {
    Declaration d;
    d.line = lineNo;
    for (std::size_t i = first; i < t.size(); ++i) {
        const auto eq = t[i].find('=');
        if (eq == std::string::npos || eq == 0)
            throw SourceError(lineNo, "paramètre attendu sous la forme nom=valeur : " + t[i]);
        const std::string key = t[i].substr(0, eq);
        if (d.params.count(key)) throw SourceError(lineNo, "paramètre répété : " + key);
        d.params[key] = t[i].substr(eq + 1);
    }
    return d;
}
}  // namespace

Script parseScript(const std::string& text) {
    Script s;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        const std::vector<std::string> t = tokenize(line, lineNo);
        if (t.empty()) continue;
        const std::string& verb = t[0];
        auto need = [&](std::size_t n) {
            if (t.size() != n + 1)
                throw SourceError(lineNo, "« " + verb + " » attend " + std::to_string(n) + " argument(s)");
        };
        if (verb == "movie") {
            need(1);
            s.movie = t[1];
        } else if (verb == "title") {
            need(1);
            s.title = t[1];
        } else if (verb == "subtitle") {
            need(1);
            s.subtitle = t[1];
        } else if (verb == "summary") {
            need(1);
            s.summary.push_back(t[1]);
        } else if (verb == "solid") {
            if (t.size() < 3) throw SourceError(lineNo, "« solid » attend un nom et une sorte");
            Declaration d = declaration(t, 3, lineNo);
            d.name = t[1];
            d.kind = t[2];
            s.solids.push_back(d);
        } else if (verb == "sketch" && s.steps.empty() && t.size() >= 3 && t[2].find('=') != std::string::npos) {
            Declaration d = declaration(t, 2, lineNo);
            d.name = t[1];
            d.kind = "sketch";
            s.sketches.push_back(d);
        } else if (verb == "camera") {
            s.camera = declaration(t, 1, lineNo).params;
        } else if (verb == "step") {
            need(1);
            s.steps.push_back(Step{t[1], {}, lineNo});
        } else {
            Command c{verb, std::vector<std::string>(t.begin() + 1, t.end()), lineNo};
            if (s.steps.empty())
                s.intro.push_back(c);
            else
                s.steps.back().commands.push_back(c);
        }
    }
    if (s.movie.empty()) throw SourceError(0, "le nom du film (« movie ») manque");
    if (s.title.empty()) throw SourceError(0, "le titre (« title ») manque");
    if (s.steps.empty()) throw SourceError(0, "aucune étape (« step »)");
    return s;
}

Script loadScript(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw SourceError(0, "fichier source introuvable ou illisible : " + path);
    std::ostringstream ss;
    ss << f.rdbuf();
    if (f.bad()) throw SourceError(0, "lecture impossible : " + path);
    checkSourceTypography(ss.str());
    return parseScript(ss.str());
}

}  // namespace lessons
