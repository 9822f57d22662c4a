// The lesson source format (described in lessons/README.md): a line-based,
// declarative text read into a Script.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace lessons {

struct Command {
    std::string verb;
    std::vector<std::string> args;
    int line = 0;
};

// A declaration with named parameters: `solid NAME KIND key=value ...` or
// `sketch NAME key=value ...`.
struct Declaration {
    std::string name, kind;
    std::map<std::string, std::string> params;
    int line = 0;
};

struct Step {
    std::string caption;
    std::vector<Command> commands;
    int line = 0;
};

struct Script {
    std::string movie, title, subtitle;
    std::vector<std::string> summary;
    std::vector<Declaration> solids, sketches;
    std::map<std::string, std::string> camera;
    std::vector<Command> intro;  // before the first step: the starting state
    std::vector<Step> steps;
};

class SourceError : public std::runtime_error {
public:
    SourceError(int line, const std::string& what);
    int line() const { return line_; }

private:
    int line_;
};

// Splits one line into words and "quoted strings" (with \" and \\ escapes);
// '#' outside quotes starts a comment. Throws SourceError on an unclosed quote.
std::vector<std::string> tokenize(const std::string& line, int lineNo);

Script parseScript(const std::string& text);

// Reads and parses a file; a missing or unreadable file is a SourceError at line 0.
Script loadScript(const std::string& path);

}  // namespace lessons
