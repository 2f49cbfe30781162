#pragma once
// The voice editor window "EDIT MODE DATA　CHAT": behaviour without Qt.
//
// Chart arrays are indexed by row, top to bottom: row i shows operator
// 6 - i (voice-data block i). Data Entry Zone columns run the other way:
// column j is operator j + 1. Editor values per operator are indexed by the
// operator number 1..6 (index 0 unused).

#include "voice/voice_layout.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vox {

struct Program;

namespace form2_text {
inline constexpr const char* kCaption = "EDIT MODE DATA　CHAT";

// Chart headings.
inline constexpr const char* kHeadingChart =
    "Oscillator                                EG                           Keybord Level Scaling";
inline constexpr const char* kHeadingEgColumns = " R1  R2   R3   R4   L1  L2   L3   L4  ";
inline constexpr const char* kHeadingEgRateLevel = "RATE                   LEVEL";
inline constexpr const char* kHeadingBreak = "Break";
inline constexpr const char* kHeadingPoint = "Point";
inline constexpr const char* kHeadingCurveSides = " L     R       L       R";
inline constexpr const char* kHeadingCurveDepth = "CURVE    DEPTH";
inline constexpr const char* kHeadingRateScaling[5] = {"Key-", "Bord", "Rate", "Scal-", "ing"};
inline constexpr const char* kHeadingOutputLevel[3] = {"Out-", "Put", "Level"};
inline constexpr const char* kHeadingVelocity[3] = {"Velo-", "city", "Sens"};
inline constexpr const char* kHeadingAmpMod[4] = {" Amp", "Litude", "MOD", "Sensitivity"};
inline constexpr const char* kHeadingFreq = "FREQ";
inline constexpr const char* kHeadingDetune[2] = {"DE", "TUne"};
inline constexpr const char* kHeadingOperator = "Operator";
inline constexpr const char* kRowLabels[6] = {"６", "５", "４", "３", "２", "１"}; // Label6

// Global fields.
inline constexpr const char* kHeadingAlgorithm = "ALGORITHM"; // Label30
inline constexpr const char* kHeadingFeedback[2] = {" Feed", " Back"};
inline constexpr const char* kHeadingLfoColumns = " wave  SPD   DLY   PMD  AMD  Sync";
inline constexpr const char* kHeadingLfoPitchEg = "L F O                                      PITCH EG";
inline constexpr const char* kHeadingPitchEgRateLevel = "RATE                    LEVEL";
inline constexpr const char* kHeadingPitchEgColumns = "１      2       3       4       1       2      3       4";
inline constexpr const char* kHeadingPitch = "Pitch";
inline constexpr const char* kHeadingTranspose[3] = {"KEY", "Trance", "Pose"};

// Data Entry Zone.
inline constexpr const char* kFrame1 = "Data Entry Zone";
inline constexpr const char* kCommand1 = "変更";
inline constexpr const char* kOption1 = "ＯＮ";
inline constexpr const char* kOption2 = "ＯＦＦ";
inline constexpr const char* kOption3 = "R";
inline constexpr const char* kOption4 = "F";
inline constexpr const char* kOption5 = "ON";
inline constexpr const char* kOption6 = "OFF";
inline constexpr const char* kFrame7 = "SYNC";
inline constexpr const char* kFrame8 = "Mode";
inline constexpr const char* kFrame9[2] = {"Fine", "Coarse"};
inline constexpr const char* kLabel33 = "Ｌ";
inline constexpr const char* kLabel9 = "Ｒ";
inline constexpr const char* kColumnLabels[6] = {"1", "2", "3", "4", "5", "6"};
inline constexpr const char* kOperatorNo = "Operator No";
inline constexpr const char* kEgRowLabels[6] = {" 6", " 5", " 4", " 3", " 2", " 1"}; // Label7
inline constexpr const char* kEgHeadingRate = "RATE";
inline constexpr const char* kEgHeadingLevel = "LEVEL";
inline constexpr const char* kEgColumnLabels[4] = {"1", "2", "3", "4"};
inline constexpr const char* kPitchGraphCaptions[5] = {"99", "50", "0", "+4 OCT", "-4 OCT"}; // Label65

// The command buttons Command2(0..5) and their tool tips.
inline constexpr const char* kCommand2[6] = {"初期化",   "EDIT終了",       "ﾌｧｲﾙ保存(1voice)",
                                             "EDIT中止", " チャ－ト 印刷", "ＨＥＬＰ"};
inline constexpr const char* kCommand2ToolTips[6] = {
    "イニシャルデ-タ書き込み", "ＤＸ７のメモリ－に書き込み", "ファイルに1音デ－タを書き込み",
    "ＤＸ７のメモリ－に書き込み", "ＤＸ７のメモリ－に書き込み", "ＤＸ７のメモリ－に書き込み"};

// Opening the editor from the main window with an empty edit area.
inline constexpr const char* kNoVoiceInEditArea = "エディットエリアに音色が選択されていません";

// Initialise: the file and what is said when it cannot be used.
inline constexpr const char* kInitFile = "INITdata.v01";
inline constexpr const char* kInitMissing = "初期化データ「%s」が見つかりません。\r音色はそのままにします。";
inline constexpr const char* kInitShort =
    "初期化データ「%s」が短すぎます（%d バイト、161 バイト必要です）。\r音色はそのままにします。";
inline constexpr const char* kInitUnreadable = "初期化データ「%s」を読み込めません。\r音色はそのままにします。";

// Print.
inline constexpr const char* kNoPrinter = "既定のプリンタがありません。\rチャートをPDFファイルに保存しますか？";
inline constexpr const char* kPrintFailed = "チャートを印刷できませんでした。";
inline constexpr const char* kPdfFailed = "PDFファイル「%s」を保存できませんでした。";
inline constexpr const char* kPdfSuggestedName = "chart.pdf";
inline constexpr const char* kCannotPrint = "この環境では印刷できません。";

inline constexpr const char* kHelpFile = "voxmere.hlp";
inline constexpr int kHelpTopic = 8;
} // namespace form2_text

