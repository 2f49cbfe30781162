#include "files/volumes.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vox {
namespace {

std::string DecodeMountField(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3') {
            const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            out.push_back(static_cast<char>(value));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

bool Under(std::string_view path, std::string_view folder) {
    return path == folder || (path.size() > folder.size() && path.substr(0, folder.size()) == folder &&
                              path[folder.size()] == '/');
}

bool Offered(const std::string &point, const std::string &type) {
    static constexpr std::array<std::string_view, 24> kKernel{
        "proc",     "sysfs",    "devtmpfs",  "devpts",           "cgroup",      "cgroup2",
        "mqueue",   "debugfs",  "tracefs",   "securityfs",       "pstore",      "bpf",
        "configfs", "fusectl",  "hugetlbfs", "autofs",           "binfmt_misc", "rpc_pipefs",
        "nsfs",     "efivarfs", "squashfs",  "overlay_internal", "ramfs",       "selinuxfs"};
    if (std::find(kKernel.begin(), kKernel.end(), type) != kKernel.end()) return false;
    if (point == "/") return true;
    if (Under(point, "/proc") || Under(point, "/sys") || Under(point, "/dev")) return false;
    if (Under(point, "/run") && !Under(point, "/run/media")) return false;
    if (type == "tmpfs") return point == "/tmp";
    return true;
}

} // namespace

std::vector<std::string> ParseMountTable(std::string_view table) {
    std::vector<std::string> volumes{"/"};
    std::istringstream lines{std::string(table)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, point, type;
        if (!(fields >> device >> point >> type)) continue;
        point = DecodeMountField(point);
        if (!Offered(point, type)) continue;
        if (std::find(volumes.begin(), volumes.end(), point) == volumes.end()) volumes.push_back(point);
    }
    std::sort(volumes.begin() + 1, volumes.end());
    return volumes;
}

std::vector<std::string> ListVolumes() {
#if defined(_WIN32)
    std::vector<std::string> drives;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i)) drives.push_back(std::string(1, static_cast<char>('A' + i)) + ":\\");
    if (drives.empty()) drives.push_back("C:\\");
    return drives;
#else
    std::ifstream in("/proc/mounts");
    std::ostringstream table;
    table << in.rdbuf();
    return ParseMountTable(table.str());
#endif
}

std::size_t VolumeIndexOf(const std::filesystem::path &folder, const std::vector<std::string> &volumes) {
    const std::string path = folder.generic_string();
    std::size_t best = 0, bestLength = 0;
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        std::string volume = std::filesystem::path(volumes[i]).generic_string();
        if (volume.size() > 1 && volume.back() == '/') volume.pop_back();
        const bool holds = volume == "/" ? !path.empty() && path[0] == '/' : Under(path, volume);
        if (holds && volume.size() > bestLength) {
            best = i;
            bestLength = volume.size();
        }
    }
    return best;
}

} // namespace vox
