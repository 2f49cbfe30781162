// GIVEN the built program folder THEN it holds the 32 algorithm pictures.
#include "voice/algorithms.h"

#include <gtest/gtest.h>

#ifdef VOXMERE_HAS_ALG_PICTURES

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace vox {
namespace {

std::vector<unsigned char> ReadAll(const std::filesystem::path &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(AlgorithmPictures, ThirtyTwoValidJpegFilesNoTwoAlike) {
    std::vector<std::vector<unsigned char>> pictures;
    for (int n = 1; n <= kAlgorithmCount; ++n) {
        const auto file = std::filesystem::path(VOXMERE_PROGRAM_DIR) / AlgorithmPictureName(n);
        ASSERT_TRUE(std::filesystem::exists(file)) << file;
        std::vector<unsigned char> bytes = ReadAll(file);
        ASSERT_GT(bytes.size(), 600u) << file;
        EXPECT_EQ(bytes[0], 0xFF) << file;
        EXPECT_EQ(bytes[1], 0xD8) << file << " starts with the JPEG start marker";
        EXPECT_EQ(bytes[2], 0xFF) << file;
        EXPECT_EQ(bytes[bytes.size() - 2], 0xFF) << file;
        EXPECT_EQ(bytes[bytes.size() - 1], 0xD9) << file << " ends with the JPEG end marker";
        pictures.push_back(std::move(bytes));
    }
    for (std::size_t a = 0; a < pictures.size(); ++a)
        for (std::size_t b = a + 1; b < pictures.size(); ++b)
            EXPECT_NE(pictures[a], pictures[b]) << "alg" << a + 1 << " and alg" << b + 1 << " are the same";
}

TEST(AlgorithmPictures, NoPictureBeyondThe32) {
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(VOXMERE_PROGRAM_DIR) / "alg0.jpg"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(VOXMERE_PROGRAM_DIR) / "alg33.jpg"));
}

} // namespace
} // namespace vox

#endif