// A control position in twips inside its container.
struct TwipsBox {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const TwipsBox&, const TwipsBox&) = default;
};

struct TextBoxState {
    std::string text;
    bool visible = true;
};

struct LabelState {
    std::string caption;
    bool visible = true;
};

// An up-down pair: the range it keeps its buddy in, its step and whether
// it is shown.
struct UpDownState {
    int min = 0;
    int max = 10;
    int increment = 1;
    bool visible = true;
};

struct ShapeState {
    bool visible = true;
    bool border = false; // the frame line shows only with its border on
    TwipsBox box;
};

// A picture box showing a picture file (a bare name in the program
// folder); empty: nothing.
struct PictureState {
    std::string file;
    bool visible = true;
};

// What a graph picture shows, in twips inside the picture, y downwards.
struct GraphLine {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
struct GraphCaption {
    std::string text;
    float x = 0, y = 0;  // top left of the text
    bool alignRight = false; // x is the right edge instead
};
struct GraphState {
    bool visible = true;
    std::vector<GraphLine> lines;
    std::vector<GraphCaption> captions;
};

// The editor's integer copies of the parameters whose zone works on numbers.
struct EditorValues {
    std::array<std::int16_t, 7> breakPoint{}, leftCurve{}, rightCurve{};
    std::array<std::int16_t, 7> oscMode{}, freqCoarse{}, freqFine{};
    std::array<std::int16_t, 5> pegRate{}, pegLevel{}; // k = 1..4
    std::int16_t algorithmNo = 1;                      // 1..32
    std::int16_t feedback = 0, oscKeySync = 0;
    std::int16_t lfoSpeed = 0, lfoDelay = 0, lfoPmd = 0, lfoAmd = 0, lfoSync = 0, lfoWave = 0;
    std::string lfoWaveText;
    std::int16_t pitchModSens = 0, transpose = 0;
};

// The Data Entry Zone's working values, by column j = operator j + 1.
struct EntryValues {
    std::array<std::int16_t, 6> breakPoint{}, leftCurve{}, rightCurve{};
    std::array<std::int16_t, 6> oscMode{}, coarse{}, fine{};
    std::int16_t leftActive = 0, rightActive = 0; // which row the column buttons step
};

// How a group is edited in the Data Entry Zone.
enum class GroupPanel {
    Value,         // Text40 with UpDown1 (and UpDown2)
    OnOff,         // Option1 / Option2
    Columns,       // one entry row Text42
    TwoRowColumns, // Text42 and Text44 with the L/R selectors
    Oscillator,    // columns with mode, coarse, fine and the SYNC choice
    OperatorEg,    // the EG grid and six graphs
    PitchEg,       // the pitch EG boxes and graph
    Algorithm,     // Text40 with the preview picture
};

// What a column step does at the end of the range.
enum class ColumnLimit { Stop, Wrap, LargeStopsSmallWraps };

// Unload reasons of the window's close request.
inline constexpr int kUnloadFormControlMenu = 0; // the user's close box or control menu

// The view's printer; the form decides what to do when there is none.
class ChartPrinter {
public:
    virtual ~ChartPrinter() = default;
    virtual bool hasDefaultPrinter() = 0;
    // Prints the window's image; false when the job could not be made.
    virtual bool printToDefaultPrinter() = 0;
    // Asks where to save; an empty path means the user cancelled.
    virtual std::filesystem::path choosePdfFile(const std::filesystem::path& suggestion) = 0;
    virtual bool printToPdf(const std::filesystem::path& file) = 0;
};

using RowTexts = std::array<std::string, 6>; // one chart column, by row

class Form2;
struct GroupRule;

// The rule of a group (a DX7 parameter number as SelectedGroup holds it);
// null for a number that names no group.
const GroupRule* FindGroupRule(int group);
std::span<const GroupRule> GroupRules();
// The parameter number item n of a group's transmission is sent under.
int GroupItemParameter(int group, int n);
// The seven-byte parameter change for parameter 0..155 and a value 0..127.
std::array<Byte, 7> ParameterChange(int parameter, Byte value);

class Form2 {
public:
    explicit Form2(Program& program);

