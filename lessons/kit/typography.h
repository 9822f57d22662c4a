// French typography of the texts a lesson shows: which spaces must not break
// (before ; : ! ?, inside « », between a number and its unit), and the signs
// that replace typewriter habits (× for x, … for ..., ’ for ').
#pragma once

#include <string>
#include <vector>

namespace lessons {

struct TypographyProblem {
    int line = 1;         // from 1, within the text checked
    int column = 1;       // from 1, in characters (not bytes)
    std::string message;  // French, says what is expected
};

// The problems of one text (UTF-8), in reading order. A pure function: the
// same text always gives the same list, and an empty list means the text is
// correct.
std::vector<TypographyProblem> typographyProblems(const std::string& text);

// Checks every quoted text of a lesson source (comments and bare words are
// left alone) and throws SourceError at the line of the first problem, its
// message listing every problem of the source with line and column.
void checkSourceTypography(const std::string& source);

}  // namespace lessons
