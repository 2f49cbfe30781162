// The main window's side of the fast bank receive: Command4 starts it and
// returns; answers and message-loop passes drive it from then on.
#include "librarian/form1.h"

#include "midi/bank_exchange.h"
#include "midi/midi_output.h"

namespace vox {

namespace {
std::string PortName(std::string name) { return name.empty() ? form1_text::kFastNoPort : name; }
} // namespace

void Form1::startFastReceive() {
    ProgramState &state = program_.state;
    progressBar1.visible = true;
    progressBar1.max = static_cast<int>(kBankSlots);
    progressBar1.value = 0;
    progressBar1Text = "0" + std::string(form1_text::kFastProgressAfter);
    // The receive is ready for the bank before the request goes: an
    // instrument inside the process answers within the send.
    const bool askBank = AsksForTheBankFirst(state);
    fastReceive_.start(state, program_.host.monotonicSeconds(), askBank);
    if (askBank) SendLongMessage(state, program_.host, kBankDumpRequest);
}

void Form1::fastReceiveBank(std::span<const Byte> message) {
    fastReceiveStep(fastReceive_.bank(program_.state, message, program_.host.monotonicSeconds()));
}

void Form1::fastReceiveAnswer(std::span<const Byte> message) {
    fastReceiveStep(fastReceive_.answer(program_.state, message, program_.host.monotonicSeconds()));
}

void Form1::fastReceiveTick() {
    if (!fastReceive_.running(program_.state.receive)) return;
    fastReceiveStep(fastReceive_.tick(program_.state, program_.host.monotonicSeconds()));
}

void Form1::fastReceiveStep(const FastResult &step) {
    ProgramState &state = program_.state;
    if (step.bankRequestAnswered) LearnBankRequestAnswer(state, *step.bankRequestAnswered);
    for (const std::string &line : step.traces)
        list4.add(line);
    for (const std::string &line : step.brokenLines)
        list2.add(line);
    const int stored = fastReceive_.storedCount();
    progressBar1.value = stored;
    progressBar1Text = std::to_string(stored) + form1_text::kFastProgressAfter;
    if (readingBack_ && step.outcome != FastOutcome::Running) {
        readBackEnded(step);
        return;
    }
    switch (step.outcome) {
    case FastOutcome::Running:
        return;
    case FastOutcome::Complete:
        progressBar1.visible = false;
        progressBar1Text.clear();
        takeReceivedBank();
        return;
    case FastOutcome::Silent: {
        const std::string out = PortName(state.midiOut ? state.midiOut->name() : std::string());
        const std::string in = PortName(state.midiIn ? state.midiIn->name() : std::string());
        const std::string text = form1_text::kFastSilentBefore + out + form1_text::kFastSilentMiddle + in +
                                 form1_text::kFastSilentAfter;
        stopReceive(text.c_str());
        return;
    }
    case FastOutcome::GaveUp: {
        const std::string text = form1_text::kFastMissingBefore + VoiceNumberList(fastReceive_.missing()) +
                                 form1_text::kFastMissingAfter;
        stopReceive(text.c_str());
        return;
    }
    }
}

} // namespace vox
