#pragma once
// Bank receive from the DX7, one single-voice dump per program change, and
// the receive's bookkeeping. The store step returns the log lines it makes;
// the main window writes them into its own lists.

#include "common/controls.h"
#include "common/program_state.h"

#include <array>
#include <span>
#include <string>
#include <vector>

namespace vox {

inline constexpr double kReceiveTimeoutSeconds = 3.0;

// The request for the instrument's 32 voices as one bulk dump, for channel
// 1 (the send puts in the instrument's channel). The TX7, the TX816 and the
// DX7 II family answer it; the DX7 Mk I drops it without a word.
inline constexpr std::array<Byte, 5> kBankDumpRequest = {0xF0, 0x43, 0x20, 0x09, 0xF7};
// How long an answer to it may take: the 4104-byte dump is 1.31 s on the
// cable, and the instrument starts sending soon after the request.
inline constexpr double kBankRequestWaitSeconds = 1.5;

// Whether a receive through this output port starts with the bank request:
// unless the port's instrument is known to leave it unanswered.
bool AsksForTheBankFirst(const ProgramState &state);
// What a receive or check found out about the port's instrument; kept and
// told on (bankRequestLearned) when it is news.
void LearnBankRequestAnswer(ProgramState &state, bool answers);

// A complete single-voice dump: 163 bytes, header F0 43 0n 00 01 1B, the
// checksum of the 155 data bytes, F7.
bool IsCompleteVoiceDump(std::span<const Byte> bytes);

// Clears every counter of an earlier run and starts the first pass.
void BeginReceive(BankReceiveState &receive, double now);

// Back to idle; a dump that arrives afterwards is only logged. A click
// handler still sending requests stops only when `generation` changes.
void EndReceive(BankReceiveState &receive);

bool ReceiveTimedOut(const BankReceiveState &receive, double now);

// A request of the running receive went out at `now`.
void CountRequest(BankReceiveState &receive, double now);
// An answer-like message arrived: false when it is one still owed by a run
// that ended, to be logged and nothing more; true otherwise (counted for the
// running receive).
bool TakeAnswer(BankReceiveState &receive, double now);

enum class StoreOutcome {
    PassOn,       // the pass goes on
    Unasked,      // no request was waiting for it: logged, nothing stored
    RetryStarted, // the broken voices were requested again
    Complete,     // all 32 are in the bank; the SOUND LIST may be filled
};

// What storing one buffer did, and the log lines it makes.
struct StoreResult {
    StoreOutcome outcome = StoreOutcome::PassOn;
    std::string trace;                    // the trace line of this dump (List4)
    std::vector<std::string> brokenLines; // a broken voice, then the end marker, in order (List2)
};

// Stores one returned buffer by arrival order. `recorded` is the number of
// bytes that arrived; only a complete dump is taken into its slot of the
// staging table. An answer beyond the requests sent so far was asked by
// nobody: it is not stored and moves nothing (outcome Unasked). When the
// last awaited voice is good the receive ends with outcome Complete, and
// the caller takes the staging table into the bank.
StoreResult StoreReceivedVoice(ProgramState &state, std::span<const Byte, kSlotSize> buffer,
                               std::size_t recorded, double now);

// Ends the receive: every slot of the staging table now holds a good dump
// of this run, for the caller to take into the bank whole.
void CommitStagedBank(ProgramState &state);

// Sends, back to back, a program change for every broken slot and starts
// a retry pass.
void RequestRetries(ProgramState &state, double now);

// The instrument's own 32-voice bulk dump (4096 packed bytes, as
// ReadBulkDump gives them) into staging slots 1..32, each voice as the
// single-voice dump the instrument would send of it.
void StageBulkDump(BankReceiveState &receive, std::span<const Byte> packed);

} // namespace vox
