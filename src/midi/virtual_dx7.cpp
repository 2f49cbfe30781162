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
constexpr Byte kControlStatus = 0xB0;
constexpr Byte kPressureStatus = 0xD0;
constexpr Byte kBendStatus = 0xE0;
// The controls the instrument plays from (its own wheel, breath and foot
// controllers, the portamento switch).
constexpr Byte kModWheel = 1, kBreath = 2, kFoot = 4, kPortamentoSwitch = 65;
constexpr Byte kAllSoundOff = 120;
constexpr Byte kAllNotesOff = 123;
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
        return "not its receive channel";
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
    case Dx7Refusal::SysInfoUnavailable:
        return "SYS INFO UNAVAIL";
    case Dx7Refusal::FamilyDamaged:
        return "additional voice or universal dump with wrong byte count or checksum";
    case Dx7Refusal::NotHeld:
        return "dump request for data not held";
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
}

void VirtualDx7::sendEvent(const Dx7Event &event) {
    if (events_) events_(event);
}

VoiceParams VirtualDx7::editParams() const {
    VoiceParams p{};
    std::copy_n(edit_.begin() + kParamBase, kParamCount, p.begin());
    return p;
}

void VirtualDx7::sendVoiceEvent() {
    Dx7Event e;
    e.kind = Dx7Event::Kind::VoiceLoaded;
    e.voice = editParams();
    e.operatorSwitches = opSwitches_;
    sendEvent(e);
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
    if ((status & kChannelMask) != receiveChannel) return refuse(message, Dx7Refusal::WrongChannel);

    Dx7Event e;
    switch (status & kStatusMask) {
    case kNoteOnStatus:
    case kNoteOffStatus:
        accept(message);
        e.note = message[1];
        if ((status & kStatusMask) == kNoteOnStatus && message[2] != 0) {
            ++noteOns_;
            e.kind = Dx7Event::Kind::NoteOn;
            e.velocity = message[2];
        } else {
            ++noteOffs_;
            e.kind = Dx7Event::Kind::NoteOff;
        }
        return sendEvent(e);
    case kControlStatus:
        if (message[1] == kModWheel || message[1] == kBreath || message[1] == kFoot ||
            message[1] == kPortamentoSwitch) {
            accept(message);
            e.kind = Dx7Event::Kind::Controller;
            e.parameter = message[1];
            e.value = message[2];
            return sendEvent(e);
        }
        if (message[1] != kAllNotesOff && message[1] != kAllSoundOff)
            return refuse(message, Dx7Refusal::Unknown);
        accept(message);
        e.kind = Dx7Event::Kind::AllNotesOff;
        return sendEvent(e);
    case kBendStatus:
        accept(message);
        e.kind = Dx7Event::Kind::PitchBend;
        e.value = message[2]; // the instrument reads the most significant byte only
        return sendEvent(e);
    case kPressureStatus:
        accept(message);
        e.kind = Dx7Event::Kind::Aftertouch;
        e.value = message[1];
        return sendEvent(e);
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
    // Whole and every data byte low: what is left to judge is the decoder's.
    const Dx7Message m = DecodeDx7(message);
    const bool taken = m.kind == Dx7Kind::ParameterChange || m.kind == Dx7Kind::FunctionParameter ||
                       m.kind == Dx7Kind::VoiceDump || m.kind == Dx7Kind::BulkDump ||
                       (m.kind == Dx7Kind::DumpRequest && (answersRequests || laterModel()));
    if (message.size() < 4 || (!taken && m.kind != Dx7Kind::OtherDump))
        return refuse(message, Dx7Refusal::UnknownSysEx);
    if (m.channel != receiveChannel) return refuse(message, Dx7Refusal::WrongChannel);
    switch (m.kind) {
    case Dx7Kind::ParameterChange:
        return parameterChange(message, m);
    case Dx7Kind::FunctionParameter:
        return functionChange(message, m);
    case Dx7Kind::VoiceDump:
        return voiceDump(message, m);
    case Dx7Kind::BulkDump:
        return bankDump(message, m);
    case Dx7Kind::DumpRequest:
        return dumpRequest(message, m);
    case Dx7Kind::OtherDump:
        if (laterModel()) return familyDump(message);
        return refuse(message, Dx7Refusal::UnknownSysEx);
    default:
        return refuse(message, Dx7Refusal::UnknownSysEx);
    }
}

// The instrument looks at its switches as a dump begins: MEMORY PROTECT
// INTERNAL first (single and bulk dumps alike), then SYS INFO.
bool VirtualDx7::switchesTakeDump(std::span<const Byte> message) {
    const bool taken = !memoryProtect && sysInfoAvail;
    if (!taken) refuse(message, memoryProtect ? Dx7Refusal::MemoryProtected : Dx7Refusal::SysInfoUnavailable);
    return taken;
}

// The frame is whole (F7 at the end, no status inside), so a fault left is
// one of length or checksum.
void VirtualDx7::voiceDump(std::span<const Byte> message, const Dx7Message &m) {
    if (!switchesTakeDump(message)) return;
    if (m.fault == Dx7Fault::CutShort || m.fault == Dx7Fault::TooLong)
        return refuse(message, Dx7Refusal::VoiceLength);
    if (m.byteCount != static_cast<int>(kParamCount)) return refuse(message, Dx7Refusal::VoiceHeader);
    if (m.fault == Dx7Fault::Checksum) return refuse(message, Dx7Refusal::VoiceChecksum);
    accept(message);
    ++voiceDumps_;
    std::copy(message.begin(), message.end(), edit_.begin());
    edit_[kSlotSize - 1] = 0;
    sendVoiceEvent();
}

void VirtualDx7::bankDump(std::span<const Byte> message, const Dx7Message &m) {
    if (!switchesTakeDump(message)) return;
    if (m.fault == Dx7Fault::CutShort || m.fault == Dx7Fault::TooLong)
        return refuse(message, Dx7Refusal::BankLength);
    if (m.byteCount != static_cast<int>(kPackedBankSize)) return refuse(message, Dx7Refusal::BankHeader);
    if (m.fault == Dx7Fault::Checksum) return refuse(message, Dx7Refusal::BankChecksum);
    accept(message);
    ++bankDumps_;
    // The edit buffer keeps what it holds until the next program change, so
    // nothing sounds different yet. A later model keeps its AMEM as it was:
    // what a DX7 II does to the additional voices when a VMEM comes alone is
    // not known (family data sheet, 4 and 7.8).
    setInternalVoices(std::span<const Byte, kPackedBankSize>(m.data.data(), kPackedBankSize));
}

void VirtualDx7::parameterChange(std::span<const Byte> message, const Dx7Message &m) {
    if (!m.good()) return refuse(message, Dx7Refusal::ParameterLength);
    // Memory protect is not asked: a change goes to the edit buffer.
    if (!sysInfoAvail) return refuse(message, Dx7Refusal::SysInfoUnavailable);
    if (m.group != 0) return refuse(message, Dx7Refusal::ParameterGroup);
    if (m.number > kOperatorSwitchParam) return refuse(message, Dx7Refusal::ParameterNumber);
    const int max = m.number == kOperatorSwitchParam ? kOperatorSwitchMax : ParamMax(m.number);
    if (m.value > max) return refuse(message, Dx7Refusal::ParameterValue);
    accept(message);
    ++parameterChanges_;
    Dx7Event e;
    e.value = static_cast<Byte>(m.value);
    if (m.number == kOperatorSwitchParam) {
        opSwitches_ = e.value;
        e.kind = Dx7Event::Kind::OperatorSwitches;
        return sendEvent(e);
    }
    edit_[ParamPos(m.number)] = e.value;
    edit_[kChecksumPos] = VoiceChecksum(edit_);
    e.kind = Dx7Event::Kind::ParameterChanged;
    e.parameter = m.number;
    sendEvent(e);
}

// The function settings; the panel's button messages of the same group
// are not taken.
void VirtualDx7::functionChange(std::span<const Byte> message, const Dx7Message &m) {
    if (!m.good()) return refuse(message, Dx7Refusal::ParameterLength);
    if (!sysInfoAvail) return refuse(message, Dx7Refusal::SysInfoUnavailable);
    if (!IsFunctionParam(m.number)) return refuse(message, Dx7Refusal::ParameterGroup);
    if (!function_.set(m.number, m.value)) return refuse(message, Dx7Refusal::ParameterValue);
    accept(message);
    ++parameterChanges_;
    Dx7Event e;
    e.kind = Dx7Event::Kind::FunctionChanged;
    e.parameter = m.number;
    e.value = static_cast<Byte>(m.value);
    sendEvent(e);
}

void VirtualDx7::dumpRequest(std::span<const Byte> message, const Dx7Message &m) {
    constexpr int kVoiceFormat = 0, kBankFormat = 9;
    if (!m.good() || (m.format != kVoiceFormat && m.format != kBankFormat)) {
        if (laterModel()) return familyRequest(message);
        return refuse(message, Dx7Refusal::UnknownSysEx);
    }
    accept(message);
    std::vector<Byte> dump;
    if (m.format == kBankFormat)
        dump = bulkDump();
    else {
        const VoiceDump voice = BuildVoiceDump(edit_);
        dump.assign(voice.begin(), voice.end());
    }
    stampDevice(dump);
    reply(std::move(dump));
}

void VirtualDx7::stampDevice(std::vector<Byte> &dump) const {
    constexpr std::size_t kStatusPos = 2;
    if (laterModel())
        dump[kStatusPos] = static_cast<Byte>((dump[kStatusPos] & 0xF0) | (receiveChannel & 0x0F));
}

// The switches are asked as for a VMEM, the Mk I's way: the sheet names no
// DX7 II switches (1.7, 7.11), and a TX802 is reported to have an internal
// memory protect. The edit buffers' blocks are asked alike, as a voice dump is.
void VirtualDx7::familyDump(std::span<const Byte> message) {
    const FamilyMemory::Taken verdict = family_.judge(model, message);
    if (verdict == FamilyMemory::Taken::NotThisModel) return refuse(message, Dx7Refusal::UnknownSysEx);
    if (!switchesTakeDump(message)) return;
    if (verdict == FamilyMemory::Taken::Damaged) return refuse(message, Dx7Refusal::FamilyDamaged);
    family_.take(model, message);
    accept(message);
    ++familyDumps_;
}

// What the instrument does with a request for data it does not hold (an
// AMEM or a universal block it never took) the sheet does not say: it is
// dropped, and logged as not held.
void VirtualDx7::familyRequest(std::span<const Byte> message) {
    bool known = false;
    auto answer = family_.answer(model, message, receiveChannel, known);
    if (!known) return refuse(message, Dx7Refusal::UnknownSysEx);
    if (!answer) return refuse(message, Dx7Refusal::NotHeld);
    accept(message);
    reply(std::move(*answer));
}

// A later model's ACED edit buffer stays as it is: the AMEM's packing is not
// known, so the selected voice's additional data cannot be unpacked from it.
void VirtualDx7::selectProgram(int program) {
    selected_ = program;
    edit_ = internal_[static_cast<std::size_t>(program)];
    sendVoiceEvent();
    if (!sysInfoAvail) return;
    if (faults.dropDump.applies(program)) {
        faults.dropDump.spent = true;
        return;
    }
    const VoiceDump built = BuildVoiceDump(internal_[static_cast<std::size_t>(program)]);
    std::vector<Byte> dump(built.begin(), built.end());
    stampDevice(dump);
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
