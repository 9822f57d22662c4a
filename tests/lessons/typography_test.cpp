// The French typography check of the lesson texts, its report in a source,
// the refusal of a source file by the loader, and what the text layout and
// the embedded fonts do with the no-break spaces.
#include "lessons/kit/source.h"
#include "lessons/kit/text.h"
#include "lessons/kit/typography.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

using namespace lessons;

namespace {

// The problems of a text as "column:first words of the message".
std::vector<std::string> found(const std::string& text) {
    std::vector<std::string> out;
    for (const TypographyProblem& p : typographyProblems(text))
        out.push_back(std::to_string(p.line) + ":" + std::to_string(p.column) + " " + p.message);
    return out;
}

bool mentions(const std::vector<std::string>& problems, const std::string& position, const std::string& words) {
    for (const std::string& p : problems)
        if (p.rfind(position + " ", 0) == 0 && p.find(words) != std::string::npos) return true;
    return false;
}

// Checks that `text` has exactly the problems listed, each as a position
// ("line:column") and words of its message.
void expectProblems(const std::string& text, const std::vector<std::pair<std::string, std::string>>& expected) {
    SCOPED_TRACE(text);
    const std::vector<std::string> p = found(text);
    ASSERT_EQ(p.size(), expected.size());
    for (const auto& [position, words] : expected)
        EXPECT_TRUE(mentions(p, position, words)) << position << " " << words;
}

}  // namespace

TEST(Typography, CorrectFrenchTextsPass) {
    const char* good[] = {
        "Étape\u202f3\u202f: cotez le diamètre (Ø16).",
        "Choisissez «\u00a0À travers tout\u00a0»\u202f; le trou traverse\u202f!",
        "Un bloc de 70\u00a0×\u00a045\u00a0×\u00a025\u00a0mm, un angle de 90\u00a0°, 2,5\u00a0s.",
        "L’outil Perçage… puis Extrusion1 et une vis M10.",
        "Insertion, Enlèvement de matière…",
        "La clé passe de 4\u00a0s à 5\u00a0s et s’ouvre en 3 étapes, 5 minutes, 2 mètres.",
        "Il est 10:30 et c’est 3D.",
        "",
    };
    for (const char* t : good)
        EXPECT_TRUE(typographyProblems(t).empty()) << t << "\n" << (found(t).empty() ? "" : found(t)[0]);
}

TEST(Typography, SpacesBeforeDoublePunctuation) {
    // An ordinary or a wide no-break space where the narrow one belongs, and none at all.
    expectProblems("Étape 3 : ici ; là\u00a0! Quoi?", {{"1:8", "U+202F) attendue avant « : »"},
                                                       {"1:14", "attendue avant « ; »"},
                                                       {"1:19", "attendue avant « ! »"},
                                                       {"1:26", "manquante avant « ? »"}});
    // Several marks in a row take one space; a time is no punctuation.
    EXPECT_TRUE(found("Vraiment\u202f?!").empty());
    EXPECT_TRUE(found("à 10:30").empty());
}

TEST(Typography, GuillemetsAndUnits) {
    expectProblems("« Borgne » et «\u202fÀ travers tout»", {{"1:2", "(U+00A0) attendue après « «"},
                                                            {"1:9", "(U+00A0) attendue avant « »"},
                                                            {"1:16", "attendue après"},
                                                            {"1:31", "manquante avant « »"}});

    expectProblems("40 mm, 90°, 4 s, 12,5 cm et 10mm", {{"1:3", "attendue entre le nombre et son unité"},
                                                        {"1:10", "manquante entre le nombre"},
                                                        {"1:14", "attendue entre"},
                                                        {"1:22", "attendue entre"},
                                                        {"1:31", "manquante entre"}});
    // Words that begin like a unit are no unit; numbers in names carry none.
    EXPECT_TRUE(found("3 mètres, 2 s’ouvrent, 5 minutes, Esquisse1 mm").empty());
}

TEST(Typography, TypewriterSigns) {
    expectProblems("Un bloc de 70 x 45x25, Perçage..., l'arbre, \"OK\", Ø 16", {{"1:15", "signe ×"},
                                                                                {"1:19", "signe ×"},
                                                                                {"1:31", "points de suspension"},
                                                                                {"1:37", "apostrophe"},
                                                                                {"1:45", "guillemet droit"},
                                                                                {"1:48", "guillemet droit"},
                                                                                {"1:52", "Ø16"}});
    // "x" as a word or a letter of a word is no multiplication.
    EXPECT_TRUE(found("l’axe x du repère, 2 axes").empty());
    // A space doubled, no-break or not, is reported once where it starts.
    expectProblems("un  mot, «\u00a0\u00a0deux\u00a0», 4\u00a0\u00a0mm",
                   {{"1:3", "deux espaces"}, {"1:11", "deux espaces"}, {"1:22", "deux espaces"}});
    // Lines of a text are counted apart.
    expectProblems("un\ndeux : trois", {{"2:5", "attendue avant"}});
}

