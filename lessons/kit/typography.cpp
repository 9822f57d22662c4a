#include "lessons/kit/typography.h"

#include "lessons/kit/source.h"
#include "lessons/kit/text.h"

#include <cstddef>

namespace lessons {

namespace {

constexpr char32_t kNbsp = U'\u00a0';    // espace insécable
constexpr char32_t kNarrow = U'\u202f';  // espace fine insécable

bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// Letters of the texts the lessons show: ASCII and Latin-1/Latin Extended-A,
// which hold every French letter. Ø counts as a sign here, not a letter: "Ø16".
bool isLetter(char32_t c) {
    if ((c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z')) return true;
    if (c == U'\u00d8' || c == U'\u00f8' || c == U'\u00d7' || c == U'\u00f7') return false;
    return (c >= U'\u00c0' && c <= U'\u024f') || c == U'\u00b5';
}

bool isSpace(char32_t c) { return c == U' ' || c == U'\t' || c == kNbsp || c == kNarrow; }

// Units written after a number; the longest first so "mm" wins over "m".
const char32_t* const kUnits[] = {U"tr/min", U"min", U"rad", U"mm", U"cm", U"dm", U"km",     U"\u00b5m", U"ms",
                                  U"kg",     U"m",   U"s",   U"h",  U"g",  U"N",  U"\u00b0", U"%"};

// The unit that starts at position i, if any: it must end the word (a letter
// after it means a word such as "mètres" or "s’ouvre" has begun).
std::size_t unitAt(const std::u32string& s, std::size_t i) {
    for (const char32_t* u : kUnits) {
        const std::u32string unit(u);
        if (s.compare(i, unit.size(), unit) != 0) continue;
        const std::size_t end = i + unit.size();
        if (end < s.size() && (isLetter(s[end]) || isDigit(s[end]) || s[end] == U'\'' || s[end] == U'\u2019')) continue;
        return unit.size();
    }
    return 0;
}

std::string quoted(char32_t c) { return "« " + utf8(std::u32string(1, c)) + " »"; }

}  // namespace

std::vector<TypographyProblem> typographyProblems(const std::string& text) {
    const std::u32string s = utf32(text);
    std::vector<TypographyProblem> out;
    // Line and column of every character, for the reports.
    std::vector<int> lineOf(s.size() + 1), colOf(s.size() + 1);
    {
        int line = 1, col = 1;
        for (std::size_t i = 0; i <= s.size(); ++i) {
            lineOf[i] = line;
            colOf[i] = col;
            if (i < s.size() && s[i] == U'\n') {
                ++line;
                col = 1;
            } else {
                ++col;
            }
        }
    }
    auto report = [&](std::size_t at, const std::string& message) {
        out.push_back(TypographyProblem{lineOf[at], colOf[at], message});
    };
    const std::size_t n = s.size();
    auto at = [&](std::size_t i) -> char32_t { return i < n ? s[i] : 0; };

    for (std::size_t i = 0; i < n; ++i) {
        const char32_t c = s[i];
        const char32_t prev = i > 0 ? s[i - 1] : 0;
        if (isSpace(c) && isSpace(at(i + 1))) {
            report(i, "deux espaces de suite");
            while (isSpace(at(i + 1))) ++i;
        } else if (c == U'\'') {
            report(i, "apostrophe droite : écrire l’apostrophe typographique ’");
        } else if (c == U'"') {
            report(i, "guillemet droit : écrire les guillemets français « »");
        } else if (c == U'.' && at(i + 1) == U'.' && at(i + 2) == U'.') {
            report(i, "trois points : écrire les points de suspension …");
            while (at(i + 1) == U'.') ++i;
        } else if (c == U';' || c == U':' || c == U'!' || c == U'?') {
            if (prev == U' ' || prev == kNbsp || prev == U'\t') {
                report(i - 1, "espace fine insécable (U+202F) attendue avant " + quoted(c));
            } else if (i > 0 && prev != kNarrow && prev != U'!' && prev != U'?' && prev != U'\n' &&
                       !(c == U':' && isDigit(prev) && isDigit(at(i + 1)))) {
                report(i, "espace fine insécable (U+202F) manquante avant " + quoted(c));
            }
        } else if (c == U'\u00ab') {
            if (at(i + 1) != kNbsp)
                report(i + 1 < n ? i + 1 : i, isSpace(at(i + 1)) ? "espace insécable (U+00A0) attendue après « «"
                                                                 : "espace insécable (U+00A0) manquante après « «");
        } else if (c == U'\u00bb') {
            if (prev != kNbsp)
                report(i > 0 && isSpace(prev) ? i - 1 : i, isSpace(prev)
                                                               ? "espace insécable (U+00A0) attendue avant « »"
                                                               : "espace insécable (U+00A0) manquante avant « »");
        } else if (c == U'\u00d8' && at(i + 1) == U' ') {
            report(i + 1, "espace ordinaire après Ø : écrire Ø16, sans espace");
        } else if (isDigit(c) && !isDigit(prev) && prev != U',' && prev != U'.') {
            // A number: digits with an optional decimal part ("2,5").
            std::size_t j = i;
            while (isDigit(at(j))) ++j;
            if ((at(j) == U',' || at(j) == U'.') && isDigit(at(j + 1))) {
                ++j;
                while (isDigit(at(j))) ++j;
            }
            // Numbers inside names (Extrusion1, M10) carry no unit.
            const bool inName = isLetter(prev);
            if (!inName) {
                if ((at(j) == U' ' || at(j) == U'\t' || at(j) == kNarrow) && unitAt(s, j + 1))
                    report(j, "espace insécable (U+00A0) attendue entre le nombre et son unité");
                else if (unitAt(s, j))
                    report(j, "espace insécable (U+00A0) manquante entre le nombre et son unité");
            }
            // A multiplication written with a letter: "70 x 45", "70x45", "70 * 45".
            std::size_t k = j;
            while (isSpace(at(k))) ++k;
            if ((at(k) == U'x' || at(k) == U'X' || at(k) == U'*') && !isLetter(at(k + 1))) {
                std::size_t m = k + 1;
                while (isSpace(at(m))) ++m;
                if (isDigit(at(m))) report(k, "multiplication : écrire le signe ×");
            }
            i = j - 1;
        }
    }
    return out;
}

void checkSourceTypography(const std::string& source) {
    int firstLine = 0;
    std::string message;
    int count = 0;
    int lineNo = 0;
    std::size_t pos = 0;
    while (pos <= source.size()) {
        std::size_t end = source.find('\n', pos);
        if (end == std::string::npos) end = source.size();
        const std::string line = source.substr(pos, end - pos);
        ++lineNo;
        // Code-point column of a byte offset, from 1.
        auto column = [&](std::size_t byte) {
            int col = 1;
            for (std::size_t b = 0; b < byte && b < line.size(); ++b)
                if ((static_cast<unsigned char>(line[b]) & 0xC0) != 0x80) ++col;
            return col;
        };
        // Quoted texts only, with the tokenizer's rules: \" and \\ escapes,
        // '#' outside quotes starts a comment.
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '#') break;
            if (line[i] != '"') continue;
            const std::size_t open = i++;
            while (i < line.size() && line[i] != '"') i += line[i] == '\\' && i + 1 < line.size() ? 2 : 1;
            const std::string text = line.substr(open + 1, std::min(i, line.size()) - open - 1);
            for (const TypographyProblem& p : typographyProblems(text)) {
                const int col = column(open) + p.column;
                if (count == 0) {
                    firstLine = lineNo;
                    message = "typographie, colonne " + std::to_string(col) + " : " + p.message;
                } else {
                    message +=
                        "\n  ligne " + std::to_string(lineNo) + ", colonne " + std::to_string(col) + " : " + p.message;
                }
                ++count;
            }
        }
        pos = end + 1;
    }
    if (count > 1) message += "\n  (" + std::to_string(count) + " problèmes de typographie)";
    if (count > 0) throw SourceError(firstLine, message);
}

}  // namespace lessons
