#include "workspace/unwritten.h"

#include "midi/midi_output.h"

namespace vox {

bool MayDiscard(Host &host, const Workspace &workspace, Replaces what, bool editorName, DiscardQuestion ask) {
    const auto bits = static_cast<int>(what);
    const bool voice =
        (bits & static_cast<int>(Replaces::EditArea)) != 0 && (workspace.editAreaChanged() || editorName);
    const bool bank = (bits & static_cast<int>(Replaces::Bank)) != 0 && workspace.bankChanged();
    if (!voice && !bank) return true;
    std::string text;
    if (voice) text += unwritten_text::kVoice;
    if (bank) text += std::string(text.empty() ? "" : "\r") + unwritten_text::kBank;
    MessageBoxSpec box;
    box.text = text + "\r" + ask.question;
    box.buttons = MsgButtons::YesNo;
    box.icon = MsgIcon::Question;
    box.title = ask.title;
    box.defaultButton = MsgResult::No;
    return host.messageBox(box) == MsgResult::Yes;
}

void SendEditArea(ProgramState &state, Host &host, const Workspace &workspace) {
    SendCurrentVoice(state, host, workspace.currentSlot(), workspace.editBuffer());
}

bool PortFree(const ProgramState &state, Host &host) {
    if (!TransferRunning(state)) return true;
    MessageBoxSpec box;
    box.text = unwritten_text::kTransferRunning;
    box.icon = MsgIcon::Information;
    host.messageBox(box);
    return false;
}

} // namespace vox