TEST(Typography, SourceChecksQuotedTextsOnlyAndReportsLineAndColumn) {
    // Comments and bare words keep ordinary spaces; quoted texts may not.
    EXPECT_NO_THROW(
        checkSourceTypography("# Titre : un commentaire...\nmovie x\nsketch p profile=0,0;1,0;1,1\n"
                              "title \"Un titre\u202f: correct\" # et ici : rien\n"));
    try {
        checkSourceTypography(
            "movie x\ntitle \"Bien\"\n  step \"Étape : le bloc de 70 x 45\"\n"
            "  set \"Profondeur\" \"30 mm\"\n");
        FAIL() << "a source with ordinary spaces passed";
    } catch (const SourceError& e) {
        EXPECT_EQ(e.line(), 3);
        const std::string w = e.what();
        EXPECT_NE(w.find("ligne 3 : typographie, colonne 14 : espace fine"), std::string::npos) << w;
        EXPECT_NE(w.find("ligne 3, colonne 31 : multiplication"), std::string::npos) << w;
        EXPECT_NE(w.find("ligne 4, colonne 23 : espace insécable"), std::string::npos) << w;
        EXPECT_NE(w.find("(3 problèmes"), std::string::npos) << w;
    }
    // An escaped quote is a straight quote inside the text, and the text goes on after it.
    EXPECT_THROW(checkSourceTypography("title \"dit \\\"oui\\\" puis\"\n"), SourceError);
}

TEST(Typography, TheLoaderRefusesASourceFileWithOrdinarySpaces) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tk-typographie-test";
    std::filesystem::create_directories(dir);
    const std::string body =
        "movie essai\ntitle \"Essai\"\nsummary \"Retenir\u202f: tout\"\n"
        "step \"Cliquez sur «\u00a0OK\u00a0»\"\n  wait 1\n";
    const std::string goodPath = (dir / "bon.lesson").string(), badPath = (dir / "mauvais.lesson").string();
    std::ofstream(goodPath) << body;
    std::ofstream(badPath) << body << "step \"Tapez 30 mm\"\n  wait 1\n";
    EXPECT_EQ(loadScript(goodPath).steps.size(), 1u);
    try {
        loadScript(badPath);
        FAIL() << "the loader accepted an ordinary space before a unit";
    } catch (const SourceError& e) {
        EXPECT_EQ(e.line(), 6);
    }
    std::filesystem::remove_all(dir);
}

TEST(Typography, LayoutNeverBreaksAtANoBreakSpace) {
    // A width that only fits one word per line: the words joined by a no-break space stay together.
    for (const char* glue : {"\u00a0", "\u202f"}) {
        TextBlock t;
        const std::string text = std::string("un bloc de 40") + glue + "mm" + glue + "!";
        const int lines = layoutParagraph(t, {RichPiece{text}}, 0, 20, 30, 14, 16);
        EXPECT_EQ(lines, 4);
        ASSERT_FALSE(t.runs.empty());
        EXPECT_EQ(utf8(t.runs.back().text), std::string("40") + glue + "mm" + glue + "!");
    }
    // The kit's own texts ("Étape 3 : ...") get a narrow no-break space before the colon.
    TextBlock t;
    layoutParagraph(t, {RichPiece{"Étape 3 : la suite"}}, 0, 20, 400, 14, 16);
    ASSERT_EQ(t.runs.size(), 1u);
    EXPECT_EQ(utf8(t.runs[0].text), "Étape 3\u202f: la suite");
}

TEST(Typography, EmbeddedFontsHaveTheSigns) {
    FontBank& fb = FontBank::standard();
    for (bool bold : {false, true})
        for (char32_t c :
             {U'\u00a0', U'\u202f', U'\u00d7', U'\u2026', U'\u2019', U'\u00ab', U'\u00bb', U'\u00b0', U'\u00d8'}) {
            EXPECT_TRUE(fb.hasGlyph(bold, c)) << std::hex << unsigned(c);
            EXPECT_GT(fb.advance(bold, c), 0) << std::hex << unsigned(c);
        }
    // The narrow space is narrower than the ordinary one, which matches the no-break one.
    EXPECT_LT(fb.advance(false, U'\u202f'), fb.advance(false, U' '));
    EXPECT_DOUBLE_EQ(fb.advance(false, U'\u00a0'), fb.advance(false, U' '));
}
