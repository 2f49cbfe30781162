#pragma once
// Where the program's own files are read and where it writes. Run from a
// build folder both are the executable's folder; installed (bin/ beside
// share/voxmere/) the read-only files are under share/voxmere and what the
// program writes goes to the user's data folder, since bin/ is not
// writable.

#include <filesystem>
#include <string_view>

namespace vox {

struct ProgramState;

struct ProgramFolders {
    std::filesystem::path program; // help, INITdata.v01, alg1.jpg .. alg32.jpg
    std::filesystem::path user;    // 32voice, 1voice, chart.pdf, the user's own INITdata.v01
};

// The installed layout is taken only when the executable's folder does not
// hold the program's files itself and <exe>/../share/voxmere does; anything
// else keeps the executable's folder for both, as a build folder has it.
ProgramFolders ChooseProgramFolders(const std::filesystem::path &executableFolder,
                                    const std::filesystem::path &userDataFolder);

// The folder the program writes into: ProgramState::userFolder, or the
// program folder when none is set.
std::filesystem::path WritableFolder(const ProgramState &state);

// A program file the user may replace with a copy of their own in the
// writable folder (INITdata.v01): that copy when there is one, else the
// program folder's.
std::filesystem::path UserOrProgramFile(const ProgramState &state, std::string_view name);

} // namespace vox
