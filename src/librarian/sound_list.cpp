// SOUND LIST, edit area, audition and the overwrite chooser's opener.
#include "librarian/form1.h"

#include "librarian/program.h"
#include "midi/midi_output.h"

namespace vox {

void Form1::rebuildSoundList() {}
void Form1::command11Click() {}
void Form1::list3DoubleClick() {}
void Form1::command12Click() {}
void Form1::command1MouseDown() {}
void Form1::command1MouseUp() {}

// Opening the editor.
void Form1::command13Click() {
    if (text2.empty()) {
        ShowMessage(program_.host, form2_text::kNoVoiceSelected);
        return;
    }
    SendCurrentVoice(program_.state, program_.host);
    command5Click();
}

// Opens the editor without a check or a send.
void Form1::command5Click() {
    enabled = false;
    program_.host.setWindowEnabled(WindowId::Form1, false);
    program_.form2.load();
    program_.host.showWindow(WindowId::Form2);
}

} // namespace vox
