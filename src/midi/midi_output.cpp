#include "midi/midi_output.h"

#include "midi/bank_exchange.h"
#include "midi/message_names.h"
#include "midi/midi_port.h"

#include <algorithm>
#include <vector>

namespace vox {

void OpenMidiOut(ProgramState &state, Host &host) {
    if (!state.midiOut) return;
    state.midiOut->close();
    if (!state.midiOut->open()) ShowMessage(host, kMidiOutOpenFailed);
}

void CloseMidiOut(ProgramState &state) {
    if (state.midiOut) state.midiOut->close();
}

bool MidiOutIsOpen(const ProgramState &state) { return state.midiOut && state.midiOut->isOpen(); }

namespace {

// Some instruments and interfaces lose System Exclusive messages sent back
// to back. With a pause set, the next one waits until that much time has
// passed since the last one went out; time spent on other work meanwhile
// counts, so the wait is never longer than needed. Window events run while
// it waits, as in every wait of the program.
void PauseAfterLastSysEx(ProgramState &state, Host &host) {
    // Read afresh each pass: a handler run meanwhile may have sent one.
    while (state.exchange.sysExPauseMs > 0 && state.lastSysExSentSeconds) {
        const double due = *state.lastSysExSentSeconds + state.exchange.sysExPauseMs / 1000.0;
        const double now = host.monotonicSeconds();
        if (now >= due) break;
        host.processEventsFor(due - now);
    }
}

// The instrument's receive ring holds 380 bytes, and each parameter change
// it takes reloads the voice, so a burst it cannot parse in time overflows
// it ("MIDI BUFFER FULL", every note stopped). Without a pause set, a
// parameter change waits while the changes before it, drained at the
// cable's speed, would leave no room for it in the ring: one click of 変更
// (48 changes at the most) goes out at once, a second one right after it
// follows at the cable's pace.
constexpr double kReceiveRingBytes = 380;
// A clock that does not move must not hold a send for ever: a message
// waits this many passes at the most (the longest real wait, a ring's
// worth, takes a few).
constexpr int kMaxHoldPasses = 1000;

bool IsParameterChange(std::span<const Byte> m) {
    return m.size() == kParameterChangeSize && m[0] == kSysExStart && m[1] == kYamahaId &&
           (m[2] & 0xF0) == kParameterChangeSubStatus;
}

void HoldForTheReceiveRing(ProgramState &state, Host &host, std::size_t size) {
    auto inFlight = [&](double now) {
        return std::max(0.0, state.parameterBytesInFlight -
                                 (now - state.parameterBytesAtSeconds) / kCableSecondsPerByte);
    };
    // Read afresh each pass: a handler run meanwhile may have sent one.
    for (int pass = 0; pass < kMaxHoldPasses && state.exchange.sysExPauseMs == 0; ++pass) {
        const double over = inFlight(host.monotonicSeconds()) + static_cast<double>(size) - kReceiveRingBytes;
        if (over <= 0) break;
        host.processEventsFor(over * kCableSecondsPerByte);
    }
    const double now = host.monotonicSeconds();
    state.parameterBytesInFlight = inFlight(now) + static_cast<double>(size);
    state.parameterBytesAtSeconds = now;
}

// A cheap USB-MIDI interface takes the host's bytes at USB speed into a
// buffer of about 64 bytes and loses what does not fit. A piece goes to the
// port only when the one before it has crossed the cable, so the buffer
// holds at most one piece and what a port delivering a period late leaves
// in it. Messages no longer than a piece are paced the same way.
void SendInPieces(ProgramState &state, Host &host, std::span<const Byte> message, std::size_t piece) {
    state.sendingPieces = true;
    for (std::size_t at = 0; at < message.size(); at += piece) {
        for (int pass = 0; pass < kMaxHoldPasses; ++pass) {
            const double wait = state.piecesClearAtSeconds - host.monotonicSeconds();
            if (wait <= 0) break;
            host.processEventsFor(wait);
        }
        const auto part = message.subspan(at, std::min(piece, message.size() - at));
        if (part.size() == message.size())
            state.midiOut->sendSysEx(part);
        else
            state.midiOut->sendSysExPart(part);
        state.piecesClearAtSeconds =
            host.monotonicSeconds() + static_cast<double>(part.size()) * kCableSecondsPerByte;
    }
    state.sendingPieces = false;
}

// What handlers sent while a message went out in pieces, in order.
void SendHeld(ProgramState &state, Host &host) {
    while (!state.heldSends.empty() && !state.sendingPieces) {
        const std::vector<Byte> m = std::move(state.heldSends.front());
        state.heldSends.erase(state.heldSends.begin());
        if (m.front() == kSysExStart)
            SendLongMessage(state, host, m);
        else
            SendShortMessage(state, m[0], m.size() > 1 ? m[1] : 0, m.size() > 2 ? m[2] : 0);
    }
}

} // namespace

Byte ChannelNibble(const ProgramState &state) {
    return static_cast<Byte>(std::clamp(state.exchange.channel, 1, kMidiChannels) - 1);
}

void SendShortMessage(ProgramState &state, Byte status, Byte data1, Byte data2) {
    // Data bytes are 7-bit on the wire; nothing invalid leaves the program.
    if (!MidiOutIsOpen(state)) return;
    // A channel message inside a System Exclusive one would end it.
    if (state.sendingPieces) {
        state.heldSends.push_back({status, data1, data2});
        return;
    }
    if (status >= 0x80 && status < kSysExStart)
        status = static_cast<Byte>((status & 0xF0) | ChannelNibble(state));
    const Byte bytes[3] = {status, static_cast<Byte>(data1 & 0x7F), static_cast<Byte>(data2 & 0x7F)};
    state.midiOut->sendShort(bytes[0], bytes[1], bytes[2]);
    LogSentShort(state.midiTraffic, bytes);
    // With SYS INFO AVAIL the instrument answers every program change with
    // a voice dump. One sent outside a receive with the input open is owed
    // such an answer, which a receive starting meanwhile must not take for
    // one of its own.
    BankReceiveState &r = state.receive;
    if ((status & 0xF0) == kProgramChange && r.recvMode == 0 && state.midiIn && state.midiIn->isOpen()) {
        ++r.staleAnswers;
        const double now = state.midiTraffic.clock ? state.midiTraffic.clock() : 0;
        r.staleUntilSeconds = now + kReceiveTimeoutSeconds;
    }
}

void SendLongMessage(ProgramState &state, Host &host, std::span<const Byte> message) {
    // The backends copy the bytes before returning, so the caller's buffer
    // may go as soon as we return; no waiting on the driver is needed.
    if (MidiOutIsOpen(state)) {
        // A handler run while pieces wait must not put its bytes inside them.
        if (state.sendingPieces) {
            state.heldSends.emplace_back(message.begin(), message.end());
            return;
        }
        // The instrument's messages carry its channel in the low nibble of
        // their third byte; the program builds them for channel 1.
        std::vector<Byte> addressed;
        if (const Byte nibble = ChannelNibble(state);
            nibble != 0 && message.size() > 2 && message[0] == kSysExStart && message[1] == kYamahaId) {
            addressed.assign(message.begin(), message.end());
            addressed[2] = static_cast<Byte>((addressed[2] & 0xF0) | nibble);
            message = addressed;
        }
        PauseAfterLastSysEx(state, host);
        if (IsParameterChange(message)) HoldForTheReceiveRing(state, host, message.size());
        if (state.exchange.sysExChunk > 0)
            SendInPieces(state, host, message, static_cast<std::size_t>(state.exchange.sysExChunk));
        else
            state.midiOut->sendSysEx(message);
        state.lastSysExSentSeconds = host.monotonicSeconds();
        state.midiTraffic.add(MidiTrafficEntry::Direction::Out, MidiTrafficEntry::Kind::Message, message);
        SendHeld(state, host);
    }
    host.processEvents();
}

Slot VoiceAsSent(std::span<const Byte, kSlotSize> slot) { return VoiceOnTheWire(slot); }

void SendCurrentVoice(ProgramState &state, Host &host, int s, std::span<const Byte, kSlotSize> voice) {
    const Byte program = (s >= 1 && s <= 32) ? static_cast<Byte>(s - 1) : 0;
    SendShortMessage(state, kProgramChange, program, 0);
    // The editor shows a byte outside its range as the nearest value it can
    // take; the instrument is given the same, not a value it never shows.
    const auto dump = BuildVoiceDump(VoiceAsSent(voice));
    SendLongMessage(state, host, dump);
}

} // namespace vox
