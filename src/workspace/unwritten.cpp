#include "workspace/unwritten.h"

#include "midi/midi_output.h"
#include "voice/dx7_messages.h"

#include <vector>

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

bool SetCompare(ProgramState &state, Host &host, Workspace &workspace, bool on) {
    if (on == workspace.comparing()) return true; // nothing to send, nothing to refuse
    if (!workspace.hasEditVoice() || !PortFree(state, host)) return false;
    workspace.setComparing(on);
    if (on)
        SendCurrentVoice(state, host, workspace.currentSlot(), workspace.placedVoice());
    else
        SendEditArea(state, host, workspace);
    return true;
}

bool StepHistory(ProgramState &state, Host &host, Workspace &workspace, bool redo) {
    if (!(redo ? workspace.canRedo() : workspace.canUndo()) || !PortFree(state, host)) return false;
    const Slot before = workspace.editBuffer();
    const int slotBefore = workspace.currentSlot();
    // Under COMPARE the instrument holds the other voice: it is sent whole.
    const bool hadVoice = workspace.hasEditVoice() && !workspace.comparing();
    if (!(redo ? workspace.redo() : workspace.undo())) return false;
    FollowEditArea(state, host, workspace, before, slotBefore, hadVoice);
    return true;
}

void FollowEditArea(ProgramState &state, Host &host, const Workspace &workspace, const Slot &before,
                    int slotBefore, bool instrumentHadIt) {
    if (!workspace.hasEditVoice()) return; // back before the first voice: nothing to send
    const Slot sent = VoiceAsSent(before);
    const Slot after = VoiceAsSent(workspace.editBuffer());
    std::vector<int> differ;
    for (int p = 0; p < static_cast<int>(kParamCount); ++p)
        if (sent[ParamPos(p)] != after[ParamPos(p)]) differ.push_back(p);
    if (!instrumentHadIt || slotBefore != workspace.currentSlot() ||
        static_cast<int>(differ.size()) > kMostChangesInABurst) {
        SendEditArea(state, host, workspace);
        return;
    }
    // Copied first: a handler run while a message waits cannot change them.
    for (const int p : differ)
        SendLongMessage(state, host, ParameterChangeMessage(p, after[ParamPos(p)]));
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
