#pragma once
// File helpers shared by every test suite: reading a file the test needs,
// and a scratch folder that is gone when the test ends.

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace vox::test {

// A file that cannot be opened throws, so the test fails with the file's
// name instead of indexing an empty vector.
inline std::string ReadFileText(const std::filesystem::path &file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the test file " + file.string());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<std::uint8_t> ReadFileContents(const std::filesystem::path &file) {
    const std::string text = ReadFileText(file);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// A fresh folder under the temporary directory, unique to this process
// and call, removed with everything in it when the object goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string &prefix) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("voxmere-" + prefix + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a scratch folder from " + pattern);
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::filesystem::path &path() const { return path_; }
    operator const std::filesystem::path &() const { return path_; }
    std::filesystem::path operator/(const std::string &name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

} // namespace vox::test
