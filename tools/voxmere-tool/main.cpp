// voxmere-tool: DX7 voice files on the command line.
#include "commands.h"

#include <exception>
#include <filesystem>
#include <system_error>

int main(int argc, char **argv) {
    CLI::App app{
        "voxmere-tool: inspect, convert, render and print DX7 voice files (.v32 .v01 .syx .dx7 .32 .mid)"};
    app.require_subcommand(1);
    voxtool::ToolRun run;
    // The program's data files (the category rules) stand beside the
    // executable, or under share/voxmere when installed.
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec && argc > 0) exe = std::filesystem::absolute(argv[0], ec);
    run.executableFolder = exe.parent_path();
    for (voxtool::AddCommand add : voxtool::kCommands)
        add(app, run);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        return app.exit(e);
    } catch (const std::exception &e) {
        run.err << "voxmere-tool: " << e.what() << '\n';
        return 1;
    }
    return run.status;
}
