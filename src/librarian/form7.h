#pragma once
// "SOUND LIST 変更": the overwrite-position chooser. Writes the edit-area
// voice into the chosen SOUND LIST position.

#include "common/controls.h"
#include "text/ui_text.h"
#include "workspace/window_ports.h"

namespace vox {

namespace form7_text {
inline constexpr Text kCaption = "SOUND LIST 変更";
inline constexpr Text kLabel1 = "音色上書き位置";
inline constexpr Text kCommand1 = "変更";
inline constexpr Text kCommand2 = "中止";
// 変更 with no position chosen: nothing is written, the chooser stays.
inline constexpr Text kNoPosition = "上書きする位置を選んでください。";
} // namespace form7_text

class Form7 {
public:
    Form7(FormContext program, MainWindowPort &mainWindow) : program_(program), mainWindow_(mainWindow) {}

    ListBoxState list1; // index i stands for slot i + 1

    // Fresh each time: the SOUND LIST's texts, the entry the edit-area
    // voice came from selected (none when it came from elsewhere).
    void open();
    void command1Click(); // 変更: write and close; with nothing chosen, ask for a position
    void command2Click(); // 中止: close without writing
    // The close box or window menu: as 中止. A close the form itself asked
    // for does nothing more.
    void queryUnload();
    bool isOpen() const { return open_; }

private:
    void closeForm();

    FormContext program_;
    MainWindowPort &mainWindow_;
    bool open_ = false;
};

} // namespace vox
