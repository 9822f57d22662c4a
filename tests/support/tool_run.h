// Running a command-line tool from a test: what it printed and how it ended,
// and the files it is given to read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tk::test {

struct ToolRun {
    int code = -1;    // the exit code; -1 when the tool could not start or did not exit normally
    std::string out;  // what it printed on its standard output
};

// Runs a shell command line and waits for it to end. The line says itself
// where the standard error goes ("2>&1", "2>/dev/null").
ToolRun runTool(const std::string& commandLine);

// Writes `bytes` into a file named `name` in the build folder and returns its
// path. Tests running in parallel each give their own name.
std::string writeBuildFile(const std::string& name, const std::vector<std::uint8_t>& bytes);

}  // namespace tk::test
