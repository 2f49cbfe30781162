// GIVEN / WHEN / THEN: texts with broken UTF-8 going through the readers
// that walk characters. A stray byte is one character of its own, never
// glued to its neighbours, so nothing built from it is broken UTF-8.
#include "files/file_dialogs.h"
#include "voice/text.h"

#include <gtest/gtest.h>

#include <string>

namespace vox {
namespace {

struct BrokenName {
    const char *label;
    std::string voiceName;
    std::string proposed;
};

class ProposedFileNameOfBrokenText : public ::testing::TestWithParam<BrokenName> {};

// GIVEN a voice name with broken UTF-8 WHEN a file name is proposed from it
// THEN the stray bytes are left out, the good characters stay, and the
// proposal is valid UTF-8.
TEST_P(ProposedFileNameOfBrokenText, LeavesOutStrayBytesOnly) {
    const std::string proposed = ProposedFileName(GetParam().voiceName);
    EXPECT_EQ(proposed, GetParam().proposed);
    EXPECT_EQ(Utf8Of(CodePoints(proposed)), proposed) << "the proposal is not valid UTF-8";
}

INSTANTIATE_TEST_SUITE_P(Names, ProposedFileNameOfBrokenText,
                         ::testing::Values(BrokenName{"LeadCutAtTheEnd", "PIANO\xE3\x81", "PIANO"},
                                           BrokenName{"LeadBeforeALetter", "\xC3ZAP", "ZAP"},
                                           BrokenName{"ContinuationAlone", "BASS\x80 1", "BASS 1"},
                                           BrokenName{"GoodCharacterAfterAStrayByte", "\xE3\xC3\x89T\xC3\x89",
                                                      "\xC3\x89T\xC3\x89"},
                                           BrokenName{"NeverInUtf8", "\xFF\xFEORGAN", "ORGAN"}),
                         [](const ::testing::TestParamInfo<BrokenName> &info) { return info.param.label; });

} // namespace
} // namespace vox
