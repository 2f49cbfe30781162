#include "midi/virtual_dx7.h"

#include "voice/bank_format.h"

#include <algorithm>
#include <cstdio>

namespace vox {
namespace {

constexpr Byte kStatusMask = 0xF0;
constexpr Byte kChannelMask = 0x0F;
constexpr Byte kNoteOffStatus = 0x80;
constexpr Byte kNoteOnStatus = 0x90;
constexpr Byte kProgramStatus = 0xC0;
constexpr Byte kDumpSubStatus = 0x00; // byte 2 of a dump: 0000nnnn
constexpr Byte kVoiceFormat = 0x00;
constexpr Byte kBankFormat = 0x09;
constexpr int kLastProgram = static_cast<int>(kBankSlots) - 1;
constexpr int kOperatorSwitchMax = 0x3F;

void FillVoiceImage(Slot &slot) {
    std::copy(kVoiceHeader.begin(), kVoiceHeader.end(), slot.begin());
    slot[kChecksumPos] = VoiceChecksum(slot);
    slot[kEndPos] = kSysExEnd;
}

} // namespace

std::size_t ChannelMessageLength(Byte status) {
    switch (status & kStatusMask) {
    case 0x80:
    case 0x90:
    case 0xA0:
    case 0xB0:
    case 0xE0:
        return 3;
    case 0xC0:
    case 0xD0:
        return 2;
    default:
        return 0;
    }
}

const char *Dx7RefusalName(Dx7Refusal reason) {
    switch (reason) {
    case Dx7Refusal::Empty:
        return "empty message";
    case Dx7Refusal::DataByteHigh:
        return "data byte with bit 7 set";
    case Dx7Refusal::WrongLength:
        return "channel message of wrong length";
    case Dx7Refusal::WrongChannel:
        return "not MIDI channel 1";
    case Dx7Refusal::Unknown:
        return "message not taken by this instrument";
    case Dx7Refusal::NotYamaha:
        return "System Exclusive of another maker";
    case Dx7Refusal::Unterminated:
        return "System Exclusive without F7";
    case Dx7Refusal::UnknownSysEx:
        return "unknown Yamaha System Exclusive";
    case Dx7Refusal::VoiceLength:
        return "single-voice dump not 163 bytes";
    case Dx7Refusal::VoiceHeader:
        return "single-voice dump header wrong";
    case Dx7Refusal::VoiceChecksum:
        return "single-voice dump checksum wrong";
    case Dx7Refusal::BankLength:
        return "bulk dump not 4104 bytes";
    case Dx7Refusal::BankHeader:
        return "bulk dump header wrong";
    case Dx7Refusal::BankChecksum:
        return "bulk dump checksum wrong";
    case Dx7Refusal::MemoryProtected:
        return "bulk dump refused: MEMORY PROTECT INTERNAL is on";
    case Dx7Refusal::ParameterGroup:
        return "parameter change not of a voice parameter";
    case Dx7Refusal::ParameterNumber:
        return "parameter number above 155";
    case Dx7Refusal::ParameterValue:
        return "parameter value out of range";
    case Dx7Refusal::ParameterLength:
        return "parameter change not 7 bytes";
    case Dx7Refusal::ProgramNumber:
        return "program number above 31";
    }
    return "?";
}

std::string LogLine(double seconds, const VirtualDx7::LogEntry &entry) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.6f", seconds);
    std::string line = stamp;
    line += entry.direction == VirtualDx7::Direction::In ? " IN  " : " OUT ";
    line += HexBytes(entry.bytes);
    if (entry.refused) {
        line += " REFUSED ";
        line += Dx7RefusalName(entry.reason);
    }
    return line;
}

std::array<Slot, kBankSlots> VirtualDx7FactoryVoices() {
    std::array<Slot, kBankSlots> voices{};
    for (std::size_t v = 0; v < kBankSlots; ++v) {
        Slot &slot = voices[v];
        const int n = static_cast<int>(v);
        // Each value a different step through its range, so that no two
        // voices share a byte pattern and every value stays in range.
        for (int p = 0; p < param::Name1; ++p) {
            const int range = ParamMax(p) + 1;
            slot[ParamPos(p)] = static_cast<Byte>((p * 7 + n * 13 + 3) % range);
        }
        slot[ParamPos(param::Algorithm)] = static_cast<Byte>(n); // algorithms 1..32
        // Every voice audible: operator 1 loud, but short of full output so
        // that a test can raise it.
        slot[ParamPos(OpParamNumber(1, OpParam::OutputLevel))] = static_cast<Byte>(80 + n % 19);
        char name[kNameLength + 1];
        std::snprintf(name, sizeof name, "VOX %2d    ", n + 1);
        for (std::size_t i = 0; i < kNameLength; ++i)
            slot[kNamePos + i] = static_cast<Byte>(name[i]);
        FillVoiceImage(slot);
    }
    return voices;
}

