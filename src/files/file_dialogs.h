#pragma once
// The four file chooser dialogs: behaviour without Qt.
//   Form3 (form3): save a 32-voice file    Form4: load a 32-voice file or import a packed bank
//   Form5: save a 1-voice file             Form6: load a 1-voice file or a MID dump
// They share one form: a drive list, a folder list, a file list, the
// folder box Text1, the name box Text2 and the buttons Command1(0) (the
// action) and Command1(1) "中止". The action always uses Text1 + the name,
// whatever folder the lists show.

#include "common/controls.h"
#include "common/host.h"
#include "text/ui_text.h"
#include "workspace/window_ports.h"

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vox {

namespace file_dialog_text {
// The main window's status line after a load: 「name」 and what took it.
inline constexpr Text kLoadedBankAfter = "」を SOUND LIST に読み込みました。";
inline constexpr Text kLoadedVoiceAfter = "」をエディットエリアに読み込みました。";
// The later models' additional data (AMEM) beside a bank.
inline constexpr Text kSupplementDamagedBefore = "「";
inline constexpr Text kSupplementDamagedAfter =
    "」のバンクの横にある DX7 II "
    "の追加データ（AMEM）はバイト数かチェックサムが合わないため、読込みませんでした。"
    "音色は読込みました。";
inline constexpr Text kSupplementPartialBefore = "DX7 II の追加データがあるのは SOUND LIST の ";
inline constexpr Text kSupplementPartialAfter =
    " 音色だけなので、追加データは保存しませんでした（追加データは 32 音色そろったときに保存します）。"
    "音色は保存しました。";
inline constexpr Text kForm3Caption = "32 ＶＯＩＣＥ　ＤＡＴＡ 保存";
inline constexpr Text kForm4Caption = "32 ＶＯＩＣＥ ＤＡＴＡ 読込";
inline constexpr Text kForm5Caption = "1 VOICE DATA 保存";
inline constexpr Text kForm6Caption = "1 VOICE DATA 読込";
inline constexpr Text kSave = "保存";
inline constexpr Text kLoad = "読込";
inline constexpr Text kCancel = "中止";
inline constexpr const char *kLabel1 = "FILE NAME";
inline constexpr const char *kForm3Pattern = "*.v32";
inline constexpr const char *kForm4Pattern = "*.v32;*.syx;*.dx7;*.32;*.mid";
inline constexpr const char *kForm5Pattern = "*.v01";
inline constexpr const char *kForm6Pattern = "*.v01;*.mid;*.syx";
inline constexpr const char *kBankFolder = "32voice";
inline constexpr const char *kVoiceFolder = "1voice";
inline constexpr Text kEnterName = "ファイル名を入力してください";
inline constexpr Text kOverwrite = "同名のファイルが存在します上書きしますか？";
inline constexpr Text kOverwriteTitle = "確認";
inline constexpr Text kBadNameCharacter = "ファイル名に使えない文字（制御文字）が含まれています";
// A file that holds several banks, or several single voices: which one.
inline constexpr Text kChooseBankTitle = "バンクの選択";
inline constexpr Text kChooseBank =
    "ファイル「%F」には32音色のバンクが %C 個あります。読み込むバンクを選んでください";
inline constexpr Text kBankItem = "バンク %N（先頭から %O バイトの位置、1 音色目「%V」）";
inline constexpr Text kChooseVoiceTitle = "音色の選択";
inline constexpr Text kChooseVoice =
    "ファイル「%F」には1音色のデータが %C 個あります。読み込む音色を選んでください";
inline constexpr Text kVoiceItem = "音色 %N（先頭から %O バイトの位置「%V」）";
} // namespace file_dialog_text

// The file name the 1-voice save proposes for a voice name: control
// characters (NUL included) left out, characters a file name cannot hold on
// any system ("/", "\", ":", "*", "?", '"', "<", ">", "|") made "_", blanks
// at either end and dots at the start removed (a name starting with a dot
// is hidden from the file list). Empty when nothing is left.
std::string ProposedFileName(std::string_view voiceName);

// Whether a file name matches a pattern list such as "*.v32;*.syx"
// (* and ?, ASCII letters compared without case).
bool MatchesPattern(const std::string &fileName, const std::string &patterns);

class FileDialogForm {
public:
    virtual ~FileDialogForm() = default;
    FileDialogForm(const FileDialogForm &) = delete;
    FileDialogForm &operator=(const FileDialogForm &) = delete;

    // --- Controls ---
    std::string caption;
    ListBoxState drive1;                // the volumes
    ListBoxState dir1;                  // folders above and directly below the list folder
    std::vector<std::string> dir1Paths; // the full folder path of each Dir1 entry
    ListBoxState file1;                 // matching files of the list folder, bare names
    std::string text1;                  // the folder the action uses
    std::string text2;                  // the file name the action uses (editable)
    std::string label1 = file_dialog_text::kLabel1;
    std::array<std::string, 2> command1;
    std::string pattern;
    bool isOpen = false;

    // --- Opening ---
    // Resets every control to the default folder and an empty name box,
    // without showing the window.
    void prepare();
    // Shows the prepared window without waiting for it.
    void show();
    // prepare() and show(): what the main window's buttons do.
    void open();

    // --- Events ---
    void drive1Change(int index);
    void dir1Click(int index);
    void file1Click(int index);
    void file1DoubleClick(int index);
    void command1Click(int index); // 0 the action, 1 "中止"
    void queryClose();             // the close box or window menu: as "中止"

    // The folder Dir1 and File1 show.
    const std::filesystem::path &listFolder() const { return listFolder_; }
    // The folder the program writes into + the dialog's folder.
    std::filesystem::path defaultFolder() const;
    WindowId window() const { return window_; }

    // Where the drive list comes from; tests may replace it.
    std::function<std::vector<std::string>()> volumeSource;

protected:
    struct Setup {
        WindowId window;
        Text caption;
        Text action;
        const char *pattern;
        const char *folder;
        bool doubleClickActs;
        bool disablesMainWhenShown;
    };
    FileDialogForm(FormContext program, MainWindowPort &mainWindow, const Setup &setup);

    // Runs the action; returns true when it succeeded (the dialog then
    // closes).
    virtual bool action() = 0;
    // Enables the main window unless told not to, and closes the dialog.
    virtual void finish();

    std::filesystem::path actionPath(const std::string &fileName) const;
    bool nameGiven();                                         // the empty-name check, with its box
    bool nameUsable();                                        // no control characters, or a box
    bool overwriteAllowed(const std::filesystem::path &file); // the question, when the file exists
    void tell(const std::string &text);

    FormContext program_;
    MainWindowPort &mainWindow_;

private:
    void moveTo(const std::filesystem::path &folder);

    Setup setup_;
    WindowId window_;
    std::vector<std::string> volumes_;
    std::filesystem::path listFolder_;
};

// "32 ＶＯＩＣＥ　ＤＡＴＡ 保存": writes slots 1..32 to a .v32 file.
class Form3 : public FileDialogForm {
public:
    Form3(FormContext program, MainWindowPort &mainWindow);

protected:
    bool action() override;
};

// "32 ＶＯＩＣＥ ＤＡＴＡ 読込": reads a .v32 file or a packed bank into
// slots 1..32 and the SOUND LIST. A file that holds several banks asks
// which one. Disables the main window when it opens.
class Form4 : public FileDialogForm {
public:
    Form4(FormContext program, MainWindowPort &mainWindow);

protected:
    bool action() override;
};

// "1 VOICE DATA 保存": writes the edit-area voice to a .v01 file.
class Form5 : public FileDialogForm {
public:
    Form5(FormContext program, MainWindowPort &mainWindow);

    // The main window's save (Command9) opens it with this.
    void openFromMainWindow(const std::string &name);

    // The editor's save command: call this, then
    //     program.host.showWindowModal(WindowId::Form5);
    // It prepares the dialog with the editor's voice name already in the
    // name box (so the user sees it before saving) and leaves the main
    // window disabled when the dialog closes, since the editor is still
    // open. It does not show the window itself.
    void openFromEditor(const std::string &voiceName = {});
    bool openedFromEditor() const { return fromEditor_; }

protected:
    bool action() override;
    void finish() override;

private:
    bool fromEditor_ = false;
};

// "1 VOICE DATA 読込": reads a .v01 file, or a single-voice dump from a
// MID or SYX file (asking which when there are several), into slot 0 and
// the edit area, and sends it.
class Form6 : public FileDialogForm {
public:
    Form6(FormContext program, MainWindowPort &mainWindow);

protected:
    bool action() override;
};

} // namespace vox
