// voxmere-tool: DX7 voice files on the command line.
#include "commands.h"

#include <exception>

int main(int argc, char **argv) {
    CLI::App app{
        "voxmere-tool: inspect, convert, render and print DX7 voice files (.v32 .v01 .syx .dx7 .32 .mid)"};
    app.require_subcommand(1);
    voxtool::ToolRun run;
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
