#include "lessons/kit/source.h"

#include <gtest/gtest.h>

using namespace lessons;

TEST(Tokenize, WordsQuotesEscapesAndComments) {
    const auto t = tokenize(R"(point tree "Plan de face" 1.2   # vers l'arbre)", 1);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[2], "Plan de face");
    EXPECT_EQ(t[3], "1.2");
    const auto e = tokenize(R"(set "Nom" "dit \"oui\" # pas un commentaire")", 1);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[2], "dit \"oui\" # pas un commentaire");
    EXPECT_TRUE(tokenize("   # rien", 1).empty());
}

TEST(Tokenize, UnclosedQuoteNamesItsLine) {
    try {
        tokenize(R"(step "sans fin)", 7);
        FAIL() << "no error";
    } catch (const SourceError& e) {
        EXPECT_EQ(e.line(), 7);
        EXPECT_NE(std::string(e.what()).find("ligne 7"), std::string::npos);
    }
}

TEST(ParseScript, HeaderDeclarationsStepsAndIntro) {
    const Script s = parseScript(R"(
movie essai
title "Essai"
subtitle "Sous-titre"
solid bloc box w=10 h=5 d=4
sketch c plane=top circle=0,0,3
camera yaw=10 pitch=20
summary "Un"
summary "Deux"
part bloc
step "Première"
  wait 1
  point tool ligne
step "Seconde"
  click
)");
    EXPECT_EQ(s.movie, "essai");
    EXPECT_EQ(s.title, "Essai");
    EXPECT_EQ(s.subtitle, "Sous-titre");
    ASSERT_EQ(s.solids.size(), 1u);
    EXPECT_EQ(s.solids[0].kind, "box");
    EXPECT_EQ(s.solids[0].params.at("h"), "5");
    ASSERT_EQ(s.sketches.size(), 1u);
    EXPECT_EQ(s.sketches[0].params.at("circle"), "0,0,3");
    EXPECT_EQ(s.camera.at("pitch"), "20");
    EXPECT_EQ(s.summary.size(), 2u);
    ASSERT_EQ(s.intro.size(), 1u);
    EXPECT_EQ(s.intro[0].verb, "part");
    ASSERT_EQ(s.steps.size(), 2u);
    EXPECT_EQ(s.steps[0].commands.size(), 2u);
    EXPECT_EQ(s.steps[0].commands[1].args, (std::vector<std::string>{"tool", "ligne"}));
    EXPECT_EQ(s.steps[1].commands[0].line, 15);
}

TEST(ParseScript, SketchCommandInsideAStepIsACommand) {
    const Script s =
        parseScript("movie m\ntitle t\nsketch k plane=front profile=0,0;1,0;0,1\nstep \"a\"\n sketch k on\n");
    EXPECT_EQ(s.sketches.size(), 1u);
    ASSERT_EQ(s.steps[0].commands.size(), 1u);
    EXPECT_EQ(s.steps[0].commands[0].verb, "sketch");
}

TEST(ParseScript, MissingPartsAndBadDeclarationsAreErrors) {
    EXPECT_THROW(parseScript("title t\nstep \"a\"\n"), SourceError);
    EXPECT_THROW(parseScript("movie m\nstep \"a\"\n"), SourceError);
    EXPECT_THROW(parseScript("movie m\ntitle t\n"), SourceError);
    EXPECT_THROW(parseScript("movie m\ntitle t\nsolid b box w10\nstep \"a\"\n"), SourceError);
    EXPECT_THROW(parseScript("movie m\ntitle t\nsolid b box w=1 w=2\nstep \"a\"\n"), SourceError);
    EXPECT_THROW(parseScript("movie m n\ntitle t\nstep \"a\"\n"), SourceError);
    try {
        parseScript("movie m\ntitle t\n\nsolid b\nstep \"a\"\n");
        FAIL();
    } catch (const SourceError& e) {
        EXPECT_EQ(e.line(), 4);
    }
}

TEST(LoadScript, MissingFileIsASourceError) {
    try {
        loadScript("/nonexistent/lesson.lesson");
        FAIL();
    } catch (const SourceError& e) {
        EXPECT_EQ(e.line(), 0);
        EXPECT_NE(std::string(e.what()).find("introuvable"), std::string::npos);
    }
}
