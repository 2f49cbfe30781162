#pragma once
// The "drives" of the drive lists: the mounted volumes on Linux and other
// Unix systems (the root among them), the drive letters on Windows.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vox {

// The volumes worth offering from a mount table in the /proc/mounts
// format: the root first, then the others in order of their paths.
// Kernel file systems (proc, sysfs, cgroup …) and memory file systems
// other than /tmp are left out; octal escapes (\040 for a blank) are
// decoded.
std::vector<std::string> ParseMountTable(std::string_view table);

// The volumes of this machine; never empty (the root at least).
std::vector<std::string> ListVolumes();

// The index of the volume that holds the folder (the longest volume path
// that is a whole-component prefix of it), or 0 (the root) when none is.
std::size_t VolumeIndexOf(const std::filesystem::path &folder, const std::vector<std::string> &volumes);

} // namespace vox