    // --- Chart ---
    RowTexts text19, text20, text21, text22;         // AMS, mode, frequency, detune
    RowTexts text23, text24, text25, text26;         // EG rates 1..4
    RowTexts text27, text28, text29, text30;         // EG levels 1..4
    RowTexts text31, text32, text33, text34, text35; // break point, curves L R, depths L R
    RowTexts text36, text37, text38;                 // rate scaling, output level, velocity
    std::string text1;                               // feedback
    std::string text2, text3, text4, text5, text6, text7; // LFO wave, speed, delay, PMD, AMD, sync
    std::string text8;                               // algorithm number
    std::array<std::string, 8> pitchEgTexts;         // Text9..Text16: rates 1..4, levels 1..4
    std::string text17, text18;                      // transpose, pitch modulation sensitivity
    std::string label29;                             // oscillator key sync
    std::string label34;                             // list number
    std::string text39;                              // the name box
    PictureState picture1;                           // AlgorithmPictureFile

    // --- Data Entry Zone ---
    bool frame1 = false; // the zone itself
    bool frame2 = false, frame3 = false, frame4 = false, frame5 = false;
    bool frame7 = false, frame8 = false, frame10 = false;
    std::array<bool, 6> frame6{};
    std::array<bool, 2> frame9{};
    TextBoxState text40;
    LabelState label31;
    UpDownState upDown1, upDown2;
    bool option1 = false, option2 = false; // LFO key sync ＯＮ / ＯＦＦ
    bool option5 = false, option6 = false; // oscillator key sync ON / OFF
    std::array<bool, 6> option3{}, option4{}; // per column: R / F
    std::array<TextBoxState, 6> text42, text44;
    std::array<UpDownState, 6> upDown5, upDown6, upDown7, upDown8;
    bool label9 = false, label33 = false; // visible
    std::array<ShapeState, 2> shape5;
    std::array<std::string, 48> text43; // EG grid: column c of row i at c * 6 + i
    std::array<std::int16_t, 8> egRowSelected{};
    std::array<bool, 6> shape3{}; // row markers: border on
    std::array<UpDownState, 8> upDown9, upDown10;
    std::array<std::string, 8> text41; // pitch EG rates 1..4, levels 1..4
    std::array<UpDownState, 8> upDown3, upDown4;
    std::array<GraphState, 7> picture2; // 0 pitch EG, i + 1 chart row i
    PictureState picture3;              // the algorithm preview
    ShapeState shape1;                  // the selection frame on the chart

    EditorValues values;
    EntryValues entry;
    std::array<std::int16_t, 49> paramValues{}; // the last transmission, in sending order
    std::string loadedName;

    // --- Load and the zone ---
    void load();
    void resetEntryZone();
    // Disables the main window, loads and shows the editor.
    void show();

