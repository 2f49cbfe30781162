// The main window's file buttons: each opens its dialog with the main
// window disabled; the dialog enables it again when it closes.
#include "librarian/form1.h"

#include "voice/text.h"

namespace vox {
namespace {

// The text from its fifth character on (characters, not bytes: a name
// may hold characters of more than one byte).
std::string FromFifthCharacter(const std::string &text) {
    std::size_t at = 0;
    for (int skipped = 0; skipped < 4; ++skipped)
        at += Utf8Length(text, at);
    return text.substr(at);
}

} // namespace

void Form1::command6Click() {
    if (list3().items.size() != kBankSlots) {
        ShowMessage(program_.host, form1_text::kNo32Voices);
        return;
    }
    setEnabled(false);
    windows_.openBankSave();
}

void Form1::command7Click() {
    if (!PortFree(program_.state, program_.host)) return;
    setEnabled(false);
    windows_.openBankLoad();
}

void Form1::command9Click() {
    const std::string editArea = text2();
    if (editArea.empty()) {
        ShowMessage(program_.host, form1_text::kSelectSaveData);
        return;
    }
    setEnabled(false);
    windows_.openVoiceSave(FromFifthCharacter(editArea));
}

void Form1::command10Click() {
    if (!PortFree(program_.state, program_.host)) return;
    setEnabled(false);
    windows_.openVoiceLoad();
}

} // namespace vox
