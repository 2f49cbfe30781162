#pragma once
// Runs the built voxmere-tool as a user or a script would, its output
// captured in files of a scratch folder: the one runner of the tool's tests.
#include "../common/test_files.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace vox::test {

struct ToolResult {
    int status = -1;
    std::string out, err;
};

inline std::string ShellQuote(const std::string &s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// A file of tests/data, by name.
inline std::string TestDataPath(const std::string &name) {
    return (std::filesystem::path(VOXMERE_TESTDATA) / name).string();
}

// voxmere-tool with `args`, stdin empty; stdout and stderr go through files
// in `folder`, so output of any size and any bytes comes back whole.
inline ToolResult RunTool(const std::vector<std::string> &args, const std::filesystem::path &folder) {
    std::string command = ShellQuote(VOXMERE_TOOL);
    for (const auto &a : args)
        command += " " + ShellQuote(a);
    command += " >" + ShellQuote((folder / "out").string()) + " 2>" + ShellQuote((folder / "err").string()) +
               " </dev/null";
    ToolResult r;
    const int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadFileText(folder / "out");
    r.err = ReadFileText(folder / "err");
    return r;
}

} // namespace vox::test
