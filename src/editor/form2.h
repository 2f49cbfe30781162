#pragma once
// The voice editor window "EDIT MODE DATA　CHAT": behaviour without Qt.
// The chart of six operator rows (row i = operator 6 - i, voice-data block
// i) plus the global fields, the Data Entry Zone with its panels (entry
// column j = operator j + 1), and the commands along the bottom.

#include "editor/eg_graph.h"
#include "editor/groups.h"
#include "text/ui_text.h"
#include "voice/voice.h"
#include "voice/voice_layout.h"
#include "workspace/window_ports.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vox {

namespace form2_text {
inline constexpr Text kCaption = "EDIT MODE DATA　CHAT";
inline constexpr const char *kFrame1 = "Data Entry Zone";
inline constexpr Text kCommand1 = "変更";
inline constexpr std::array<const char *, 6> kCommand2{"初期化",   "EDIT終了",       "ﾌｧｲﾙ保存(1voice)",
                                                       "EDIT中止", " チャ－ト 印刷", "ＨＥＬＰ"};
inline constexpr std::array<const char *, 6> kCommand2Tips{
    "イニシャルデ-タ書き込み",    "ＤＸ７のメモリ－に書き込み", "ファイルに1音デ－タを書き込み",
    "ＤＸ７のメモリ－に書き込み", "ＤＸ７のメモリ－に書き込み", "ＤＸ７のメモリ－に書き込み"};
inline constexpr std::array<const char *, 6> kLabel6{"６", "５", "４", "３", "２", "１"};

// Headings of the operator chart.
inline constexpr const char *kHeadChart =
    "Oscillator                                EG                           Keybord Level Scaling";
inline constexpr const char *kHeadEg = " R1  R2   R3   R4   L1  L2   L3   L4  ";
inline constexpr const char *kHeadRateLevel = "RATE                   LEVEL";
inline constexpr const char *kHeadBreak = "Break";
inline constexpr const char *kHeadPoint = "Point";
inline constexpr const char *kHeadLr = " L     R       L       R";
inline constexpr const char *kHeadCurveDepth = "CURVE    DEPTH";
inline constexpr const char *kHeadKey = "Key-";
inline constexpr const char *kHeadBord = "Bord";
inline constexpr const char *kHeadRate = "Rate";
inline constexpr const char *kHeadScal = "Scal-";
inline constexpr const char *kHeadIng = "ing";
inline constexpr const char *kHeadOut = "Out-";
inline constexpr const char *kHeadPut = "Put";
inline constexpr const char *kHeadLevel = "Level";
inline constexpr const char *kHeadVelo = "Velo-";
inline constexpr const char *kHeadCity = "city";
inline constexpr const char *kHeadSens = "Sens";
inline constexpr const char *kHeadAmp = " Amp";
inline constexpr const char *kHeadLitude = "Litude";
inline constexpr const char *kHeadMod = "MOD";
inline constexpr const char *kHeadSensitivity = "Sensitivity";
inline constexpr const char *kHeadFreq = "FREQ";
inline constexpr const char *kHeadDe = "DE";
inline constexpr const char *kHeadTune = "TUne";
inline constexpr const char *kHeadOperator = "Operator";
// Headings of the global fields.
inline constexpr const char *kHeadAlgorithm = "ALGORITHM";
inline constexpr const char *kHeadFeed = " Feed";
inline constexpr const char *kHeadBack = " Back";
inline constexpr const char *kHeadLfoFields = " wave  SPD   DLY   PMD  AMD  Sync";
inline constexpr const char *kHeadLfoPitchEg = "L F O                                      PITCH EG";
inline constexpr const char *kHeadPegRateLevel = "RATE                    LEVEL";
inline constexpr Text kHeadPegNumbers = "１      2       3       4       1       2      3       4";
inline constexpr const char *kHeadPitch = "Pitch";
inline constexpr const char *kHeadKeyT = "KEY";
inline constexpr const char *kHeadTrance = "Trance";
inline constexpr const char *kHeadPose = "Pose";
// Data Entry Zone.
inline constexpr Text kOption1 = "ＯＮ";
inline constexpr Text kOption2 = "ＯＦＦ";
inline constexpr const char *kOption3 = "R";
inline constexpr const char *kOption4 = "F";
inline constexpr const char *kOption5 = "ON";
inline constexpr const char *kOption6 = "OFF";
inline constexpr const char *kFrame7 = "SYNC";
inline constexpr const char *kFrame8 = "Mode";
inline constexpr const char *kFrame9Fine = "Fine";
inline constexpr const char *kFrame9Coarse = "Coarse";
inline constexpr Text kCommandCompare = "COMPARE";
inline constexpr Text kCommandCompareOn = "COMPARE中";
inline constexpr Text kCommandSheet = "音色シート…";
inline constexpr Text kCommandExplore = "音色探索…";
inline constexpr Text kExploreTip =
    "ランダム、モーフィング、交配、バリエーションで新しい音色を探します（Ctrl+E）";
inline constexpr Text kSheetTip =
    "全パラメーター、エンベロープとアルゴリズムを1枚に描いたPDFかSVGを書きます（Ctrl+Shift+P）";
inline constexpr Text kSheetTitle = "音色シートの保存";
inline constexpr Text kSheetFailed =
    "%F に音色シートを書けませんでした。フォルダーと書き込みの権限を確かめてください。";
inline constexpr Text kCompareTip =
    "エディットエリアに入ったときの音色をDX7で鳴らします。もう一度押すと編集中の音色に戻ります（F6）";
inline constexpr Text kLabel33 = "Ｌ";
inline constexpr Text kLabel9 = "Ｒ";
inline constexpr const char *kOperatorNo = "Operator No";
inline constexpr std::array<const char *, 6> kLabel7{" 6", " 5", " 4", " 3", " 2", " 1"};
inline constexpr const char *kEgRate = "RATE";
inline constexpr const char *kEgLevel = "LEVEL";
inline constexpr std::array<const char *, 5> kLabel65{"99", "50", "0", "+4 OCT", "-4 OCT"};

inline constexpr const char *kInitFile = "INITdata.v01";
inline constexpr const char *kHelpFile = "voxmere.hlp";
inline constexpr int kHelpTopic = 8;
// Boxes for an initial-voice file that is missing or cut short.
inline constexpr Text kInitMissing =
    "初期化ファイル「INITdata.v01」が見つかりません。音色は変更していません。";
inline constexpr Text kInitShort =
    "初期化ファイル「INITdata.v01」が短すぎます（161バイト必要）。音色は変更していません。";
inline constexpr Text kNotANumber = "数値ではない値があるため変更できません：";
// 初期化 over edits that are in no list and no file.
inline constexpr Text kInitQuestion =
    "エディットエリアの音色に、SOUND LIST への書込もファイル保存もしていない変更があります。"
    "\r初期化すると変更は失われます。初期化しますか？";
inline constexpr Text kInitQuestionTitle = "初期化の確認";
// Break point, curve and frequency columns take the forms they show.
inline constexpr Text kNotABreakPoint =
    "ブレークポイントとして読めない値があるため変更できません（A-1 ～ C 8 の音名で入力してください）：";
inline constexpr Text kNotACurve =
    "カーブとして読めない値があるため変更できません（-LIN、-EXP、+EXP、+LIN のどれかを入力してください）：";
// A group opened, or the editor ended, over values stepped and not applied.
inline constexpr Text kZoneQuestion =
    "Data Entry Zone で変えた値を、まだ「変更」で反映していません。"
    "\r反映してから進みますか？「いいえ」を押すと、変えた値は捨てられます。";
inline constexpr Text kZonePending = "未反映";
inline constexpr Text kNotAFrequency =
    "周波数として設定できない値があるため変更できません（表示される形の値を入力してください）：";
} // namespace form2_text

