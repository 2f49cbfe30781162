#include "synth/dx7_sound.h"

#include "voice/bank_format.h"
#include "voice/dx7_messages.h"

#include <algorithm>

namespace vox {
namespace {

constexpr Byte kStatusMask = 0xF0;
constexpr Byte kChannelMask = 0x0F;
constexpr Byte kNoteOffStatus = 0x80;
constexpr Byte kNoteOnStatus = 0x90;
constexpr Byte kControlStatus = 0xB0;
constexpr Byte kProgramStatus = 0xC0;
constexpr Byte kAllSoundOff = 120;
constexpr Byte kAllNotesOff = 123;
constexpr int kLastProgram = static_cast<int>(kBankSlots) - 1;
constexpr int kOperatorSwitchParameter = 155;
constexpr int kOperatorSwitchMax = 0x3F;

bool DataBytesLow(std::span<const Byte> bytes) {
    return std::none_of(bytes.begin(), bytes.end(), [](Byte b) { return (b & 0x80) != 0; });
}

SynthCommand Note(SynthCommand::Kind kind, Byte note, Byte velocity) {
    SynthCommand c;
    c.kind = kind;
    c.note = note;
    c.velocity = velocity;
    return c;
}

} // namespace

void ApplySynthCommand(FmEngine &engine, const SynthCommand &command) {
    switch (command.kind) {
    case SynthCommand::Kind::NoteOn:
        // A note-on of velocity 0 is a note-off on the wire; keep it one here.
        if (command.velocity == 0)
            engine.noteOff(command.note);
        else
            engine.noteOn(command.note, command.velocity);
        return;
    case SynthCommand::Kind::NoteOff:
        engine.noteOff(command.note);
        return;
    case SynthCommand::Kind::AllNotesOff:
        engine.allNotesOff();
        return;
    case SynthCommand::Kind::SetVoice:
        engine.setVoice(command.voice);
        engine.setParameter(kOperatorSwitchParameter, command.operatorSwitches);
        return;
    case SynthCommand::Kind::SetParameter:
        engine.setParameter(command.parameter, command.value);
        return;
    }
}

Dx7Sound::Dx7Sound(CommandSink sink) : sink_(std::move(sink)) {}

void Dx7Sound::setInternalVoices(std::span<const Byte, kPackedBankSize> packed) {
    for (std::size_t v = 0; v < kBankSlots; ++v) {
        Slot slot{};
        UnpackVoice(
            std::span<const Byte, kPackedVoiceSize>(packed.subspan(v * kPackedVoiceSize, kPackedVoiceSize)),
            slot);
        std::copy_n(slot.begin() + kParamBase, kParamCount, internal_[v].begin());
    }
}

void Dx7Sound::setEditBuffer(std::span<const Byte, kParamCount> params) {
    std::copy(params.begin(), params.end(), edit_.begin());
    sendVoice();
}

void Dx7Sound::sendVoice() {
    if (!sink_) return;
    SynthCommand c;
    c.kind = SynthCommand::Kind::SetVoice;
    c.voice = edit_;
    c.operatorSwitches = switches_;
    sink_(c);
}

void Dx7Sound::send(const SynthCommand &command) {
    if (sink_) sink_(command);
}

bool Dx7Sound::receive(std::span<const Byte> message) {
    if (message.empty()) return false;
    if (message[0] == kSysExStart) return sysEx(message);
    return channelMessage(message);
}

bool Dx7Sound::channelMessage(std::span<const Byte> message) {
    const Byte status = message[0];
    if ((status & 0x80) == 0 || (status & kChannelMask) != 0) return false;
    if (!DataBytesLow(message.subspan(1))) return false;
    const Byte kind = status & kStatusMask;
    const std::size_t length = kind == kProgramStatus ? 2 : 3;
    if (message.size() != length) return false;
    switch (kind) {
    case kNoteOnStatus:
        send(Note(message[2] == 0 ? SynthCommand::Kind::NoteOff : SynthCommand::Kind::NoteOn, message[1],
                  message[2]));
        return true;
    case kNoteOffStatus:
        send(Note(SynthCommand::Kind::NoteOff, message[1], 0));
        return true;
    case kControlStatus:
        if (message[1] != kAllNotesOff && message[1] != kAllSoundOff) return false;
        send(Note(SynthCommand::Kind::AllNotesOff, 0, 0));
        return true;
    case kProgramStatus:
        if (message[1] > kLastProgram) return false;
        // The instrument copies the internal voice into its edit buffer.
        edit_ = internal_[message[1]];
        sendVoice();
        return true;
    default:
        return false;
    }
}

bool Dx7Sound::sysEx(std::span<const Byte> message) {
    if (message.size() < 4 || message.back() != kSysExEnd || message[1] != kYamahaId) return false;
    if (!DataBytesLow(message.subspan(1, message.size() - 2))) return false;
    if (message[2] == kParameterChangeSubStatus) return parameterChange(message);
    if (message.size() == kImageSize && std::equal(kVoiceHeader.begin(), kVoiceHeader.end(), message.begin()))
        return voiceDump(message);
    if (message.size() == kBulkMessageSize &&
        std::equal(kBankHeader.begin(), kBankHeader.end(), message.begin()))
        return bankDump(message);
    return false;
}

bool Dx7Sound::voiceDump(std::span<const Byte> message) {
    const auto params = message.subspan(kParamBase, kParamCount);
    if (ChecksumOf(params) != message[kChecksumPos]) return false;
    std::copy(params.begin(), params.end(), edit_.begin());
    sendVoice();
    return true;
}

bool Dx7Sound::bankDump(std::span<const Byte> message) {
    const BulkDump dump = ReadBulkDump(message);
    if (dump.status != BulkDumpStatus::Good || dump.packed.size() != kPackedBankSize) return false;
    // The edit buffer keeps its voice until the next program change.
    setInternalVoices(std::span<const Byte, kPackedBankSize>(dump.packed.data(), kPackedBankSize));
    return true;
}

bool Dx7Sound::parameterChange(std::span<const Byte> message) {
    if (message.size() != kParameterChangeSize) return false;
    // Byte 3 is 0gggggpp: group 0 holds the voice parameters; pp are the
    // number's top two bits.
    if ((message[3] >> 2) != 0) return false;
    const int number = (message[3] & 0x03) * 128 + message[4];
    const int value = message[5];
    if (number > kOperatorSwitchParameter) return false;
    if (value > (number == kOperatorSwitchParameter ? kOperatorSwitchMax : ParamMax(number))) return false;
    if (number == kOperatorSwitchParameter)
        switches_ = static_cast<Byte>(value);
    else
        edit_[static_cast<std::size_t>(number)] = static_cast<Byte>(value);
    SynthCommand c;
    c.kind = SynthCommand::Kind::SetParameter;
    c.parameter = static_cast<Byte>(number);
    c.value = static_cast<Byte>(value);
    send(c);
    return true;
}

} // namespace vox
