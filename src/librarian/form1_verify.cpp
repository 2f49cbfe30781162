// Verify after transmit: the bank is read back from the instrument (through
// the bank request where it is answered, else voice by voice) and compared,
// packed as it went out, with what was sent. The SOUND LIST is not touched.
#include "librarian/form1.h"

#include "midi/bank_exchange.h"
#include "midi/midi_output.h"
#include "voice/bank_format.h"

#include <algorithm>
#include <utility>

namespace vox {

namespace {

MessageBoxSpec VerifyBox(std::string text, MsgIcon icon) {
    MessageBoxSpec box;
    box.title = form1_text::kVerifyTitle;
    box.text = std::move(text);
    box.icon = icon;
    return box;
}

} // namespace

void Form1::mnuVerifyTransmitClick() {
    Host &host = program_.host;
    if (!PortFree(program_.state, host)) return;
    if (!lastTransmitted_) {
        host.messageBox(VerifyBox(form1_text::kVerifyNothingSent, MsgIcon::Exclamation));
        return;
    }
    MessageBoxSpec ask = VerifyBox(form1_text::kVerifyAsk, MsgIcon::Question);
    ask.buttons = MsgButtons::OkCancel;
    if (host.messageBox(ask) != MsgResult::Ok) return;
    readBackAfterTransmit_ = false;
    startReadBack();
}

void Form1::startReadBack() {
    ProgramState &state = program_.state;
    Host &host = program_.host;
    if (!PortFree(state, host)) return;
    clearReceiveLogs();
    if (OpenMidiIn(state.midiIn, receiveHook)) {
        StartMidiIn(state.midiIn);
        command2Caption = form1_text::kCommand2StopByReceive;
    }
    if (!state.midiIn || !state.midiIn->isOpen()) {
        reportReadBack(form1_text::kVerifyNoInput, MsgIcon::Exclamation);
        return;
    }
    // What is already waiting (the answers to the transmit's program
    // changes) is handled, and only logged, before the read-back starts.
    host.processEvents();
    BeginReceive(state.receive, host.monotonicSeconds());
    readingBack_ = true;
    startFastReceive();
}

void Form1::readBackEnded(const FastResult &step) {
    readingBack_ = false;
    ProgramState &state = program_.state;
    ++state.receive.generation;
    EndReceive(state.receive);
    progressBar1.visible = false;
    progressBar1Text.clear();
    std::string text;
    MsgIcon icon = MsgIcon::Exclamation;
    if (step.outcome == FastOutcome::Complete && lastTransmitted_) {
        std::vector<int> differ;
        for (std::size_t v = 0; v < kBankSlots; ++v) {
            const PackedVoice back = PackVoice(state.receive.staging[v + 1]);
            const auto sent = lastTransmitted_->begin() + static_cast<std::ptrdiff_t>(v * kPackedVoiceSize);
            if (!std::equal(back.begin(), back.end(), sent)) differ.push_back(static_cast<int>(v) + 1);
        }
        if (differ.empty()) {
            text = form1_text::kVerifyAllSame;
            icon = MsgIcon::Information;
        } else if (differ.size() == kBankSlots) {
            text = form1_text::kVerifyUnchanged;
        } else {
            text = form1_text::kVerifyDifferBefore + VoiceNumberList(differ) + form1_text::kVerifyDifferAfter;
        }
    } else if (step.outcome == FastOutcome::GaveUp && fastReceive_.storedCount() > 0) {
        text = form1_text::kVerifyMissingBefore + VoiceNumberList(fastReceive_.missing()) +
               form1_text::kVerifyMissingAfter;
    } else {
        text = form1_text::kVerifyNoAnswer;
    }
    // The bank read back only went into the staging table; the list and
    // the edit area are as they were, and the instrument hears the edit
    // area's voice again.
    transferEnded();
    reportReadBack(text, icon);
}

void Form1::reportReadBack(std::string text, MsgIcon icon) {
    // After a transmit, its 転送完了 and the verdict share one box.
    if (readBackAfterTransmit_) text = std::string(form1_text::kTransmitDone) + "\r" + text;
    readBackAfterTransmit_ = false;
    program_.host.messageBox(VerifyBox(std::move(text), icon));
}

} // namespace vox
