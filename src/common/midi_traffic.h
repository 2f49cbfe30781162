#pragma once
// Every MIDI message the program sent or was given, with its time, for the
// MIDI monitor. The main window's receive lists are kept apart from it and
// filled as before; this log only adds the sends and a readable form.

#include "voice/voice_layout.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <vector>

namespace vox {

struct MidiTrafficEntry {
    enum class Direction { In, Out };
    // Port events have no bytes of their own.
    enum class Kind { Message, InputOpened, ReceiveError };
    double seconds = 0; // the log's clock when it was added
    Direction direction = Direction::In;
    Kind kind = Kind::Message;
    std::vector<Byte> bytes;
};

class MidiTraffic {
public:
    // A long session must not grow without end; the oldest lines go first.
    static constexpr std::size_t kKept = 5000;

    // Monotonic seconds; without a clock every entry is stamped 0.
    std::function<double()> clock;

    void add(MidiTrafficEntry::Direction direction, MidiTrafficEntry::Kind kind,
             std::span<const Byte> bytes = {}) {
        entries_.push_back({clock ? clock() : 0.0, direction, kind, {bytes.begin(), bytes.end()}});
        ++total_;
        if (entries_.size() > kKept) entries_.pop_front();
    }
    const std::deque<MidiTrafficEntry> &entries() const { return entries_; }
    // Entries ever added, dropped ones included: entries()[i] is number
    // total() - entries().size() + i, so a viewer can tell what is new.
    std::uint64_t total() const { return total_; }

private:
    std::deque<MidiTrafficEntry> entries_;
    std::uint64_t total_ = 0;
};

} // namespace vox
