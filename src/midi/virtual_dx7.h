#pragma once
// A model of the DX7 as this program uses it: 32 internal voices, an edit
// buffer, the selected program, the switches SYS INFO AVAIL and MEMORY
// PROTECT INTERNAL, its receive channel (1 unless set). It answers a program change with a
// single-voice dump, loads dumps, parameter changes and bulk dumps, and
// refuses (and counts) anything the real instrument would not take. It is
// the one reader of the bytes: its sound hears typed events (Dx7Event) of
// what it took. It knows no clock or thread: the transport around it
// delivers whole messages and carries its replies, delayed when asked.

#include "midi/virtual_dx7_family.h"
#include "voice/bank_format.h" // ReadBankImage, for the sim's --bank
#include "voice/dx7_decode.h"
#include "voice/dx7_event.h"
#include "voice/function_settings.h"
#include "voice/text.h"
#include "voice/voice.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vox {

// Why a message was not taken. Values are stable: the sim's log prints them.
enum class Dx7Refusal : int {
    Empty = 0,
    DataByteHigh = 1, // a byte after the status has bit 7 set
    WrongLength = 2,  // a channel message with too few or too many bytes
    WrongChannel = 3, // not its receive channel
    Unknown = 4,      // a status the program never sends
    NotYamaha = 5,    // System Exclusive of another maker
    Unterminated = 6, // System Exclusive without its final F7
    UnknownSysEx = 7, // a Yamaha message of a kind not handled
    VoiceLength = 8,  // single-voice dump not 163 bytes
    VoiceHeader = 9,  // single-voice dump header or byte count wrong
    VoiceChecksum = 10,
    BankLength = 11, // bulk dump not 4104 bytes
    BankHeader = 12,
    BankChecksum = 13,
    MemoryProtected = 14,    // a dump while MEMORY PROTECT INTERNAL is on
    ParameterGroup = 15,     // not a voice parameter (function parameters etc.)
    ParameterNumber = 16,    // above 155
    ParameterValue = 17,     // above the parameter's range
    ParameterLength = 18,    // parameter change not 7 bytes
    ProgramNumber = 19,      // program change above 31
    SysInfoUnavailable = 20, // a dump or parameter change while SYS INFO is UNAVAIL
    FamilyDamaged = 21,      // a later model's dump (05, 06, 7E) of wrong byte count or checksum
    NotHeld = 22,            // a later model's dump request for data it does not hold
};
inline constexpr int kDx7RefusalKinds = 23;
const char *Dx7RefusalName(Dx7Refusal reason);

inline constexpr std::size_t kChannelMessageMax = 3;

// Faults the instrument can be told to make, for tests of the receive.
// Program numbers are those of the program change (0..31); -1 is off.
struct Dx7DumpFault {
    int program = -1;
    bool once = false; // only the first dump answering that program
    bool spent = false;
    bool applies(int p) const { return program == p && !(once && spent); }
};

struct Dx7Faults {
    Dx7DumpFault breakFirstByte;  // the dump's first byte is not F0
    Dx7DumpFault dropDump;        // no dump at all
    Dx7DumpFault corruptChecksum; // the dump's checksum is off by one
    int replyDelayMs = 0;         // every reply, for the transport to honour
};

class VirtualDx7 {
public:
    using Voice = Slot; // the 163-byte dump image in a 164-byte slot
    // A reply and the clock time (seconds) at which it is due on the wire:
    // the time of the message it answers plus the reply delay.
    using ReplySink = std::function<void(std::vector<Byte> reply, double dueSeconds)>;

    enum class Direction { In, Out };
    struct LogEntry {
        Direction direction;
        std::vector<Byte> bytes;
        bool refused = false;
        Dx7Refusal reason = Dx7Refusal::Empty;
    };
    using LogObserver = std::function<void(const LogEntry &)>;
    // What each message taken did, for the sound: it plays what the
    // instrument takes and nothing it refuses.
    using EventSink = std::function<void(const Dx7Event &)>;

    VirtualDx7();

    // One complete message as the transport received it, at clock time
    // nowSeconds (any monotonic clock; only differences matter).
    void receive(std::span<const Byte> message, double nowSeconds = 0.0);

    void setSink(ReplySink sink) { sink_ = std::move(sink); }
    void setLogObserver(LogObserver observer) { observer_ = std::move(observer); }
    void setEventSink(EventSink sink) { events_ = std::move(sink); }

