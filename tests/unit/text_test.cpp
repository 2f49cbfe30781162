// GIVEN / WHEN / THEN tests of the shared text helpers: the number readers
// every field goes through, hex and signed texts, the UTF-8 walk and the
// control pictures of the name boxes and lists.
#include "voice/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

namespace vox {
namespace {

// --- LeadingInteger ----------------------------------------------------------

struct LeadingCase {
    const char *text;
    std::optional<int> value;
};

class LeadingIntegerOf : public ::testing::TestWithParam<LeadingCase> {};

// GIVEN a field text WHEN its leading number is read THEN it is the number
// the text starts with, or none.
TEST_P(LeadingIntegerOf, ReadsTheNumberTheTextStartsWith) {
    EXPECT_EQ(LeadingInteger(GetParam().text), GetParam().value) << "text \"" << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LeadingIntegerOf,
    ::testing::Values(LeadingCase{"0", 0}, LeadingCase{"42", 42}, LeadingCase{"+7", 7}, LeadingCase{"-7", -7},
                      LeadingCase{"-0", 0}, LeadingCase{"  12", 12}, LeadingCase{"\t 12", 12},
                      LeadingCase{"12 ", 12}, LeadingCase{"12x", 12}, LeadingCase{"2.7", 2},
                      LeadingCase{"007", 7}, LeadingCase{"", std::nullopt}, LeadingCase{"   ", std::nullopt},
                      LeadingCase{"-", std::nullopt}, LeadingCase{"+ 5", std::nullopt},
                      LeadingCase{"x12", std::nullopt}, LeadingCase{"--5", std::nullopt},
                      LeadingCase{"2147483647", INT_MAX}, LeadingCase{"2147483648", INT_MAX},
                      LeadingCase{"99999999999999999999999", INT_MAX}, LeadingCase{"-2147483647", -INT_MAX},
                      LeadingCase{"-99999999999999999999999", -INT_MAX}, LeadingCase{"\n5", std::nullopt}));

// --- WholeInteger ------------------------------------------------------------

struct WholeCase {
    const char *text;
    std::size_t maxDigits;
    std::optional<int> value;
};

class WholeIntegerOf : public ::testing::TestWithParam<WholeCase> {};

// GIVEN a field text WHEN it is read as a whole number THEN only blanks, a
// sign and at most maxDigits digits make a number.
TEST_P(WholeIntegerOf, TakesOnlyATextThatIsANumber) {
    EXPECT_EQ(WholeInteger(GetParam().text, GetParam().maxDigits), GetParam().value)
        << "text \"" << GetParam().text << "\", " << GetParam().maxDigits << " digits";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WholeIntegerOf,
    ::testing::Values(WholeCase{"5", 5, 5}, WholeCase{" 99 ", 5, 99}, WholeCase{"\t-3\t", 5, -3},
                      WholeCase{"+12", 5, 12}, WholeCase{"-0", 5, 0}, WholeCase{"99999", 5, 99999},
                      WholeCase{"100000", 5, std::nullopt}, WholeCase{"-100000", 5, std::nullopt},
                      WholeCase{"", 5, std::nullopt}, WholeCase{"  ", 5, std::nullopt},
                      WholeCase{"-", 5, std::nullopt}, WholeCase{"x7", 5, std::nullopt},
                      WholeCase{"7x", 5, std::nullopt}, WholeCase{"1 2", 5, std::nullopt},
                      WholeCase{"2.5", 5, std::nullopt}, WholeCase{"999999999", kIntDigits, 999999999},
                      WholeCase{"2147483648", kIntDigits, std::nullopt},
                      // A wider limit than an int holds still never overflows.
                      WholeCase{"99999999999", 20, std::nullopt}));

// --- SignedDecimal -----------------------------------------------------------

struct SignedCase {
    int value;
    const char *text;
};

class SignedDecimalOf : public ::testing::TestWithParam<SignedCase> {};

// GIVEN a number WHEN written in the signed form THEN a blank stands in the
// sign place for zero and above, "-" below.
TEST_P(SignedDecimalOf, PutsABlankOrAMinusInTheSignPlace) {
    EXPECT_EQ(SignedDecimal(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, SignedDecimalOf,
                         ::testing::Values(SignedCase{0, " 0"}, SignedCase{5, " 5"}, SignedCase{12, " 12"},
                                           SignedCase{-1, "-1"}, SignedCase{-30, "-30"},
                                           SignedCase{INT_MAX, " 2147483647"},
                                           SignedCase{INT_MIN, "-2147483648"}));

// --- Hex -----------------------------------------------------------------------

TEST(HexByte, WritesEveryByteAsTwoUpperCaseDigits) {
    for (int b = 0; b < 256; ++b) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        const std::string expected{kDigits[b / 16], kDigits[b % 16]};
        EXPECT_EQ(HexByte(static_cast<Byte>(b)), expected) << "byte " << b;
    }
}

struct HexCase {
    std::vector<Byte> bytes;
    const char *separator;
    std::size_t limit;
    const char *text;
};

class HexBytesOf : public ::testing::TestWithParam<HexCase> {};

// GIVEN bytes WHEN written in hex THEN the first `limit` of them appear,
// two digits each, with the separator between them only.
TEST_P(HexBytesOf, JoinsTheFirstBytesWithTheSeparator) {
    const HexCase &c = GetParam();
    EXPECT_EQ(HexBytes(c.bytes, c.separator, c.limit), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, HexBytesOf,
    ::testing::Values(HexCase{{}, " ", std::string::npos, ""}, HexCase{{0x0A}, " ", std::string::npos, "0A"},
                      HexCase{{0xF0, 0x43, 0x00}, " ", std::string::npos, "F0 43 00"},
                      HexCase{{0xF0, 0x43, 0x00}, "", std::string::npos, "F04300"},
                      HexCase{{0xF0, 0x43, 0x10, 0x00, 0x05, 0x63, 0xF7}, " ", 6, "F0 43 10 00 05 63"},
                      HexCase{{0x90, 0x3C, 0x64, 0x0A}, "", 3, "903C64"},
                      HexCase{{0x90, 0x3C}, " ", 6, "90 3C"}, HexCase{{0x90, 0x3C}, " ", 0, ""},
                      HexCase{{0xFF, 0x7F}, ", ", std::string::npos, "FF, 7F"}));

// --- UTF-8 -----------------------------------------------------------------------

struct Utf8Case {
    const char *name;
    std::string text;
    std::vector<char32_t> codePoints;
};

class Utf8Walk : public ::testing::TestWithParam<Utf8Case> {};

// GIVEN UTF-8 text, valid or not WHEN walked THEN each character is one code
// point, a stray byte one of its own, and no byte is lost or read past the end.
TEST_P(Utf8Walk, SplitsTheTextIntoCharacters) {
    const Utf8Case &c = GetParam();
    EXPECT_EQ(CodePoints(c.text), c.codePoints);
    std::size_t bytes = 0, characters = 0;
    for (std::size_t at = 0; at < c.text.size(); ++characters) {
        const std::size_t length = Utf8Length(c.text, at);
        ASSERT_GE(length, 1u);
        ASSERT_LE(at + length, c.text.size());
        at += length;
        bytes += length;
    }
    EXPECT_EQ(bytes, c.text.size());
    EXPECT_EQ(characters, c.codePoints.size());
    EXPECT_EQ(Utf8Length(c.text, c.text.size()), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf8Walk,
    ::testing::Values(Utf8Case{"Empty", "", {}},
                      Utf8Case{"Ascii", "E.PIANO 1", {'E', '.', 'P', 'I', 'A', 'N', 'O', ' ', '1'}},
                      Utf8Case{"TwoBytes", "\xC3\xA9", {0xE9}},
                      Utf8Case{"ThreeBytes", "\xE3\x81\x82\xE2\x90\x80", {0x3042, 0x2400}},
                      Utf8Case{"FourBytes", "\xF0\x9F\x8E\xB9", {0x1F3B9}},
                      Utf8Case{"StrayContinuation", "a\x80z", {'a', 0x80, 'z'}},
                      Utf8Case{"LeadCutAtTheEnd", "a\xE3\x81", {'a', 0xE3, 0x81}},
                      Utf8Case{"LeadWithoutContinuation", "\xC3z", {0xC3, 'z'}},
                      Utf8Case{"ByteNeverInUtf8", "\xFF\xF8", {0xFF, 0xF8}},
                      Utf8Case{"NulInside", std::string("A\0B", 3), {'A', 0, 'B'}}),
    [](const ::testing::TestParamInfo<Utf8Case> &info) { return info.param.name; });

TEST(Utf8Of, WritesBackWhatCodePointsRead) {
    // GIVEN valid text of one to four bytes a character
    const std::string text = "A\xC3\xA9\xE3\x81\x82\xF0\x9F\x8E\xB9";
    // WHEN it is split and written back, whole and in part
    const auto cps = CodePoints(text);
    // THEN the bytes come back, and a range takes whole characters
    EXPECT_EQ(Utf8Of(cps), text);
    EXPECT_EQ(Utf8Of(cps, 1, 3), "\xC3\xA9\xE3\x81\x82");
    EXPECT_EQ(Utf8Of(cps, 2, 99), "\xE3\x81\x82\xF0\x9F\x8E\xB9");
    EXPECT_EQ(Utf8Of(cps, 4, 2), "");
}

TEST(Utf8Of, WritesAStrayByteAsTheCharacterOfItsValue) {
    // A name byte 80h..FFh is an ISO-8859-1 character: the stray byte of a
    // broken text becomes that character, valid UTF-8 from then on.
    EXPECT_EQ(Utf8Of(CodePoints("\x80")), "\xC2\x80");
    EXPECT_EQ(Utf8Of(CodePoints("\xFF")), "\xC3\xBF");
}

// --- Control pictures -------------------------------------------------------------

// GIVEN every control character WHEN shown THEN it is its control picture
// U+2400 + code, and reading the picture back gives the character.
TEST(ControlPictures, EveryControlCharacterHasItsPictureAndComesBack) {
    for (int c = 0; c < 0x20; ++c) {
        const std::string control(1, static_cast<char>(c));
        std::string picture;
        AppendUtf8(picture, static_cast<char32_t>(0x2400 + c));
        EXPECT_EQ(WithControlPictures(control), picture) << "control " << c;
        EXPECT_EQ(WithoutControlPictures(picture), control) << "control " << c;
    }
}

struct PictureCase {
    const char *name;
    std::string stored;
    std::string shown;
};

class ControlPicturesOf : public ::testing::TestWithParam<PictureCase> {};

// GIVEN a stored name WHEN shown and read back THEN only control characters
// change, and the shown text reads back as the stored one.
TEST_P(ControlPicturesOf, ChangeOnlyControlCharacters) {
    EXPECT_EQ(WithControlPictures(GetParam().stored), GetParam().shown);
    EXPECT_EQ(WithoutControlPictures(GetParam().shown), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ControlPicturesOf,
    ::testing::Values(PictureCase{"Plain", "E.PIANO 1 ", "E.PIANO 1 "},
                      PictureCase{"NulInside", std::string("AB\0CD", 5),
                                  "AB\xE2\x90\x80"
                                  "CD"},
                      PictureCase{"TabAndEscape", "\tX\x1B", "\xE2\x90\x89X\xE2\x90\x9B"},
                      // DEL and the pictures past U+241F are not control characters here.
                      PictureCase{"DelStays", "A\x7F", "A\x7F"},
                      PictureCase{"Latin1Stays", "\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
                      PictureCase{"Empty", "", ""}),
    [](const ::testing::TestParamInfo<PictureCase> &info) { return info.param.name; });

TEST(ControlPictures, OtherPicturesAndBrokenTextAreReadBackAsTheyAre) {
    // U+2421 (DEL's picture) and U+2424 were never made from a stored byte.
    EXPECT_EQ(WithoutControlPictures("\xE2\x90\xA1\xE2\x90\xA4"), "\xE2\x90\xA1\xE2\x90\xA4");
    // A picture cut short is not a picture.
    EXPECT_EQ(WithoutControlPictures("A\xE2\x90"), "A\xE2\x90");
    EXPECT_EQ(WithControlPictures("\xE2\x90"), "\xE2\x90");
}

} // namespace
} // namespace vox