    // --- Click targets (every field of a row opens the whole group) ---
    void openGroup(int group);
    void text19Click(int row) { openGroup(14); }
    void text20Click(int row) { openGroup(17); }
    void text21Click(int row) { openGroup(17); }
    void text22Click(int row) { openGroup(20); }
    void text23Click(int row) { openGroup(0); }
    void text24Click(int row) { openGroup(0); }
    void text25Click(int row) { openGroup(0); }
    void text26Click(int row) { openGroup(0); }
    void text27Click(int row) { openGroup(0); }
    void text28Click(int row) { openGroup(0); }
    void text29Click(int row) { openGroup(0); }
    void text30Click(int row) { openGroup(0); }
    void text31Click(int row) { openGroup(8); }
    void text32Click(int row) { openGroup(11); }
    void text33Click(int row) { openGroup(11); }
    void text34Click(int row) { openGroup(9); }
    void text35Click(int row) { openGroup(9); }
    void text36Click(int row) { openGroup(13); }
    void text37Click(int row) { openGroup(16); }
    void text38Click(int row) { openGroup(15); }
    void label13Click(int index); // the caption-less headings over the chart
    void label29Click() { openGroup(17); }
    void label30Click() { openGroup(134); }
    void text8Click() { openGroup(134); }
    void label11Click() { openGroup(135); }
    void text1Click() { openGroup(135); }
    void label12Click() { openGroup(126); }
    void pitchEgTextClick(int k) { openGroup(126); } // Text9 + k
    void label57Click() { openGroup(142); }
    void text2Click() { openGroup(142); }
    void label58Click() { openGroup(137); }
    void text3Click() { openGroup(137); }
    void label59Click() { openGroup(138); }
    void text4Click() { openGroup(138); }
    void label60Click() { openGroup(139); }
    void text5Click() { openGroup(139); }
    void label61Click() { openGroup(140); }
    void text6Click() { openGroup(140); }
    void label62Click() { openGroup(141); }
    void text7Click() { openGroup(141); }
    void text18Click() { openGroup(143); }
    void label63Click() { openGroup(144); }
    void text17Click() { openGroup(144); }

    // --- 変更 ---
    void command1Click();

    // --- Name box ---
    // The user's edit of the name box: characters without a single-byte
    // code 32..127 are refused, and so is anything past the tenth
    // character. Returns false when something was refused.
    bool text39Change(const std::string& newText);

    // --- Commands ---
    void command2Click(int index);
    void queryUnload(int unloadMode);
    void setPrinter(ChartPrinter* printer) { printer_ = printer; }

    // --- Zone controls that step values (see form2_entry.cpp) ---
    void text40Change();
    void upDown1Up();
    void upDown1Down();
    void upDown2Up();
    void upDown2Down();
    void upDown3Up(int n);
    void upDown3Down(int n);
    void upDown4Up(int n);
    void upDown4Down(int n);
    void upDown5Up(int column);
    void upDown5Down(int column);
    void upDown6Up(int column);
    void upDown6Down(int column);
    void upDown7Up(int column);
    void upDown7Down(int column);
    void upDown8Up(int column);
    void upDown8Down(int column);
    void upDown9Up(int c);
    void upDown9Down(int c);
    void upDown10Up(int c);
    void upDown10Down(int c);
    void option1Click();
    void option2Click();
    void option3Click(int column);
    void option4Click(int column);
    void option5Click();
    void option6Click();
    void label33Click();
    void label9Click();
    void label7Click(int row);
    void drawOperatorEgGraph(int row);
    void drawPitchEgGraph();
    void showEntryFrequency(int column);
    void showEntryBreakPoint(int column);
    void showEntryCurves(int column);

    Program& program() { return program_; }

private:
    void openValueGroup(const GroupRule& rule);
    void openColumnGroup(const GroupRule& rule);
    void openOscillatorGroup(const GroupRule& rule);
    void openOperatorEgGroup(const GroupRule& rule);
    void openPitchEgGroup(const GroupRule& rule);
    void openAlgorithmGroup(const GroupRule& rule);
    void moveSelectionFrame(const GroupRule& rule);
    // Step 1 of 変更: chart fields and editor values from the zone, the
    // values to send into paramValues; returns how many.
    int collectGroup(const GroupRule& rule);
    void showAlgorithm(int algorithmNo);
    void sendName();
    void initialise();
    void endEditing();
    void saveToFile();
    void cancelEditing();
    void printChart();
    void setMainWindowEnabled(bool enabled);
    void closeWindow();

    Program& program_;
    ChartPrinter* printer_ = nullptr;
};

// One row of the table of groups: the panel, the range its buttons keep,
// the selection frame and the chart fields it edits.
struct GroupRule {
    std::int16_t group;
    GroupPanel panel;
    TwipsBox frame;     // Shape1 on the chart
    int min, max;       // UpDown1/UpDown2, or UpDown5/UpDown6 of columns
    bool setsRange;     // depth and curve leave the column buttons' range alone
    bool tenButtons;    // UpDown2 shown
    bool noteCaption;   // Label31 shows the value's text instead of Text40
    int count;          // parameters sent by 変更
    int largeStep;      // column buttons: UpDown5 / UpDown6
    int smallStep;
    ColumnLimit limit;
    RowTexts Form2::*leftField;  // columns: the chart column copied into Text42
    RowTexts Form2::*rightField; // two-row columns: into Text44
    std::string Form2::*valueField;       // single values: the chart field
    std::int16_t EditorValues::*value;    // single values: the editor value
};

} // namespace vox