    // Switches.
    bool sysInfoAvail = true;
    bool memoryProtect = false;
    // The receive channel less one (0 to 15); its answers go out with
    // nibble 0 whatever it is, as the instrument's do.
    int receiveChannel = 0;
    // The TX7, the TX816 and the later models answer the dump requests
    // F0 43 2n 09 F7 (the 32 voices) and F0 43 2n 00 F7 (the edit buffer);
    // the Mk I drops them (refused as an unknown message).
    bool answersRequests = false;
    // A DX7 II or a TX802 also takes and answers the additional voices and
    // the universal blocks (virtual_dx7_family.h), answers every dump
    // request, and sends with its device number (receiveChannel) in the
    // status nibble. The Mk I drops all of that.
    InstrumentModel model = InstrumentModel::Dx7;
    Dx7Faults faults;

    // What tests and the sim read.
    const Voice &internalVoice(int program) const { return internal_.at(static_cast<std::size_t>(program)); }
    const std::array<Voice, kBankSlots> &internalVoices() const { return internal_; }
    void setInternalVoices(std::span<const Byte, kPackedBankSize> packed);
    const Voice &editBuffer() const { return edit_; }
    VoiceParams editParams() const;
    int selectedProgram() const { return selected_; }
    Byte operatorSwitches() const { return opSwitches_; }
    const FunctionSettings &functionSettings() const { return function_; }
    // The 4104-byte bulk dump of the internal memory.
    std::vector<Byte> bulkDump() const;

    int noteOns() const { return noteOns_; }
    int noteOffs() const { return noteOffs_; }
    int programChanges() const { return programChanges_; }
    int voiceDumpsLoaded() const { return voiceDumps_; }
    int bankDumpsLoaded() const { return bankDumps_; }
    int familyDumpsLoaded() const { return familyDumps_; }
    const FamilyMemory &familyMemory() const { return family_; }
    int parameterChanges() const { return parameterChanges_; }
    int repliesSent() const { return replies_; }
    int refusals() const { return refusalTotal_; }
    int refusals(Dx7Refusal reason) const { return refusalCount_.at(static_cast<std::size_t>(reason)); }
    // "" when nothing was refused, else the reason and the message in hex.
    const std::string &lastRefusal() const { return lastRefusal_; }

    // Every message in and out, oldest first; the oldest go past kLogLimit.
    static constexpr std::size_t kLogLimit = 4096;
    const std::vector<LogEntry> &log() const { return log_; }

private:
    void refuse(std::span<const Byte> message, Dx7Refusal reason);
    void accept(std::span<const Byte> message);
    void sendEvent(const Dx7Event &event);
    void sendVoiceEvent(); // the edit buffer as a whole new voice
    void record(LogEntry entry);
    void channelMessage(std::span<const Byte> message);
    void sysEx(std::span<const Byte> message);
    void voiceDump(std::span<const Byte> message, const Dx7Message &m);
    void bankDump(std::span<const Byte> message, const Dx7Message &m);
    bool switchesTakeDump(std::span<const Byte> message); // refuses it when not
    void parameterChange(std::span<const Byte> message, const Dx7Message &m);
    void functionChange(std::span<const Byte> message, const Dx7Message &m);
    void dumpRequest(std::span<const Byte> message, const Dx7Message &m);
    bool laterModel() const { return model != InstrumentModel::Dx7; }
    void familyDump(std::span<const Byte> message);
    void familyRequest(std::span<const Byte> message);
    void stampDevice(std::vector<Byte> &dump) const; // a later model's device number
    void selectProgram(int program);
    void reply(std::vector<Byte> bytes);
    double now_ = 0.0;

    std::array<Voice, kBankSlots> internal_{};
    Voice edit_{};
    int selected_ = 0;
    Byte opSwitches_ = 0x3F;
    FunctionSettings function_;
    FamilyMemory family_{function_};
    int noteOns_ = 0, noteOffs_ = 0, programChanges_ = 0, voiceDumps_ = 0, bankDumps_ = 0,
        parameterChanges_ = 0, replies_ = 0, refusalTotal_ = 0, familyDumps_ = 0;
    std::array<int, kDx7RefusalKinds> refusalCount_{};
    std::string lastRefusal_;
    std::vector<LogEntry> log_;
    ReplySink sink_;
    LogObserver observer_;
    EventSink events_;
};

// Bytes a channel message of this status takes (C0 n is two); 0 for the
// statuses that are not channel messages.
std::size_t ChannelMessageLength(Byte status);

// The instrument's memory when it is switched on: 32 voices of our own,
// each with its own name ("VOX  1".."VOX 32"), algorithm and values, all
// in range, with dump header and checksum filled in.
std::array<Slot, kBankSlots> VirtualDx7FactoryVoices();

// One line of the sim's log: seconds with microseconds, IN or OUT, the
// bytes in hex, and for a refused message "REFUSED" and the reason.
std::string LogLine(double seconds, const VirtualDx7::LogEntry &entry);

} // namespace vox
