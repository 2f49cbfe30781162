#include "midi/fast_receive.h"
#include "text/ui_text.h"

#include "midi/bank_exchange.h"
#include "midi/midi_output.h"
#include "voice/bank_format.h"
#include "voice/text.h"

#include <algorithm>

namespace vox {

namespace {
std::string BrokenLine(int voice) { return SignedDecimal(voice) + SignedDecimal(voice); }
} // namespace

void FastReceive::start(ProgramState &state, double now, bool bankRequested) {
    BankReceiveState &r = state.receive;
    r.recvMode = kFastRecvMode;
    r.recvSlot = 1;
    generation_ = r.generation;
    program_ = 0;
    attempts_ = 0;
    heard_ = false;
    heardAnything_ = false;
    stored_ = 0;
    have_.fill(false);
    pending_.clear();
    missing_.clear();
    bankRequested_ = bankRequested;
    waitingForBank_ = bankRequested;
    bankAskedAt_ = now;
    if (!bankRequested) {
        send(state, now);
        return;
    }
    sentAt_ = now;
    r.lastActivitySeconds = now;
}

FastResult FastReceive::bank(ProgramState &state, std::span<const Byte> message, double now) {
    FastResult result;
    BankReceiveState &r = state.receive;
    if (!running(r) || !bankRequested_ || !IsBankDumpCandidate(message)) return result;
    const BulkDump dump = ReadBulkDump(message);
    r.lastActivitySeconds = now;
    result.bankRequestAnswered = true;
    if (dump.status != BulkDumpStatus::Good) {
        // Damaged on the way: the voices are asked for one by one instead.
        if (waitingForBank_) {
            waitingForBank_ = false;
            send(state, now);
        }
        return result;
    }
    StageBulkDump(r, dump.packed);
    for (int n = 1; n <= static_cast<int>(kBankSlots); ++n)
        if (!have_[static_cast<std::size_t>(n - 1)])
            result.traces.push_back(SignedDecimal(n) + SignedDecimal(0) + SignedDecimal(0) +
                                    SignedDecimal(0));
    stored_ = static_cast<int>(kBankSlots);
    r.storedThisRun = stored_;
    result.brokenLines.push_back("10");
    CommitStagedBank(state);
    result.outcome = FastOutcome::Complete;
    return result;
}

bool FastReceive::running(const BankReceiveState &receive) const {
    return receive.recvMode == kFastRecvMode && receive.generation == generation_;
}

void FastReceive::send(ProgramState &state, double now) {
    CountRequest(state.receive, now);
    SendShortMessage(state, kProgramChange, static_cast<Byte>(program_), 0);
    pending_.push_back(Request{program_});
    ++attempts_;
    sentAt_ = now;
    state.receive.lastActivitySeconds = now;
}

FastResult FastReceive::answer(ProgramState &state, std::span<const Byte> message, double now) {
    FastResult result;
    BankReceiveState &r = state.receive;
    if (!running(r)) return result;
    heard_ = true;
    heardAnything_ = true;
    r.lastActivitySeconds = now;

    if (!IsCompleteVoiceDump(message)) {
        // The oldest request is either answered by this or never will be.
        if (pending_.empty()) return result;
        const int owner = pending_.front().program;
        pending_.pop_front();
        // A broken late answer to an earlier voice: the current voice's
        // answer is still on its way.
        if (owner != program_) return result;
        result.brokenLines.push_back(BrokenLine(program_ + 1));
        // A request sent again after a time-out may still be answered.
        const bool stillAsked = std::any_of(pending_.begin(), pending_.end(),
                                            [this](const Request &q) { return q.program == program_; });
        if (!stillAsked) retryOrGiveUp(state, now, result);
        return result;
    }

    for (std::size_t i = 0; i < pending_.size(); ++i) {
        const int p = pending_[i].program;
        if (p == program_) {
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            Slot &slot = r.staging[static_cast<std::size_t>(program_ + 1)];
            std::copy(message.begin(), message.begin() + kImageSize, slot.begin());
            have_[static_cast<std::size_t>(program_)] = true;
            ++stored_;
            ++r.storedThisRun;
            result.traces.push_back(SignedDecimal(program_ + 1) + SignedDecimal(0) +
                                    SignedDecimal(attempts_ - 1) +
                                    SignedDecimal(attempts_ > 1 ? program_ + 1 : 0));
            next(state, now, result);
            return result;
        }
        // A late answer to an earlier voice is a copy of what was stored for
        // it; one given up could be anything.
        const Slot &earlier = r.staging[static_cast<std::size_t>(p + 1)];
        const bool copy = !have_[static_cast<std::size_t>(p)] ||
                          std::equal(message.begin(), message.begin() + kImageSize, earlier.begin());
        if (copy) {
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return result;
        }
    }
    // Nothing asked could have made it.
    return result;
}

FastResult FastReceive::tick(ProgramState &state, double now) {
    FastResult result;
    BankReceiveState &r = state.receive;
    if (!running(r)) return result;
    if (waitingForBank_) {
        if (now - bankAskedAt_ < kBankRequestWaitSeconds) return result;
        // No bank: an instrument that drops the request, as the Mk I does.
        waitingForBank_ = false;
        result.bankRequestAnswered = false;
        // Only what the program changes bring counts from here on.
        heard_ = heardAnything_ = false;
        send(state, now);
        return result;
    }
    if (now - sentAt_ < state.exchange.fastTimeoutSeconds) return result;
    if (!heardAnything_) {
        // Not one answer to the first request: the instrument does not
        // answer at all, and asking 31 more times would not change that.
        EndReceive(r);
        missing_.clear();
        for (int n = 1; n <= static_cast<int>(kBankSlots); ++n)
            missing_.push_back(n);
        result.outcome = FastOutcome::Silent;
        return result;
    }
    result.brokenLines.push_back(BrokenLine(program_ + 1));
    retryOrGiveUp(state, now, result);
    return result;
}

void FastReceive::retryOrGiveUp(ProgramState &state, double now, FastResult &result) {
    if (attempts_ <= state.exchange.fastRetries) {
        send(state, now);
        return;
    }
    missing_.push_back(program_ + 1);
    if (!heard_) {
        // Every request for this voice went unanswered: the instrument has
        // stopped answering; the voices not yet asked for are missing too.
        for (int n = program_ + 2; n <= static_cast<int>(kBankSlots); ++n)
            missing_.push_back(n);
        EndReceive(state.receive);
        result.outcome = FastOutcome::GaveUp;
        return;
    }
    next(state, now, result);
}

void FastReceive::next(ProgramState &state, double now, FastResult &result) {
    ++program_;
    attempts_ = 0;
    heard_ = false;
    state.receive.recvSlot = static_cast<std::int16_t>(program_ + 1);
    if (program_ < static_cast<int>(kBankSlots)) {
        send(state, now);
        return;
    }
    if (!missing_.empty()) {
        EndReceive(state.receive);
        result.outcome = FastOutcome::GaveUp;
        return;
    }
    result.brokenLines.push_back("10");
    CommitStagedBank(state);
    result.outcome = FastOutcome::Complete;
}

std::optional<ReceiveMode> ParseReceiveMode(std::string_view text) {
    if (text == "standard") return ReceiveMode::Standard;
    if (text == "fast") return ReceiveMode::Fast;
    return std::nullopt;
}

const char *ReceiveModeName(ReceiveMode mode) { return mode == ReceiveMode::Fast ? "fast" : "standard"; }

std::string VoiceNumberList(const std::vector<int> &voices) {
    std::string text;
    for (std::size_t i = 0; i < voices.size();) {
        std::size_t j = i;
        while (j + 1 < voices.size() && voices[j + 1] == voices[j] + 1)
            ++j;
        if (!text.empty()) text += ", ";
        if (j - i >= 2) {
            text += std::to_string(voices[i]) + Tr("〜") + std::to_string(voices[j]);
            i = j + 1;
        } else {
            text += std::to_string(voices[i]);
            ++i;
        }
    }
    return text;
}

} // namespace vox
