#include "tests/support/tool_run.h"

#include <cstdio>
#include <fstream>
#include <sys/wait.h>

namespace tk::test {

ToolRun runTool(const std::string& commandLine) {
    ToolRun r;
    FILE* f = popen(commandLine.c_str(), "r");
    if (!f) return r;
    char buf[512];
    while (fgets(buf, sizeof buf, f)) r.out += buf;
    const int st = pclose(f);
    r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string writeBuildFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = std::string(TK_BINARY_DIR) + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

}  // namespace tk::test