VirtualDx7::VirtualDx7() : internal_(VirtualDx7FactoryVoices()) { edit_ = internal_[0]; }

void VirtualDx7::setInternalVoices(std::span<const Byte, kPackedBankSize> packed) {
    for (std::size_t v = 0; v < kBankSlots; ++v) {
        Slot slot{};
        UnpackVoice(
            std::span<const Byte, kPackedVoiceSize>(packed.subspan(v * kPackedVoiceSize, kPackedVoiceSize)),
            slot);
        FillVoiceImage(slot);
        internal_[v] = slot;
    }
}

std::vector<Byte> VirtualDx7::bulkDump() const {
    VoiceTable table;
    for (std::size_t v = 0; v < kBankSlots; ++v)
        table[v + 1] = internal_[v];
    const BulkMessage message = BuildBulkMessage(table);
    return {message.begin(), message.end()};
}

void VirtualDx7::record(LogEntry entry) {
    if (log_.size() >= kLogLimit) log_.erase(log_.begin(), log_.begin() + kLogLimit / 2);
    log_.push_back(std::move(entry));
    if (observer_) observer_(log_.back());
}

void VirtualDx7::refuse(std::span<const Byte> message, Dx7Refusal reason) {
    ++refusalTotal_;
    ++refusalCount_.at(static_cast<std::size_t>(reason));
    lastRefusal_ = std::string(Dx7RefusalName(reason)) + ": " + HexBytes(message);
    record(LogEntry{Direction::In, {message.begin(), message.end()}, true, reason});
}

void VirtualDx7::accept(std::span<const Byte> message) {
    record(LogEntry{Direction::In, {message.begin(), message.end()}, false, Dx7Refusal::Empty});
    if (accepted_) accepted_(message);
}

void VirtualDx7::receive(std::span<const Byte> message, double nowSeconds) {
    now_ = nowSeconds;
    if (message.empty()) return refuse(message, Dx7Refusal::Empty);
    if (message[0] == kSysExStart) return sysEx(message);
    channelMessage(message);
}

void VirtualDx7::channelMessage(std::span<const Byte> message) {
    const Byte status = message[0];
    const std::size_t length = ChannelMessageLength(status);
    if (length == 0) return refuse(message, Dx7Refusal::Unknown); // data byte first, or a system message
    for (std::size_t i = 1; i < message.size(); ++i)
        if (message[i] & 0x80) return refuse(message, Dx7Refusal::DataByteHigh);
    // One program change too many bytes long would be read on the wire as
    // two program changes (running status): never take it.
    if (message.size() != length) return refuse(message, Dx7Refusal::WrongLength);
    if ((status & kChannelMask) != 0) return refuse(message, Dx7Refusal::WrongChannel);

    switch (status & kStatusMask) {
    case kNoteOnStatus:
        accept(message);
        if (message[2] == 0)
            ++noteOffs_;
        else
            ++noteOns_;
        return;
    case kNoteOffStatus:
        accept(message);
        ++noteOffs_;
        return;
    case kProgramStatus:
        if (message[1] > kLastProgram) return refuse(message, Dx7Refusal::ProgramNumber);
        accept(message);
        ++programChanges_;
        selectProgram(message[1]);
        return;
    default:
        return refuse(message, Dx7Refusal::Unknown);
    }
}

