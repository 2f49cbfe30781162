// The main window's side of MIDI input and the bank exchange.
#include "librarian/form1.h"

#include "common/wait.h"
#include "midi/bank_exchange.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "voice/bank_format.h"
#include "voice/dx7_decode.h"
#include "voice/family_data.h"

#include <algorithm>

namespace vox {

namespace {
inline constexpr float kRequestGapSeconds = 0.5f;
inline constexpr const char *kActiveSensing = "FE0000";
// The request for the 32 additional voices, for channel 1 (the send puts
// in the device number).
inline constexpr std::array<Byte, 5> kSupplementsRequest = {0xF0, 0x43, 0x20, 0x06, 0xF7};
} // namespace

void Form1::askForSupplements() {
    ProgramState &state = program_.state;
    supplementsReceived_.reset();
    supplementsDamaged_ = false;
    supplementsAsked_ = state.exchange.model != InstrumentModel::Dx7 && MidiOutIsOpen(state);
    // Asked before the voices: the instrument answers in order, so the
    // AMEM is in before the last voice is.
    if (supplementsAsked_) SendLongMessage(state, program_.host, kSupplementsRequest);
}

bool Form1::takeSupplements(std::span<const Byte> message) {
    const std::optional<FamilyMessage> m = ReadFamilyMessage(message);
    if (!m || !m->kind || m->kind->format != kSupplementsRequest[3]) return false;
    if (program_.state.receive.recvMode == 0 && !checking_) {
        // Sent from the instrument's panel with its bank: kept for the
        // bulk dump's question, which may come before or after it.
        offeredSupplements_ = SupplementsOfAmem(message);
        offeredSupplementsAt_ = program_.host.monotonicSeconds();
        return false;
    }
    if (!supplementsAsked_) return false;
    supplementsAsked_ = false; // one answer to the one request
    supplementsReceived_ = SupplementsOfAmem(message);
    supplementsDamaged_ = !supplementsReceived_;
    list4.add(supplementsDamaged_ ? form1_text::kLogSupplementsDamaged : form1_text::kLogSupplements);
    return true;
}

bool Form1::offeredSupplementsNear() const {
    return offeredSupplements_ &&
           program_.host.monotonicSeconds() - offeredSupplementsAt_ <= form1_text::kBulkPairSeconds;
}

bool Form1::damagedSupplementsNear() const {
    return !offeredSupplements_ &&
           program_.host.monotonicSeconds() - offeredSupplementsAt_ <= form1_text::kBulkPairSeconds;
}

void Form1::takeReceivedBank() {
    const bool asked = program_.state.exchange.model != InstrumentModel::Dx7;
    // The edit area keeps its voice; the new bank stands as stored, each
    // voice with its additional data when the AMEM came whole.
    program_.workspace.replaceBank(program_.state.receive.staging,
                                   supplementsReceived_.value_or(BankSupplements{}));
    std::string done = form1_text::kDoneReceived;
    if (asked)
        done += supplementsReceived_  ? form1_text::kDoneSupplementsReceived
                : supplementsDamaged_ ? form1_text::kDoneSupplementsDamaged
                                      : form1_text::kDoneNoSupplementsCame;
    supplementsAsked_ = false;
    supplementsReceived_.reset();
    reportDone(done);
    transferEnded();
}

void Form1::startInputAtLoad() {
    ProgramState &state = program_.state;
    list1.clear();
    if (OpenMidiIn(state.midiIn, receiveHook)) {
        StartMidiIn(state.midiIn);
        command2Caption = form1_text::kCommand2Stop;
        return;
    }
    MessageBoxSpec box;
    box.text = form1_text::kMidiInError;
    box.buttons = MsgButtons::OkHelp;
    box.icon = MsgIcon::Exclamation;
    box.title = form1_text::kMidiInErrorTitle;
    box.helpFile = state.programFolder / form1_text::kHelpFileUpper;
    box.helpTopic = 10;
    program_.host.messageBox(box);
}

void Form1::command2Click() {
    ProgramState &state = program_.state;
    Host &host = program_.host;
    if (command2Caption == form1_text::kCommand2Start) {
        list1.clear();
        if (OpenMidiIn(state.midiIn, receiveHook)) {
            StartMidiIn(state.midiIn);
            command2Caption = form1_text::kCommand2Stop;
            return;
        }
        ShowMessage(host, form1_text::kOpenError);
        if (!CloseMidiIn(state.midiIn, receiveHook)) ShowMessage(host, form1_text::kCloseError);
        return;
    }
    if (CloseMidiIn(state.midiIn, receiveHook))
        command2Caption = form1_text::kCommand2Start;
    else
        ShowMessage(host, form1_text::kCloseError);
}

void Form1::command4Click() {
    ProgramState &state = program_.state;
    Host &host = program_.host;
    BankReceiveState &receive = state.receive;

    if (state.transmitting) {
        PortFree(state, host);
        return;
    }
    // The receive replaces the bank: asked before the first request goes out.
    if (receive.recvMode == 0 && !MayDiscard(host, program_.workspace, Replaces::Bank)) return;
    if (receive.recvMode != 0) {
        // Starting over: stop the running run's request loop, and let dumps
        // it asked for drain (logged only) before the new first pass.
        ++receive.generation;
        EndReceive(receive);
        WaitSeconds(host, kRequestGapSeconds);
    }

    // The logs start with this receive; an input opened here logs its
    // "MIDIIN OPEN" as their first line.
    clearReceiveLogs();
    if (OpenMidiIn(state.midiIn, receiveHook)) {
        StartMidiIn(state.midiIn);
        command2Caption = form1_text::kCommand2StopByReceive;
    }
    // Voices are stored in the order they arrive: a dump already waiting
    // (the answer to an earlier program change) must be handled, and only
    // logged, before the receive starts, or every slot would be one off.
    host.processEvents();

    BeginReceive(receive, host.monotonicSeconds());
    askForSupplements();
    if (state.exchange.receiveMode == ReceiveMode::Fast) {
        startFastReceive();
        return;
    }
    const int run = receive.generation;
    progressBar1.visible = true;
    progressBar1Text.clear();
    progressBar1.max = static_cast<int>(kBankSlots) - 1;
    for (int g = 0; g < static_cast<int>(kBankSlots); ++g) {
        progressBar1.value = g;
        receive.requested = g + 1;
        CountRequest(receive, host.monotonicSeconds());
        SendShortMessage(state, kProgramChange, static_cast<Byte>(g), 0);
        if (receive.generation != run) return;
        if (receive.recvMode != 0) {
            receive.lastActivitySeconds = host.monotonicSeconds();
            if (g == static_cast<int>(kBankSlots) - 1) receive.passRequested = true;
        }
        WaitSeconds(host, kRequestGapSeconds);
        // Cancelled, timed out or started over inside the wait.
        if (receive.generation != run) return;
    }
    progressBar1.visible = false;
}

void Form1::command8Click() {
    ProgramState &state = program_.state;
    Host &host = program_.host;
    if (list3().items.size() != kBankSlots) {
        ShowMessage(host, form1_text::kNo32Voices);
        return;
    }
    if (!PortFree(state, host)) return;
    // Without an output the bulk dump would go nowhere; never ask to
    // overwrite the DX7's memory, nor say it was done.
    if (!MidiOutIsOpen(state)) {
        ShowMessage(host, form1_text::kTransmitNoPort);
        return;
    }
    MessageBoxSpec confirm;
    confirm.text = form1_text::kTransmitConfirm;
    confirm.buttons = MsgButtons::OkCancel;
    confirm.icon = MsgIcon::Exclamation;
    confirm.title = form1_text::kTransmitConfirmTitle;
    const bool verify = state.exchange.verifyTransmit;
    // Reading back selects voices on the instrument: the user is told first.
    if (verify) confirm.text += std::string("\r") + form1_text::kVerifyNotice;
    if (host.messageBox(confirm) != MsgResult::Ok) return;

    // A receive may have started while the confirmation was up.
    if (!PortFree(state, host)) return;

    state.transmitting = true;
    progressBar2.visible = true;
    progressBar2.max = 4;
    progressBar2.value = 0;
    // The bank as it stands, each byte as the packed format carries it.
    const BulkMessage bulk = BuildBulkMessage(program_.workspace.voiceTable());
    progressBar2.value = 1;
    // The port may have been closed while the confirmation was up.
    const bool sent = MidiOutIsOpen(state);
    // A later model takes the additional data first (AMEM before VMEM).
    // It cannot be made for a voice that came without it: its layout is
    // not published, so such a bank goes without and the user is told.
    const BankSupplements supplements = program_.workspace.bankSupplements();
    const bool laterModel = state.exchange.model != InstrumentModel::Dx7;
    const bool withSupplements = laterModel && AllHeld(supplements);
    if (withSupplements) SendLongMessage(state, host, BuildAmem(supplements, state.exchange.channel - 1));
    SendLongMessage(state, host, bulk);
    if (sent) {
        program_.workspace.markBankStored();
        lastTransmitted_.emplace();
        std::copy(bulk.begin() + kBulkDataPos, bulk.begin() + kBulkDataPos + kPackedBankSize,
                  lastTransmitted_->begin());
    }
    progressBar2.value = 2;
    SendShortMessage(state, kProgramChange, 1, 0);
    progressBar2.value = 3;
    SendShortMessage(state, kProgramChange, 0, 0);
    progressBar2.value = 4;
    progressBar2.visible = false;
    state.transmitting = false;
    transferEnded();
    if (sent && verify) {
        reportDone(form1_text::kDoneTransmitted);
        readBackAfterTransmit_ = true;
        startReadBack();
        return;
    }
    if (sent) reportDone(form1_text::kDoneTransmitted);
    std::string said = sent ? form1_text::kTransmitDone : form1_text::kTransmitNoPort;
    if (sent && laterModel)
        said += std::string("\r") +
                (withSupplements ? form1_text::kTransmitSupplements : form1_text::kTransmitNoSupplements);
    ShowMessage(host, said);
}

void Form1::midiPortChosen(MidiDirection direction, const std::string &name, bool opened,
                           const std::string &inUse) {
    if (opened) return;
    ProgramState &state = program_.state;
    const bool output = direction == MidiDirection::Out;
    std::string text = (output ? form1_text::kOutPortFailedBefore : form1_text::kInPortFailedBefore) + name +
                       form1_text::kPortFailedAfter;
    if (!inUse.empty()) {
        text += form1_text::kPortKeptBefore + inUse + form1_text::kPortKeptAfter;
    } else {
        text += output ? form1_text::kOutputNowClosed : form1_text::kInputNowClosed;
        // The input lost its connection: close it for good, so that 開始
        // opens it again instead of failing to close it.
        if (!output && state.midiIn && state.midiIn->isOpen() && CloseMidiIn(state.midiIn, receiveHook))
            command2Caption = form1_text::kCommand2Start;
    }
    MessageBoxSpec box;
    box.text = text;
    box.icon = MsgIcon::Exclamation;
    program_.host.messageBox(box);
}

void Form1::receiveMidiEvent(const MidiInEvent &event) {
    // Without the hook the window's own procedure gets the input, unseen.
    if (!receiveHook.installed) return;
    ProgramState &state = program_.state;
    switch (event.kind) {
    case MidiInEvent::Kind::Opened:
        list1.add(form1_text::kLogOpen);
        break;
    case MidiInEvent::Kind::Short: {
        const Byte bytes[3] = {event.status, event.data1, event.data2};
        const std::string text = HexText(bytes, 2);
        if (text != kActiveSensing) list1.add(form1_text::kLogShort + text);
        break;
    }
    case MidiInEvent::Kind::LongData: {
        // The additional data asked for with the bank is kept aside.
        if (takeSupplements(event.whole.empty() ? std::span<const Byte>(event.bytes)
                                                : std::span<const Byte>(event.whole)) &&
            !event.buffered)
            break;
        // Only a message longer than the buffer comes without one.
        if (!event.buffered) {
            if (state.receive.recvMode == 0) offerBulkDump(event.whole);
            if (state.receive.recvMode == kFastRecvMode) fastReceiveBank(event.whole);
            break;
        }
        const std::span<const Byte> whole =
            event.whole.empty() ? std::span<const Byte>(event.bytes) : std::span<const Byte>(event.whole);
        // The instrument's other messages (a parameter change, a bank, a
        // request) are logged and never taken as a voice of the receive.
        const bool answer =
            ReceiveAnswer(whole) && TakeAnswer(state.receive, program_.host.monotonicSeconds());
        const bool idle = state.receive.recvMode == 0;
        Slot buffer{};
        const std::size_t recorded = std::min(event.bytes.size(), kImageSize);
        std::copy(event.bytes.begin(), event.bytes.begin() + static_cast<std::ptrdiff_t>(recorded),
                  buffer.begin());
        ArmInputBuffer(state.midiIn); // the port has a buffer while the rest runs
        list1.add(SignedDecimal(state.receive.recvMode) + form1_text::kLogLong +
                  HexText(buffer, static_cast<int>(recorded) - 1));
        if (answer && state.receive.recvMode == kFastRecvMode) fastReceiveAnswer(event.bytes);
        // The bank the fast receive asked for, should it come into a buffer.
        if (!answer && state.receive.recvMode == kFastRecvMode) fastReceiveBank(whole);
        if (answer && (state.receive.recvMode == 1 || state.receive.recvMode == 2)) {
            const StoreResult stored =
                StoreReceivedVoice(state, buffer, recorded, program_.host.monotonicSeconds());
            if (stored.outcome != StoreOutcome::Unasked) list4.add(stored.trace);
            for (const std::string &line : stored.brokenLines)
                list2.add(line);
            if (stored.outcome == StoreOutcome::Complete) takeReceivedBank();
        }
        if (idle) offerBulkDump(event.whole);
        break;
    }
    case MidiInEvent::Kind::LongError:
        list1.add(form1_text::kLogLongError);
        ArmInputBuffer(state.midiIn);
        break;
    }
}

bool Form1::ReceiveAnswer(std::span<const Byte> message) {
    const Dx7Message decoded = DecodeDx7(message);
    switch (decoded.kind) {
    case Dx7Kind::OtherDump:
        return decoded.format < 0; // a dump broken before its format byte
    case Dx7Kind::ParameterChange:
    case Dx7Kind::FunctionParameter:
    case Dx7Kind::BulkDump:
    case Dx7Kind::DumpRequest:
        return false;
    case Dx7Kind::VoiceDump:
    case Dx7Kind::Other: // a dump broken so badly that nothing is left to name
        return true;
    }
    return true;
}

void Form1::transferEnded() {
    if (program_.workspace.hasEditVoice()) sendEditArea();
}

bool Form1::cancelReceiveVisible() const { return program_.state.receive.recvMode != 0; }

void Form1::cancelReceive() {
    if (program_.state.receive.recvMode == 0) return;
    stopReceive(form1_text::kReceiveCancelled);
}

void Form1::checkReceiveTimeout() {
    if (ReceiveTimedOut(program_.state.receive, program_.host.monotonicSeconds()))
        stopReceive(form1_text::kReceiveTimedOut);
    fastReceiveTick();
}

void Form1::stopReceive(const std::string &reason) {
    BankReceiveState &receive = program_.state.receive;
    const int arrived = receive.storedThisRun;
    readingBack_ = readBackAfterTransmit_ = false;
    supplementsAsked_ = false;
    ++receive.generation; // stops a request loop still running
    EndReceive(receive);
    progressBar1.visible = false;
    progressBar1Text.clear();
    // The bank was not touched; the list shows it again.
    transferEnded();
    MessageBoxSpec box;
    box.text = std::string(reason) + form1_text::kReceivedCountBefore + std::to_string(arrived) +
               form1_text::kReceivedCountAfter;
    box.icon = MsgIcon::Exclamation;
    program_.host.messageBox(box);
}

} // namespace vox