struct UpDownState {
    int min = 0, max = 100, increment = 1;
    bool visible = true;
};

// The windows the editor opens; the program object connects them.
class EditorLinks {
public:
    // Prepares the 1-voice save dialog over the editor, its name box holding
    // `voiceName`; the editor then shows it modal. Closing it leaves the main
    // window disabled.
    virtual void prepareVoiceSave(const std::string &voiceName) = 0;
    // 音色探索…: the exploring tools beside the editor; they close with it.
    virtual void openExplore() = 0;
    virtual void closeExplore() = 0;

protected:
    ~EditorLinks() = default;
};

class Form2 {
public:
    Form2(FormContext program, MainWindowPort &mainWindow, EditorLinks &windows)
        : program_(program), mainWindow_(mainWindow), windows_(windows) {}

    // --- Chart ---
    // Text1..Text18 (index 0 unused) and Text19..Text38, six rows each.
    std::array<std::string, 19> text{};
    std::array<std::array<std::string, 6>, 20> rows{};
    std::array<std::string, 6> &chart(int control) { return rows.at(static_cast<std::size_t>(control - 19)); }
    const std::array<std::string, 6> &chart(int control) const {
        return rows.at(static_cast<std::size_t>(control - 19));
    }
    std::string text8;        // algorithm number
    std::string label29;      // oscillator key sync
    std::string label34;      // list number
    std::string text39;       // the name box
    std::string picture1File; // the algorithm picture's file name
    std::string loadedName;
    std::string algorithmPictureFile;
    std::array<std::string, 12> noteNames{};

