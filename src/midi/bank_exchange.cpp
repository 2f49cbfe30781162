#include "midi/bank_exchange.h"

#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "voice/bank_format.h"
#include "voice/dx7_messages.h"

#include <algorithm>

namespace vox {

bool IsCompleteVoiceDump(std::span<const Byte> bytes) {
    if (bytes.size() < kImageSize) return false;
    if (bytes[0] != kSysExStart || bytes[1] != kYamahaId || (bytes[2] & 0xF0) != 0x00) return false;
    for (std::size_t i = 3; i < kVoiceHeader.size(); ++i)
        if (bytes[i] != kVoiceHeader[i]) return false;
    if (bytes[kChecksumPos] != ChecksumOf(bytes.subspan(kParamBase, kParamCount))) return false;
    return bytes[kEndPos] == kSysExEnd;
}

void BeginReceive(BankReceiveState &receive, double now) {
    EndReceive(receive);
    const int generation = receive.generation + 1;
    const int stale = receive.staleAnswers;
    const double staleUntil = receive.staleUntilSeconds;
    receive = BankReceiveState{};
    receive.generation = generation;
    receive.staleAnswers = stale;
    receive.staleUntilSeconds = staleUntil;
    receive.recvMode = 1;
    receive.recvSlot = 1;
    receive.lastActivitySeconds = now;
}

void EndReceive(BankReceiveState &receive) {
    receive.recvMode = 0;
    receive.passRequested = false;
    if (receive.requestsThisRun > receive.answersThisRun) {
        receive.staleAnswers += receive.requestsThisRun - receive.answersThisRun;
        receive.staleUntilSeconds = receive.lastRequestSeconds + kReceiveTimeoutSeconds;
    }
    receive.requestsThisRun = receive.answersThisRun = 0;
}

void CountRequest(BankReceiveState &receive, double now) {
    ++receive.requestsThisRun;
    receive.lastRequestSeconds = now;
}

bool TakeAnswer(BankReceiveState &receive, double now) {
    if (receive.staleAnswers > 0 && now > receive.staleUntilSeconds) receive.staleAnswers = 0;
    if (receive.staleAnswers > 0) {
        --receive.staleAnswers;
        return false;
    }
    if (receive.recvMode != 0) ++receive.answersThisRun;
    return true;
}

bool ReceiveTimedOut(const BankReceiveState &receive, double now) {
    return receive.recvMode != 0 && receive.passRequested &&
           now - receive.lastActivitySeconds >= kReceiveTimeoutSeconds;
}

StoreResult StoreReceivedVoice(ProgramState &state, std::span<const Byte, kSlotSize> buffer,
                               std::size_t recorded, double now) {
    StoreResult result;
    BankReceiveState &r = state.receive;
    r.lastActivitySeconds = now;
    auto at = [&r](int index) { return r.retrySlots[static_cast<std::size_t>(std::clamp(index, 0, 33))]; };

    // Answers come in the order of the requests; one more than was asked
    // for belongs to none of them, and storing it would shift every voice.
    if (r.recvMode == 1 && r.recvSlot > r.requested) {
        result.outcome = StoreOutcome::Unasked;
        return result;
    }
    const int target = r.recvMode == 1 ? r.recvSlot : at(r.retryIndex);
    // A slot outside the bank would only come from a corrupted count; such a
    // delivery is treated as broken rather than written anywhere.
    const bool good = target >= 1 && target <= static_cast<int>(kBankSlots) &&
                      IsCompleteVoiceDump(buffer.first(std::min(recorded, kImageSize)));
    if (good) {
        Slot &slot = r.staging[static_cast<std::size_t>(target)];
        std::copy(buffer.begin(), buffer.begin() + kImageSize, slot.begin());
        ++r.storedThisRun;
    }

    result.trace = SignedDecimal(r.recvSlot) + SignedDecimal(at(r.retryCount)) + SignedDecimal(r.retryCount) +
                   SignedDecimal(at(r.retryIndex));

    if (!good) {
        // A corrupted voice never enters the bank; its slot is asked for again.
        const int number = r.recvMode == 1 ? r.recvSlot : r.retryIndex;
        r.retryCount = static_cast<std::int16_t>(std::min<int>(r.retryCount + 1, 33));
        r.retrySlots[static_cast<std::size_t>(r.retryCount)] = static_cast<std::int16_t>(target);
        result.brokenLines.push_back(SignedDecimal(target) + SignedDecimal(number));
    }

    if (r.recvMode == 1)
        ++r.recvSlot;
    else
        ++r.retryIndex;

    const bool complete =
        (r.recvMode == 1 && r.recvSlot >= 33) || (r.recvMode == 2 && r.retryIndex == r.retryEnd);
    if (!complete) return result;

    if (r.retryCount > 0) {
        result.brokenLines.push_back("exit" + SignedDecimal(r.retryCount));
        RequestRetries(state, now);
        r.retryIndex = 1;
        result.outcome = StoreOutcome::RetryStarted;
        return result;
    }
    result.brokenLines.push_back(std::to_string(r.retryCount + 10));
    // Every slot of the bank now holds a good dump of this run.
    CommitStagedBank(state);
    result.outcome = StoreOutcome::Complete;
    return result;
}

void CommitStagedBank(ProgramState &state) { EndReceive(state.receive); }

void RequestRetries(ProgramState &state, double now) {
    BankReceiveState &r = state.receive;
    r.retryEnd = static_cast<std::int16_t>(r.retryCount + 1);
    r.recvMode = 2;
    for (int i = 1; i <= r.retryCount; ++i) {
        CountRequest(r, now);
        SendShortMessage(state, kProgramChange,
                         static_cast<Byte>(r.retrySlots[static_cast<std::size_t>(i)] - 1), 0);
    }
    r.retryCount = 0;
    r.passRequested = true;
    r.lastActivitySeconds = now;
}

void StageBulkDump(BankReceiveState &receive, std::span<const Byte> packed) {
    if (packed.size() != kPackedBankSize) return;
    for (std::size_t n = 1; n <= kBankSlots; ++n) {
        Slot voice{};
        UnpackVoice(packed.subspan((n - 1) * kPackedVoiceSize).first<kPackedVoiceSize>(), voice);
        const VoiceDump dump = BuildVoiceDump(voice);
        std::copy(dump.begin(), dump.end(), receive.staging[n].begin());
    }
}

namespace {
std::string OutputName(const ProgramState &state) {
    return state.midiOut ? state.midiOut->name() : std::string();
}
} // namespace

bool AsksForTheBankFirst(const ProgramState &state) {
    const auto known = state.answersBankRequest.find(OutputName(state));
    return known == state.answersBankRequest.end() || known->second;
}

void LearnBankRequestAnswer(ProgramState &state, bool answers) {
    const std::string port = OutputName(state);
    const auto known = state.answersBankRequest.find(port);
    if (known != state.answersBankRequest.end() && known->second == answers) return;
    state.answersBankRequest[port] = answers;
    if (state.bankRequestLearned) state.bankRequestLearned(port, answers);
}

} // namespace vox
