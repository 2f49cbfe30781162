#pragma once
// The fast bank receive: one program change outstanding at a time, the next
// sent as soon as the answer to the previous one is stored; a missing or
// broken answer is asked for again. Voices gather in the staging table and
// reach the bank only when all 32 are good, as in the standard receive.
//
// Which request an answer belongs to. A single-voice dump carries no
// program number, so an answer is attributed by order alone: MIDI keeps the
// order of messages, and the instrument answers its requests in the order
// they came. Every request sent is kept in a queue until it is accounted
// for; an answer belongs to the oldest request that could have made it, and
// the requests before that one will never be answered. A request asked
// again after its time-out may still be answered late, after the next
// voice's request has gone out. Such a late answer is a copy of a voice
// already stored (the instrument's memory does not change during the
// receive), so a good answer that matches the stored voice of a request
// still in the queue is taken as that late answer and discarded, never
// stored into the later slot. When the later voice really is the same, its
// own answer is discarded with it and it is asked for again after the
// time-out: slower, never wrong. An answer that could belong to a voice
// given up (content unknown) is discarded the same way.
//
// An instrument that answers the bank dump request gives all 32 voices in
// one bulk dump. The receive can start with that request: the bank that
// comes within kBankRequestWaitSeconds (or later, while the voices are
// still being asked for) is taken whole through the same staging; when
// none comes, the voices are asked for one by one as above.

#include "common/program_state.h"

#include <array>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vox {

// BankReceiveState::recvMode while a fast receive runs.
inline constexpr std::int16_t kFastRecvMode = 3;

enum class FastOutcome {
    Running,  // waiting for an answer
    Complete, // all 32 voices are in the bank
    Silent,   // the first request went unanswered: nothing came at all
    GaveUp,   // some voices did not come after every retry; see missing()
};

struct FastResult {
    FastOutcome outcome = FastOutcome::Running;
    std::vector<std::string> traces;      // List4: one line per voice stored
    std::vector<std::string> brokenLines; // List2: a voice asked again, then the end marker
    // Set when this step found out whether the instrument answers the bank
    // request.
    std::optional<bool> bankRequestAnswered;
};

class FastReceive {
public:
    // After BeginReceive: marks the receive as fast and requests voice 1,
    // or, with `bankRequested` (the caller sends the request right after),
    // waits for the bank first.
    void start(ProgramState &state, double now, bool bankRequested = false);
    // A bulk dump that arrived while the receive runs.
    FastResult bank(ProgramState &state, std::span<const Byte> message, double now);
    // A System Exclusive message that arrived while the receive runs.
    FastResult answer(ProgramState &state, std::span<const Byte> message, double now);
    // A message-loop pass: asks again for an answer overdue, or gives up.
    FastResult tick(ProgramState &state, double now);

    // Whether this receive is the one running (a cancel or a restart ends it).
    bool running(const BankReceiveState &receive) const;
    int storedCount() const { return stored_; }
    // Voice numbers (1..32) not received, in order, once the receive gave up.
    const std::vector<int> &missing() const { return missing_; }

private:
    struct Request {
        int program; // 0..31
    };
    void send(ProgramState &state, double now);
    // The current voice failed (broken or overdue): ask again or give up.
    void retryOrGiveUp(ProgramState &state, double now, FastResult &result);
    void next(ProgramState &state, double now, FastResult &result);

    int generation_ = -1;
    bool bankRequested_ = false;  // the bank request went out in this receive
    bool waitingForBank_ = false; // no voice asked for yet
    double bankAskedAt_ = 0;
    int program_ = 0;            // the voice asked for now, 0..31
    int attempts_ = 0;           // requests sent for it
    bool heard_ = false;         // anything arrived since its first request
    bool heardAnything_ = false; // anything arrived in this receive
    double sentAt_ = 0;
    int stored_ = 0;
    std::array<bool, kBankSlots> have_{};
    std::deque<Request> pending_; // requests not accounted for, oldest first
    std::vector<int> missing_;
};

// The receive mode as the command line and the settings file write it:
// "standard" or "fast".
std::optional<ReceiveMode> ParseReceiveMode(std::string_view text);
const char *ReceiveModeName(ReceiveMode mode);

// "5, 17" or "5〜32": the voice numbers, runs of three or more as a range.
std::string VoiceNumberList(const std::vector<int> &voices);

} // namespace vox
