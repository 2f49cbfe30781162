#pragma once
// The program-wide state below the windows: the ports, the exchange with
// the instrument and its settings, the program folder. The bank and the
// edit area are the workspace's (src/workspace/). One instance lives for
// the whole run, owned by main(); forms hold a reference.

#include "common/midi_traffic.h"
#include "voice/family_data.h" // InstrumentModel
#include "voice/voice.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vox {

class MidiOutPort;
class MidiInPort;

// Bank receive from the DX7: the first pass stores by arrival order, retry
// passes re-request the broken slots. Voices are gathered in `staging` and
// reach the VoiceTable only when all 32 are good, so a receive that is
// cancelled, times out or loses a dump leaves the bank as it was.
struct BankReceiveState {
    std::int16_t recvMode = 0; // 0 idle, 1 first pass, 2 retry pass
    std::int16_t recvSlot = 0;
    std::array<std::int16_t, 34> retrySlots{};
    std::int16_t retryCount = 0;
    std::int16_t retryIndex = 0;
    std::int16_t retryEnd = 0;
    int storedThisRun = 0;          // voices taken this run, for the time-out message
    double lastActivitySeconds = 0; // monotonic time of the last request or dump
    bool passRequested = false;     // every request of the running pass is out
    int requested = 0;              // first pass: program changes sent so far
    // Answers owed by a run that ended (cancelled, timed out, started over)
    // may still come: that many answer-like messages, until a time-out
    // after that run's last request, are only logged.
    int requestsThisRun = 0, answersThisRun = 0;
    double lastRequestSeconds = 0;
    int staleAnswers = 0;
    double staleUntilSeconds = 0;
    int generation = 0; // bumped by each start, restart and end
    VoiceTable staging; // slots 1..32 as received this run
};

// How a bank is asked of the instrument: one program change every half
// second, stored by arrival (the default), or one request at a time, each
// answer checked and asked again when it is missing or broken.
enum class ReceiveMode { Standard, Fast };

// Settings of the exchange with the instrument. The defaults are what the
// program does with no settings file; the app remembers them between runs.
struct ExchangeSettings {
    ReceiveMode receiveMode = ReceiveMode::Standard;
    int sysExPauseMs = 0;            // pause after every System Exclusive message sent
    double fastTimeoutSeconds = 1.0; // fast receive: wait this long for an answer
    int fastRetries = 3;             // fast receive: ask again this often before giving up
    // The instrument's receive channel, 1 to 16: it takes System Exclusive
    // and channel messages only there, so every send is addressed to it.
    int channel = 1;
    // System Exclusive messages longer than this many bytes go out in
    // pieces of it, each when the one before has crossed the cable: for
    // MIDI interfaces that lose bytes of long messages. 0: whole.
    int sysExChunk = 0;
    // Read a transmitted bank back and compare it with what was sent.
    bool verifyTransmit = false;
    // The instrument: the later models take a bank's additional data (AMEM)
    // with its voices.
    InstrumentModel model = InstrumentModel::Dx7;
};

struct ProgramState {
    // The ports; never null once main() has wired them (a closed port
    // stands for "no handle").
    MidiOutPort *midiOut = nullptr;
    MidiInPort *midiIn = nullptr;
    // What went out and came in, for the MIDI monitor.
    MidiTraffic midiTraffic;

    BankReceiveState receive;
    ExchangeSettings exchange;
    std::optional<double> lastSysExSentSeconds; // host clock; the pause is counted from it
    // Parameter-change bytes not yet through the cable at the time given
    // (host clock): what may stand in the instrument's receive ring.
    double parameterBytesInFlight = 0;
    double parameterBytesAtSeconds = 0;
    // Host clock when the last piece of a message sent in pieces has
    // crossed the cable.
    double piecesClearAtSeconds = 0;
    // A message is going out in pieces: what is sent meanwhile (from a
    // handler run while it waits) waits here, in order, for its end.
    bool sendingPieces = false;
    std::vector<std::vector<Byte>> heldSends;
    // A bank transmit is sending; with a receive running it makes a transfer.
    bool transmitting = false;

    // Output ports whose instrument answered the bank dump request (true)
    // or left it unanswered (false), as the last receive or check through
    // each found; a port not named here is asked first.
    std::map<std::string, bool> answersBankRequest;
    // Told when that is learned for a port, so it can be kept between runs.
    std::function<void(const std::string &port, bool answers)> bankRequestLearned;

    // The start-up guide: shown unless the user asked not to see it again
    // (told on, so it can be kept between runs).
    bool showStartupGuide = true;
    std::function<void(bool show)> startupGuideChosen;
    // No MIDI port was found and the user was told so in one box before the
    // main window came: the start says nothing more of the ports.
    bool portsExplainedAtStart = false;

    // The languages the texts can be shown in (code, and the name the
    // language gives itself), the one chosen for the next start, and, told
    // when the user picks another, the choice to keep between runs.
    std::vector<std::pair<std::string, std::string>> languages;
    std::string language = "ja";
    std::function<void(const std::string &code)> languageChosen;

    // The program's read-only files; where it writes, when that differs
    // (installed: the user's data folder). See common/program_folders.h.
    std::filesystem::path programFolder;
    std::filesystem::path userFolder;
    std::int16_t selectedGroup = 0;
};

// While a bank receive or transmit runs it is the only sender to the
// instrument and the only taker of its answers.
inline bool TransferRunning(const ProgramState &state) {
    return state.receive.recvMode != 0 || state.transmitting;
}

} // namespace vox
