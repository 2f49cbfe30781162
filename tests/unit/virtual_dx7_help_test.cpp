// The help page's section on hearing voices without the instrument: the
// program folder's copy, as the help window opens it.
#include "help_page.h"

#include <gtest/gtest.h>

#include <string>

namespace vox::test {
namespace {

TEST(VirtualDx7Help, ThePageTellsHowToHearVoicesWithoutTheInstrument) {
    // GIVEN the help page of the program folder
    const std::string page = ReadHelpPage(kHelpPageJa);
    // THEN its section on the virtual DX7's sound names how to start it, the
    // audio output and its choices, what plays notes, what is heard, the
    // render command and what the engine does not reproduce
    const std::string section = HelpSection(page, "sound");
    ASSERT_FALSE(section.empty()) << "no section \"sound\"";
    EXPECT_NE(section.find("DX7がなくても音を聴く（仮想DX7の音）"), std::string::npos);
    for (const char *words : {"--virtual-dx7",
                              "--audio-api",
                              "--audio-out",
                              "オーディオ出力（仮想DX7の音）",
                              "一度だけお知らせ",
                              "試聴（エディットエリアの音色）",
                              "鍵盤入力（MIDIキーボード）",
                              "--note-in",
                              "SOUND LIST",
                              "エディットエリア",
                              "音色ライブラリ",
                              "「変更」",
                              "voxmere-tool render",
                              "--all",
                              "--voice",
                              "--bank",
                              "--note",
                              "--velocity",
                              "--seconds",
                              "48000 Hz",
                              "再現しないこと",
                              "12 ビット",
                              "ピッチベンド",
                              "ポルタメント"})
        EXPECT_NE(section.find(words), std::string::npos) << words;
    // AND the computer keyboard's two rows, C to C
    for (const char *row : {"<td>Z</td><td>S</td><td>X</td><td>D</td><td>C</td><td>V</td><td>G</td><td>B</td>"
                            "<td>H</td><td>N</td><td>J</td><td>M</td><td>,</td>",
                            "<td>Q</td><td>2</td><td>W</td><td>3</td><td>E</td><td>R</td><td>5</td><td>T</td>"
                            "<td>6</td><td>Y</td><td>7</td><td>U</td><td>I</td>"})
        EXPECT_NE(section.find(row), std::string::npos) << row;
    // AND the contents and the start-up topic lead there
    EXPECT_NE(page.find("<li><a href=\"#sound\">"), std::string::npos) << "not in the contents";
    EXPECT_NE(HelpSection(page, "topic7").find("href=\"#sound\""), std::string::npos);
}

} // namespace
} // namespace vox::test