void VirtualDx7::sysEx(std::span<const Byte> message) {
    if (message.size() < 2 || message.back() != kSysExEnd) return refuse(message, Dx7Refusal::Unterminated);
    for (std::size_t i = 1; i + 1 < message.size(); ++i)
        if (message[i] & 0x80) return refuse(message, Dx7Refusal::DataByteHigh);
    if (message.size() < 3 || message[1] != kYamahaId) return refuse(message, Dx7Refusal::NotYamaha);
    if (message.size() < 4) return refuse(message, Dx7Refusal::UnknownSysEx);
    const Byte sub = message[2] & kStatusMask;
    if (sub != kDumpSubStatus && sub != kParameterChangeSubStatus)
        return refuse(message, Dx7Refusal::UnknownSysEx);
    if ((message[2] & kChannelMask) != 0) return refuse(message, Dx7Refusal::WrongChannel);
    if (sub == kParameterChangeSubStatus) return parameterChange(message);
    if (message[3] == kVoiceFormat) return voiceDump(message);
    if (message[3] == kBankFormat) return bankDump(message);
    refuse(message, Dx7Refusal::UnknownSysEx);
}

void VirtualDx7::voiceDump(std::span<const Byte> message) {
    if (message.size() != kImageSize) return refuse(message, Dx7Refusal::VoiceLength);
    if (!std::equal(kVoiceHeader.begin(), kVoiceHeader.end(), message.begin()))
        return refuse(message, Dx7Refusal::VoiceHeader);
    if (ChecksumOf(message.subspan(kParamBase, kParamCount)) != message[kChecksumPos])
        return refuse(message, Dx7Refusal::VoiceChecksum);
    accept(message);
    ++voiceDumps_;
    std::copy(message.begin(), message.end(), edit_.begin());
    edit_[kSlotSize - 1] = 0;
}

void VirtualDx7::bankDump(std::span<const Byte> message) {
    if (message.size() != kBulkMessageSize) return refuse(message, Dx7Refusal::BankLength);
    if (!std::equal(kBankHeader.begin(), kBankHeader.end(), message.begin()))
        return refuse(message, Dx7Refusal::BankHeader);
    const auto data = message.subspan(kBulkDataPos, kPackedBankSize);
    if (ChecksumOf(data) != message[kBulkChecksumPos]) return refuse(message, Dx7Refusal::BankChecksum);
    if (memoryProtect) return refuse(message, Dx7Refusal::MemoryProtected);
    accept(message);
    ++bankDumps_;
    // The edit buffer keeps what it holds until the next program change.
    setInternalVoices(std::span<const Byte, kPackedBankSize>(data.data(), kPackedBankSize));
}

void VirtualDx7::parameterChange(std::span<const Byte> message) {
    if (message.size() != kParameterChangeSize) return refuse(message, Dx7Refusal::ParameterLength);
    // Byte 3 is 0gggggpp: group (0 = voice) and the top two bits of the number.
    const int group = message[3] >> 2;
    if (group != 0) return refuse(message, Dx7Refusal::ParameterGroup);
    const int number = (message[3] & 0x03) * 128 + message[4];
    const int value = message[5];
    if (number > kOperatorSwitchParam) return refuse(message, Dx7Refusal::ParameterNumber);
    const int max = number == kOperatorSwitchParam ? kOperatorSwitchMax : ParamMax(number);
    if (value > max) return refuse(message, Dx7Refusal::ParameterValue);
    accept(message);
    ++parameterChanges_;
    if (number == kOperatorSwitchParam) {
        opSwitches_ = static_cast<Byte>(value);
        return;
    }
    edit_[ParamPos(number)] = static_cast<Byte>(value);
    edit_[kChecksumPos] = VoiceChecksum(edit_);
}

void VirtualDx7::selectProgram(int program) {
    selected_ = program;
    edit_ = internal_[static_cast<std::size_t>(program)];
    if (!sysInfoAvail) return;
    if (faults.dropDump.applies(program)) {
        faults.dropDump.spent = true;
        return;
    }
    const VoiceDump built = BuildVoiceDump(internal_[static_cast<std::size_t>(program)]);
    std::vector<Byte> dump(built.begin(), built.end());
    if (faults.corruptChecksum.applies(program)) {
        faults.corruptChecksum.spent = true;
        dump[kChecksumPos] = static_cast<Byte>((dump[kChecksumPos] + 1) & 0x7F);
    }
    if (faults.breakFirstByte.applies(program)) {
        faults.breakFirstByte.spent = true;
        dump[0] = 0x00;
    }
    reply(std::move(dump));
}

void VirtualDx7::reply(std::vector<Byte> bytes) {
    ++replies_;
    record(LogEntry{Direction::Out, bytes, false, Dx7Refusal::Empty});
    if (sink_) sink_(std::move(bytes), now_ + faults.replyDelayMs / 1000.0);
}

} // namespace vox
