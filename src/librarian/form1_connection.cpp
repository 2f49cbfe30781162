// The MIDI menu's connection check. It sends one program change on the
// instrument's channel and waits for the voice dump an instrument with SYS
// INFO AVAIL answers with, then asks for the bank to learn whether the
// instrument answers requests. When nothing answers it can try every input
// port and channel. It only ever selects voices, never writes memory.
#include "librarian/form1.h"
#include "librarian/midi_settings.h"

#include "common/wait.h"
#include "midi/bank_exchange.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "voice/dx7_decode.h"
#include "voice/family_data.h"
#include "workspace/unwritten.h"

#include <optional>
#include <string>
#include <vector>

namespace vox {

namespace {

std::string Filled(std::string text, const std::string &out, const std::string &in, int channel) {
    for (const auto &[key, value] :
         {std::pair<std::string, std::string>{"%O", out}, {"%I", in}, {"%C", std::to_string(channel)}})
        for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    return text;
}

// Requests for channel 1 (the send puts in the device number): the
// additional voice edit buffer every later model holds, and the
// performance edit buffer under the TX802's own name.
constexpr std::array<Byte, 5> kAcedRequest = {0xF0, 0x43, 0x20, 0x05, 0xF7};
constexpr std::array<Byte, 15> kTx802PerformanceRequest = {0xF0, 0x43, 0x20, 0x7E, 'L', 'M', ' ', ' ',
                                                           '8',  '9',  '5',  '2',  'P', 'E', 0xF7};
// Their answers are short (57 bytes; a TX802 performance about 250).
constexpr double kModelWaitSeconds = 0.6;

} // namespace

Form1::Heard Form1::askAndListen(const std::function<void()> &ask, double seconds, Until until) {
    Heard heard;
    // An instrument inside the process answers within the send: what
    // comes is taken from before it.
    const std::uint64_t since = program_.state.midiTraffic.total();
    ask();
    ListenSeconds(
        program_.host, program_.state.midiTraffic, seconds,
        [&](std::span<const Byte> bytes) {
            const Dx7Message m = DecodeDx7(bytes);
            const std::optional<FamilyMessage> family = ReadFamilyMessage(bytes);
            if (m.kind == Dx7Kind::VoiceDump && m.good())
                heard.voice = true;
            else if (m.kind == Dx7Kind::BulkDump)
                heard.bank = true;
            else if (family && family->kind && family->kind->format == kAcedRequest[3])
                heard.aced = true;
            else if (family && ModelOfBlockName(family->name) == InstrumentModel::Tx802)
                heard.tx802Block = true;
            else
                heard.other = true;
            const bool done[] = {heard.voice, heard.bank, heard.aced, heard.tx802Block};
            return done[static_cast<int>(until)];
        },
        since);
    return heard;
}

std::optional<InstrumentModel> Form1::modelFromRequests(bool answersBankRequest) {
    ProgramState &state = program_.state;
    Host &host = program_.host;
    // The Mk I answers no request; a TX7 or TX816 answers the bank's only.
    if (!answersBankRequest) return InstrumentModel::Dx7;
    const auto send = [&](std::span<const Byte> request) {
        return [&state, &host, request] { SendLongMessage(state, host, request); };
    };
    if (!askAndListen(send(kAcedRequest), kModelWaitSeconds, Until::Aced).aced) return InstrumentModel::Dx7;
    if (askAndListen(send(kTx802PerformanceRequest), kModelWaitSeconds, Until::Tx802Block).tx802Block)
        return InstrumentModel::Tx802;
    // A DX7 II gives nothing under the TX802's name; neither may a TX802
    // with nothing in its edit buffer, so a TX802 setting stands.
    if (state.exchange.model == InstrumentModel::Tx802) return std::nullopt;
    return InstrumentModel::Dx7ii;
}

void Form1::proposeModel(InstrumentModel model) {
    using namespace form1_text;
    if (model == program_.state.exchange.model) return;
    const std::string name = midi_settings_text::kModels[static_cast<int>(model)];
    MessageBoxSpec ask;
    ask.title = kCheckTitle;
    ask.icon = MsgIcon::Question;
    ask.buttons = MsgButtons::YesNo;
    ask.text = kCheckModelBefore + name + kCheckModelMiddle + name + kCheckModelAfter;
    if (program_.host.messageBox(ask) == MsgResult::Yes) windows_.useModel(model);
}

void Form1::mnuConnectionCheckClick() {
    using namespace form1_text;
    ProgramState &state = program_.state;
    Host &host = program_.host;
    if (!PortFree(state, host)) return;
    MessageBoxSpec box;
    box.title = kCheckTitle;
    box.icon = MsgIcon::Exclamation;
    const bool outOpen = state.midiOut && state.midiOut->isOpen();
    // A closed input is opened as a receive opens it.
    if (outOpen && OpenMidiIn(state.midiIn, receiveHook)) {
        StartMidiIn(state.midiIn);
        command2Caption = kCommand2Stop;
    }
    const bool inOpen = state.midiIn && state.midiIn->isOpen();
    if (!outOpen || !inOpen) {
        box.text = outOpen ? kCheckNoInput : kCheckNoOutput;
        host.messageBox(box);
        return;
    }
    const std::string out = state.midiOut->name(), in = state.midiIn->name();
    const int channel = state.exchange.channel;
    // A program change selects a voice: the user is told before it goes.
    MessageBoxSpec ask = box;
    ask.text = Filled(kCheckBefore, out, in, channel);
    ask.icon = MsgIcon::Question;
    ask.buttons = MsgButtons::OkCancel;
    if (host.messageBox(ask) != MsgResult::Ok) return;

    checking_ = true;
    const Heard heard =
        askAndListen([&] { SendShortMessage(state, kProgramChange, 0, 0); }, kCheckWaitSeconds, Until::Voice);
    if (!heard.voice) {
        checking_ = false;
        box.text = Filled(kCheckSilent, out, in, channel);
        if (heard.other || heard.bank) box.text += kCheckHeardOther;
        host.messageBox(box);
        MessageBoxSpec sweep = ask;
        sweep.text = kCheckSweepAsk;
        sweep.buttons = MsgButtons::YesNo;
        if (host.messageBox(sweep) == MsgResult::Yes) sweepPortsAndChannels();
        return;
    }
    // A request only asks; the instrument's memory stays as it is.
    const bool answersRequests = askAndListen([&] { SendLongMessage(state, host, kBankDumpRequest); },
                                              kBankRequestWaitSeconds, Until::Bank)
                                     .bank;
    const std::optional<InstrumentModel> model = modelFromRequests(answersRequests);
    checking_ = false;
    LearnBankRequestAnswer(state, answersRequests);
    box.icon = MsgIcon::Information;
    box.text = Filled(kCheckAnswered, out, in, channel) +
               (answersRequests ? kCheckAnswersRequests : kCheckIgnoresRequests);
    host.messageBox(box);
    if (model) proposeModel(*model);
}

void Form1::sweepPortsAndChannels() {
    using namespace form1_text;
    ProgramState &state = program_.state;
    Host &host = program_.host;
    const int channelBefore = state.exchange.channel;
    const std::string inputBefore = inputChoices.current ? inputChoices.current() : state.midiIn->name();
    std::vector<std::string> inputs{inputBefore};
    if (inputChoices.list && inputChoices.choose)
        for (const std::string &name : inputChoices.list())
            if (name != inputBefore) inputs.push_back(name);
    auto programChangeOn = [&](int channel) {
        state.exchange.channel = channel;
        SendShortMessage(state, kProgramChange, 0, 0);
    };
    checking_ = true;
    std::optional<int> found;
    std::string foundInput;
    for (const std::string &input : inputs) {
        if (input != inputBefore && !inputChoices.choose(input)) continue;
        if (OpenMidiIn(state.midiIn, receiveHook)) StartMidiIn(state.midiIn);
        if (!state.midiIn->isOpen()) continue;
        // All 16 at once: the instrument answers on its own channel only,
        // and its dump does not say which, so a hit is narrowed down next.
        const auto all = [&] {
            for (int c = 1; c <= kMidiChannels; ++c)
                programChangeOn(c);
        };
        if (!askAndListen(all, kSweepWaitSeconds, Until::Voice).voice) continue;
        for (int c = 1; c <= kMidiChannels && !found; ++c)
            if (askAndListen([&] { programChangeOn(c); }, kSweepWaitSeconds, Until::Voice).voice) found = c;
        if (found) {
            foundInput = input;
            break;
        }
    }
    checking_ = false;
    state.exchange.channel = channelBefore;
    // The program changes on the other channels are owed nothing; what the
    // instrument did answer has come within the waits.
    state.receive.staleAnswers = 0;
    MessageBoxSpec box;
    box.title = kCheckTitle;
    bool keep = false;
    if (found) {
        box.text = Filled(kCheckSweepFound, state.midiOut->name(), foundInput, *found);
        box.icon = MsgIcon::Question;
        box.buttons = MsgButtons::YesNo;
        keep = host.messageBox(box) == MsgResult::Yes;
    } else {
        box.text = kCheckSweepNone;
        box.icon = MsgIcon::Exclamation;
        host.messageBox(box);
    }
    if (keep) {
        if (*found != channelBefore) windows_.useChannel(*found);
        return;
    }
    const std::string now = inputChoices.current ? inputChoices.current() : inputBefore;
    if (now != inputBefore && inputChoices.choose) inputChoices.choose(inputBefore);
}

} // namespace vox
