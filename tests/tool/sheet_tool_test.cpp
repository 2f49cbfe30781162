// GIVEN / WHEN / THEN tests of voxmere-tool sheet, run as a user would: the
// PDF and SVG it writes, read back as text, and its refusals.
#include "tool_runner.h"

#include "files/voice_files.h"
#include "voice/init_voice.h"
#include "voice/voice_layout.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vox::OpParam;
using vox::OpParamNumber;
namespace param = vox::param;

constexpr auto &Data = vox::test::TestDataPath;

// Changes to the initial voice and how the editor shows each value, from
// the instrument's display forms: the initial voice holds none of these
// texts, so each can only come from its own parameter.
struct Shown {
    int parameter;
    int value;
    const char *text;
};
const Shown kChanges[] = {
    {OpParamNumber(2, OpParam::BreakPoint), 99, "C 8"}, // 0 is A-1, 3 is C0: 99 is C8
    {OpParamNumber(4, OpParam::LeftCurve), 2, "+EXP"},
    {OpParamNumber(3, OpParam::Detune), 0, "-7"},
    {OpParamNumber(5, OpParam::OscMode), 1, "F"},       // fixed frequency ...
    {OpParamNumber(5, OpParam::FreqCoarse), 2, "100"},  // ... 10^2 Hz at fine 0
    {OpParamNumber(6, OpParam::FreqCoarse), 0, "0.75"}, // ratio 0.5 ...
    {OpParamNumber(6, OpParam::FreqFine), 50, "0.75"},  // ... x 1.5
    {param::LfoWave, 5, "S&H"},
    {param::Transpose, 0, "C 1"}, // 24 is C3, a step a semitone
};
// Values the initial voice keeps: LFO speed 35, curves -LIN, osc key sync on.
const char *const kKept[] = {"35", "-LIN", "ON"};
// The name as stored, and as the sheet prints it: the instrument shows 5Ch
// as a Yen sign and 7Eh as an arrow, and a control code blank.
const vox::Byte kName[vox::kNameLength] = {'S', 'H', '(', '1', ')', 0x5C, 0x7E, 0x01, 'Z', ' '};
constexpr const char *kPrintedName = "SH(1)Y> Z ";

class SheetToolTest : public ::testing::Test {
protected:
    vox::test::ToolResult run(const std::vector<std::string> &args) { return vox::test::RunTool(args, io); }

    // The initial voice with kChanges and kName, as a .v01 file.
    std::string TestVoiceFile() {
        vox::Slot voice = vox::InitialVoice();
        for (const Shown &c : kChanges)
            voice[vox::ParamPos(c.parameter)] = static_cast<vox::Byte>(c.value);
        for (std::size_t k = 0; k < vox::kNameLength; ++k)
            voice[vox::kNamePos + k] = kName[k];
        const std::vector<vox::Byte> bytes = vox::EncodeVoiceFile(voice);
        const fs::path file = io / "test.v01";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }

    // What the output folder holds: a writer leaves only the file it wrote.
    std::vector<std::string> OutputFiles() const {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(out))
            names.push_back(entry.path().filename().string());
        return names;
    }

    vox::test::ScratchFolder scratchIo{"sheet-io"};
    vox::test::ScratchFolder scratchOut{"sheet-out"};
    fs::path io = scratchIo.path();
    fs::path out = scratchOut.path();
};