    EditorValues values;
    EntryValues entry;

    // --- Data Entry Zone ---
    bool frame1Visible = false;
    bool frame2Visible = false, frame3Visible = false, frame4Visible = false, frame5Visible = false;
    bool frame7Visible = false, frame8Visible = false, frame10Visible = false;
    std::array<bool, 2> frame9Visible{};
    std::array<bool, 6> frame6Visible{};
    std::array<bool, 7> picture2Visible{};
    bool picture3Visible = false;
    std::string picture3File;
    bool shape1Border = false;
    TwipsBox shape1;
    std::array<bool, 2> shape5Visible{}, shape5Border{};
    bool label9Visible = false, label33Visible = false;
    bool label31Visible = false;
    std::string label31;
    bool text40Visible = true;
    std::string text40;
    // What the open zone shows, as the instrument's panel names it.
    std::string zoneName;
    UpDownState upDown1, upDown2;
    std::array<UpDownState, 6> upDown5{}, upDown6{}, upDown7{}, upDown8{};
    std::array<std::string, 6> text42{}, text44{};
    std::array<bool, 6> text44Visible{};
    bool option1 = false;                 // ＯＮ selected (Option2 otherwise)
    bool option5 = false;                 // ON selected (Option6 otherwise)
    std::array<bool, 6> option4{};        // F selected in column j (Option3 "R" otherwise)
    std::array<std::string, 48> text43{}; // EG grid, column c of row i at c * 6 + i
    std::array<std::int16_t, 8> egRowSelected{};
    std::array<bool, 6> shape3Border{};
    std::array<std::string, 8> text41{}; // pitch EG rates 1..4, levels 1..4
    // The envelopes the graphs draw, in twips inside each graph:
    // Picture2(0) the pitch EG (Line89(0..3)), Picture2(i + 1) chart row i
    // (Line25(5i)..Line25(5i + 4)).
    std::array<std::vector<GraphSegment>, 7> graphSegments{};

    // Printing needs the real window; the view installs it.
    std::function<void()> printWindow;
    // The file a voice sheet goes to (a name ending in .pdf or .svg), asked
    // with the name proposed; nullopt: cancelled. The view installs it.
    std::function<std::optional<std::string>(const std::string &proposed)> chooseSheetFile;

    // --- Load and zone ---
    // Shows the edit-area voice: the EditBuffer's parameters, the name from
    // the main window's edit-area text.
    void load();
    // Ctrl+Z and Ctrl+Shift+Z (Ctrl+Y): a step of the edit area back or on,
    // heard at once on the instrument.
    void undoClick();
    void redoClick();
    // COMPARE (its button and F6): the voice as it came into the edit area,
    // or the edit again; the edit itself stays as it is.
    void compareClick();
    bool comparing() const;
    // 音色シート…: the edit-area voice drawn for printing, into a file.
    void sheetClick();
    // 音色探索… (its button and Ctrl+E): randomize, morph, crossbreed and
    // variations of the edit-area voice.
    void exploreClick();
    bool isOpen() const { return open_; }
    // The edit area changed by another window (音色探索): the chart shows it.
    void showChangedEditArea() {
        if (open_) showEditArea();
    }
    // A name typed into the open editor and not yet ended or applied.
    bool nameEdited() const { return open_ && text39 != loadedName; }
    void resetEntryZone();
    int selectedGroup() const;
    // The zone holds values stepped or typed and not applied with 変更.
    bool zonePending() const;

    // --- Group openings ---
    // Opens the group of that number (SelectedGroup's); other numbers do nothing.
    void openGroup(int group);
    void openGroup(Group id) { openGroup(GroupRow(id)); }
    // A click on any chart field or heading; unknown names do nothing.
    void controlClick(std::string_view controlName);

