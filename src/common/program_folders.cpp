#include "common/program_folders.h"

#include "common/program_state.h"

#include <system_error>

namespace vox {

namespace fs = std::filesystem;

namespace {
// Every layout holds it; the build writes it beside the executable.
constexpr const char *kMarkerFile = "INITdata.v01";
} // namespace

ProgramFolders ChooseProgramFolders(const fs::path &executableFolder, const fs::path &userDataFolder) {
    std::error_code ec;
    const fs::path share = executableFolder.parent_path() / "share" / "voxmere";
    if (!fs::exists(executableFolder / kMarkerFile, ec) && fs::exists(share / kMarkerFile, ec))
        return {share.lexically_normal(), userDataFolder};
    return {executableFolder, executableFolder};
}

fs::path WritableFolder(const ProgramState &state) {
    return state.userFolder.empty() ? state.programFolder : state.userFolder;
}

fs::path UserOrProgramFile(const ProgramState &state, std::string_view name) {
    std::error_code ec;
    if (!state.userFolder.empty() && fs::exists(state.userFolder / name, ec)) return state.userFolder / name;
    return state.programFolder.empty() ? fs::path(name) : state.programFolder / name;
}

} // namespace vox
