#pragma once
// The main window "ＶＯＸＭＥＲＥ Ver1.0": behaviour without Qt. Its
// handlers are spread over the files of the features they belong to
// (start-up here, sound list, receive, bank exchange).

#include "common/controls.h"
#include "midi/midi_port.h"

#include <string>

namespace vox {

struct Program;

namespace form1_text {
inline constexpr const char* kCaption = "ＶＯＸＭＥＲＥ Ver1.0";
inline constexpr const char* kGuideTitle = "最初に設定してください";
inline constexpr const char* kGuideLines[8] = {
    "最初に確認してください (このメッセ-ジは常に表示されます)",
    "１．ＰＣのｍｉｄｉ出力先を外部にしてください(標準は内部音源になっている)",
    "　(コントロ－ルパネルのサウンドとオ－ディオデバイスで実施)",
    "２．ＤＸ7の　｢FUNCTION CONTROL 8｣で｢SYS INFO AVAIL｣ にしてください",
    "　(DX7の電源を入れた直後は｢SYS INFO UNAVAIL｣に戻っています)",
    "３．｢MEMORY PROTECT INTERNAL｣を「ＯＦＦ」にしてください",
    "　(DX7の電源を入れた直後は｢ＯＮ｣に戻っています)　",
    "４．上の操作後は必ず「ＰＬＡＹ ＭＯＤＥ(INTERNAL)に戻してください",
};
inline constexpr const char* kVersionText = "VOXMERE Ver1.01";
inline constexpr const char* kVersionTitle = "Ver情報";
inline constexpr const char* kInitFile = "INITdata.v01";
inline constexpr const char* kHelpFileUpper = "VOXMERE.HLP"; // named by the start-up boxes
inline constexpr const char* kHelpFileLower = "voxmere.hlp"; // named by the menu and HELP button

inline constexpr const char* kLabel1 = "SOUND　LIST";
inline constexpr const char* kLabelEditArea = "エディットエリア";
inline constexpr const char* kCommand1 = "音を鳴らす（コマンドボタンを押している間は鳴り続けます）";
inline constexpr const char* kCommand2Start = "開始";
inline constexpr const char* kCommand2Stop = "停止";
inline constexpr const char* kCommand2StopByReceive = "停止 ";
inline constexpr const char* kCommand3 = "End";
inline constexpr const char* kCommand4 = "DX7から読込(32VOICE)";
inline constexpr const char* kCommand5 = "F2 OPEN";
inline constexpr const char* kCommand6 = "ﾌｧｲﾙ保存(32VOICE)";
inline constexpr const char* kCommand7 = "ﾌｧｲﾙ読込(32VOICE)";
inline constexpr const char* kCommand8 = "DX7へ転送(32VOICE)";
inline constexpr const char* kCommand9 = "ﾌｧｲﾙ保存(1VOICE)";
inline constexpr const char* kCommand10 = "ﾌｧｲﾙ読込(1VOICE)";
inline constexpr const char* kCommand11 = "SOUND LISTから読込";
inline constexpr const char* kCommand12 = "SOUND LIST へ  書込";
inline constexpr const char* kCommand13 = "EDIT　MODEへ";
inline constexpr const char* kCommand14 = "ＨＥＬＰ";
inline constexpr const char* kMenuFile = "FILE(&F)";
inline constexpr const char* kMenuEnd = "END(&Q)";
inline constexpr const char* kMenuHelp = "HELP(&H)";
inline constexpr const char* kMenuHelpItem = "HELP";
inline constexpr const char* kMenuVersion = "Ver情報";
} // namespace form1_text

// The start-up guide: line 0, then each further line after two CRs.
std::string StartupGuideText();

class Form1 {
public:
    explicit Form1(Program& program) : program_(program) {}

    // --- Controls ---
    ListBoxState list1, list2, list3, list4;
    std::string text1 = "1";  // audition program number
    std::string text2;        // the edit area
    std::string command2Caption = form1_text::kCommand2Start;
    ProgressBarState progressBar1, progressBar2;
    bool enabled = true;

    // --- Start-up, help, end ---
    void load();
    void command3Click();   // End
    void mnuFileClick();    // END(&Q)
    void command14Click();  // ＨＥＬＰ
    void mnuHelpClick();
    void mnuVerClick();
    void queryClose();      // close box: closes the output, then the window

    // --- Sound list, edit area, audition ---
    void rebuildSoundList();
    void command11Click();
    void list3DoubleClick();
    void command12Click();
    void command13Click();
    void command5Click();
    void command1MouseDown();
    void command1MouseUp();

    // --- MIDI input and bank exchange ---
    void startInputAtLoad();
    void command2Click();
    void command4Click();
    void command8Click();
    void receiveMidiEvent(const MidiInEvent& event);

    // --- Files ---
    void command6Click();  // save 32
    void command7Click();  // load 32
    void command9Click();  // save 1
    void command10Click(); // load 1

    Program& program() { return program_; }

private:
    Program& program_;
};

} // namespace vox