    // --- Zone controls that step values (form2_entry.cpp) ---
    void text40Change(); // the algorithm preview
    void upDown1Up();
    void upDown1Down();
    void upDown2Up();
    void upDown2Down();
    void option1Click();
    void option2Click();
    void option3Click(int column);
    void option4Click(int column);
    void option5Click();
    void option6Click();
    void label33Click();
    void label9Click();
    void upDown5Up(int column);
    void upDown5Down(int column);
    void upDown6Up(int column);
    void upDown6Down(int column);
    void upDown7Up(int column);
    void upDown7Down(int column);
    void upDown8Up(int column);
    void upDown8Down(int column);
    void showEntryFrequency(int column);
    void showEntryBreakPoint(int column);
    void showEntryCurves(int column);
    void label7Click(int row);
    void upDown9Up(int c);
    void upDown9Down(int c);
    void upDown10Up(int c);
    void upDown10Down(int c);
    void upDown3Up(int n);
    void upDown3Down(int n);
    void upDown4Up(int n);
    void upDown4Down(int n);
    void drawOperatorEgGraph(int row);
    void drawPitchEgGraph();

    // --- Name box: returns false when the text was refused ---
    bool text39Change(const std::string &proposed);

    // --- Commands ---
    void command1Click();          // 変更
    void command2Click(int index); // the command row
    void queryUnload(int reason);  // 0: the close box

    // Algorithm picture file name for a number 1..32, and where it is read.
    static std::string PictureFileName(int algorithmNo);
    std::filesystem::path picturePath(const std::string &file) const;

private:
    // Every group opens and applies through these, reading its row.
    void openGroup(const GroupInfo &g);
    void openValueGroup(const GroupInfo &g);
    void openColumnGroup(const GroupInfo &g);
    void openOscillatorGroup(const GroupInfo &g);
    void openEnvelopeGroup(const GroupInfo &g);
    void openPitchEnvelopeGroup(const GroupInfo &g);
    void openAlgorithmGroup(const GroupInfo &g);
    // Where item n of the group (in sending order) lives: its box in the
    // zone, its chart field, its editor value and its entry value (if any).
    std::string &zoneBox(const GroupInfo &g, int n);
    std::string &chartField(const GroupInfo &g, int n);
    std::int16_t *editorValue(const GroupInfo &g, int n);
    std::int16_t *entryValue(const GroupInfo &g, int n);
    // The zone's values of the open group in sending order, as the voice
    // stores them; false (and a box) when a text cannot be applied.
    bool readZone(const GroupInfo &g, std::vector<int> &items);
    bool readOscillator(std::vector<int> &items);
    // The chart fields and editor values show the group's values (as stored);
    // after an apply the zone shows them too.
    void showInChart(const GroupInfo &g, const std::vector<int> &items);
    void showOscillatorInChart(const std::vector<int> &items);
    void showInZone(const GroupInfo &g, const std::vector<int> &items);
    // Writes the values into the EditBuffer and sends them, then the name.
    void sendGroup(const GroupInfo &g, const std::vector<int> &items);

    // The values the user can change in the zone (not its selectors).
    struct ZoneValues {
        std::string text40;
        bool option1, option5;
        std::array<std::string, 6> text42, text44;
        std::array<bool, 6> option4;
        std::array<std::string, 48> text43;
        std::array<std::string, 8> text41;
        EntryValues::PerColumn breakPoint, leftCurve, rightCurve, oscMode, coarse, fine;
        bool operator==(const ZoneValues &) const = default;
    };
    ZoneValues zoneValues() const;
    // Before what the zone holds would be dropped: asks whether to apply
    // it first. False when the user stays, or the values cannot be applied.
    bool settleZone();

    void initialise();
    void endEditing();
    void saveToFile();
    void cancelEditing();
    void stepHistory(bool redo);
    // The edit area's voice into the chart, the name and the number.
    void showEditArea();
    // Sends the name; false when the editor was closed or reloaded meanwhile.
    bool sendName(unsigned session);

    FormContext program_;
    MainWindowPort &mainWindow_;
    EditorLinks &windows_;
    // Counts loads and closes, so that a send loop notices when a handler
    // run in its message-loop pass has closed or reloaded the editor.
    unsigned session_ = 0;
    bool open_ = false;
    // The zone as its group opened or was last applied.
    std::optional<ZoneValues> zoneShown_;
    // The EditBuffer as the editor opened it: what EDIT中止 goes back to.
    Slot opened_{};
};

} // namespace vox