// Page objects, not the page tree ("/Type /Pages").
std::size_t PageCount(const std::string &pdf) {
    const std::regex page("/Type\\s*/Page(?![a-zA-Z])");
    return static_cast<std::size_t>(
        std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

// A PDF literal string as written, ( ) and \ escaped.
std::string PdfLiteral(const std::string &text) {
    std::string s = "(";
    for (char c : text) {
        if (c == '(' || c == ')' || c == '\\') s += '\\';
        s += c;
    }
    return s + ")";
}

TEST_F(SheetToolTest, PdfHasAPageForEachVoiceAsked) {
    struct Case {
        std::vector<std::string> selection;
        std::size_t pages;
    };
    for (const Case &c : {Case{{"--voice", "3"}, 1}, Case{{"--all"}, 32}}) {
        // GIVEN a 32-voice bank WHEN the sheet of one voice or of all is written
        std::vector<std::string> args{"sheet", Data("rom1a.syx")};
        args.insert(args.end(), c.selection.begin(), c.selection.end());
        args.push_back((out / "bank.pdf").string());
        const auto r = run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        // THEN the PDF holds that many pages, and nothing else is left beside it
        const std::string pdf = vox::test::ReadFileText(out / "bank.pdf");
        EXPECT_EQ(pdf.rfind("%PDF-1.4", 0), 0u);
        EXPECT_EQ(PageCount(pdf), c.pages) << c.selection.front();
        EXPECT_EQ(OutputFiles(), std::vector<std::string>{"bank.pdf"});
    }
    // The third voice of the factory bank is "BRASS   3 "; all of them start with the first.
    EXPECT_NE(vox::test::ReadFileText(out / "bank.pdf").find("(BRASS   1 )"), std::string::npos);
}

TEST_F(SheetToolTest, PdfXrefPointsAtEachObject) {
    // GIVEN the sheet of a whole bank
    ASSERT_EQ(run({"sheet", Data("rom1a.syx"), "--all", (out / "bank.pdf").string()}).status, 0);
    const std::string pdf = vox::test::ReadFileText(out / "bank.pdf");
    // WHEN the cross-reference table named by startxref is read
    const std::size_t tail = pdf.rfind("startxref");
    ASSERT_NE(tail, std::string::npos);
    const std::size_t xref = std::stoul(pdf.substr(tail + 9));
    ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
    std::size_t at = xref + 5;
    ASSERT_EQ(pdf.compare(at, 2, "0 "), 0);
    const std::size_t size = std::stoul(pdf.substr(at + 2));
    at = pdf.find('\n', at) + 1;
    // THEN it lists catalogue, page tree, two fonts and a page and content per voice,
    // each entry of 20 bytes, and each offset is where "N 0 obj" begins
    ASSERT_EQ(size, 1u + 4 + 2 * 32);
    EXPECT_EQ(pdf.substr(at, 20), "0000000000 65535 f \n");
    for (std::size_t n = 1; n < size; ++n) {
        const std::string entry = pdf.substr(at + 20 * n, 20);
        ASSERT_EQ(entry.substr(10), " 00000 n \n") << n;
        const std::size_t offset = std::stoul(entry.substr(0, 10));
        EXPECT_EQ(pdf.compare(offset, std::to_string(n).size() + 6, std::to_string(n) + " 0 obj"), 0) << n;
    }
    EXPECT_NE(pdf.find("/Size " + std::to_string(size) + " /Root 1 0 R", at), std::string::npos);
}

TEST_F(SheetToolTest, SheetShowsTheNameAndValuesAsTheEditorDoes) {
    // GIVEN the initial voice with known changes and an awkward name
    const std::string voice = TestVoiceFile();
    for (const char *file : {"voice.pdf", "voice.svg"}) {
        // WHEN its sheet is written as PDF and as SVG
        const auto r = run({"sheet", voice, "--voice", "1", (out / file).string()});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    const std::string pdf = vox::test::ReadFileText(out / "voice.pdf");
    const std::string svg = vox::test::ReadFileText(out / "voice.svg");
    // THEN each value stands as a text of its own, the name printable and escaped
    auto svgText = [](std::string text) {
        std::string s;
        for (char c : text)
            s += c == '&' ? "&amp;" : c == '>' ? "&gt;" : std::string(1, c);
        return ">" + s + "</text>";
    };
    EXPECT_EQ(PageCount(pdf), 1u);
    EXPECT_NE(pdf.find(PdfLiteral(kPrintedName) + " Tj"), std::string::npos);
    EXPECT_NE(svg.find(svgText(kPrintedName)), std::string::npos);
    std::vector<std::string> texts(std::begin(kKept), std::end(kKept));
    for (const Shown &c : kChanges)
        texts.push_back(c.text);
    for (const std::string &text : texts) {
        EXPECT_NE(pdf.find(PdfLiteral(text) + " Tj"), std::string::npos) << text;
        EXPECT_NE(svg.find(svgText(text)), std::string::npos) << text;
    }
    EXPECT_EQ(svg.rfind("<svg", 0), 0u);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    for (unsigned char c : pdf.substr(pdf.find('\n', 10)))
        ASSERT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << "byte " << int(c) << " in the PDF's body";
}

TEST_F(SheetToolTest, RefusalsFailAndLeaveNoFile) {
    const std::string pdf = (out / "x.pdf").string(), svg = (out / "x.svg").string();
    struct Case {
        std::vector<std::string> args;
        const char *message; // part of what stderr says
    };
    const Case cases[] = {
        {{Data("rom1a.syx"), pdf}, "--voice"},
        {{Data("rom1a.syx"), "--voice", "33", pdf}, "33"},
        {{Data("rom1a.syx"), "--voice", "two", pdf}, "--voice"},
        {{Data("rom1a.syx"), "--all", svg}, "SVG"},
        {{Data("rom1a.syx"), "--voice", "1", (out / "x.txt").string()}, ".pdf or .svg"},
        {{Data("text-file-named.v01"), "--voice", "1", pdf}, "text-file-named.v01"},
        {{(io / "missing.syx").string(), "--voice", "1", pdf}, "missing.syx"},
        {{Data("rom1a.syx"), "--voice", "1", (out / "no-folder" / "x.pdf").string()}, "x.pdf"},
    };
    for (const Case &c : cases) {
        // GIVEN a command the tool cannot carry out WHEN it is run
        std::vector<std::string> args{"sheet"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r = run(args);
        // THEN it fails saying why, and writes nothing
        EXPECT_NE(r.status, 0) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(OutputFiles().empty()) << c.message;
    }
}

} // namespace
