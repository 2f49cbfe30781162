#pragma once
// The subcommands of voxmere-tool. Each lives in its own source file and
// adds itself to the command line with one function; main() calls them in
// the order of kCommands. To add a subcommand "show": write show_command.cpp
// with `void AddShowCommand(CLI::App& app, ToolRun& run)`, declare it below
// and add AddShowCommand to kCommands.

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>

namespace voxtool {

// What a subcommand reports back: the exit status, and where it writes.
struct ToolRun {
    int status = 0;
    std::ostream &out = std::cout;
    std::ostream &err = std::cerr;
    std::filesystem::path executableFolder; // where the program's data files are looked for
};

// convert wrote its output, but the input's checksum was wrong: the data
// it now carries under a fresh checksum may be damaged.
inline constexpr int kStatusWrittenWithWarning = 2;

using AddCommand = void (*)(CLI::App &app, ToolRun &run);

void AddInfoCommand(CLI::App &app, ToolRun &run);       // info_command.cpp
void AddConvertCommand(CLI::App &app, ToolRun &run);    // convert_command.cpp
void AddShowCommand(CLI::App &app, ToolRun &run);       // show_command.cpp
void AddIndexCommand(CLI::App &app, ToolRun &run);      // index_command.cpp
void AddSearchCommand(CLI::App &app, ToolRun &run);     // search_command.cpp
void AddDupesCommand(CLI::App &app, ToolRun &run);      // dupes_command.cpp
void AddRenderCommand(CLI::App &app, ToolRun &run);     // render_command.cpp
void AddDiffCommand(CLI::App &app, ToolRun &run);       // diff_command.cpp
void AddSheetCommand(CLI::App &app, ToolRun &run);      // sheet_command.cpp
void AddTagCommand(CLI::App &app, ToolRun &run);        // tag_command.cpp
void AddCategoriesCommand(CLI::App &app, ToolRun &run); // categories_command.cpp
void AddBankCommand(CLI::App &app, ToolRun &run);       // bank_command.cpp

inline constexpr AddCommand kCommands[] = {
    AddInfoCommand,  AddConvertCommand, AddShowCommand,       AddDiffCommand,
    AddIndexCommand, AddSearchCommand,  AddDupesCommand,      AddRenderCommand,
    AddSheetCommand, AddTagCommand,     AddCategoriesCommand, AddBankCommand,
};

} // namespace voxtool
