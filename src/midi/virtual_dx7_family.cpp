#include "midi/virtual_dx7_family.h"

#include "voice/family_data.h"
#include "voice/voice.h"

#include <algorithm>

namespace vox {
namespace {

constexpr std::size_t kStatusPos = 2; // 0n, 2n: the device number's nibble
constexpr std::size_t kFormatPos = 3;
constexpr std::size_t kNameSize = 10;
constexpr std::size_t kRequestSize = 5;                          // F0 43 2n ff F7
constexpr std::size_t kUniversalRequestSize = 4 + kNameSize + 1; // F0 43 2n 7E, the name, F7
constexpr Byte kAcedFormat = 0x05, kAmemFormat = 0x06, kUniversalFormat = 0x7E;
constexpr const char *kAcedKey = "ACED";
constexpr const char *kAmemKey = "AMEM";
constexpr const char *kMicroTuningMemory = "LM  MCRYM"; // then the memory number, 0 or 1

// The universal blocks each model holds in its own memory or edit
// buffers. The cartridge blocks (MCRYC, FKSYC) go to a cartridge, and the
// model has none. The TX802's performances carry its own names; whether it
// takes the DX7 II's is not known, nor the name of its system set-up, so it
// takes neither.
constexpr const char *kDx7iiBlocks[] = {"LM  8973PE", "LM  8973PM", "LM  8973S ",
                                        "LM  MCRYE ", "LM  MCRYM",  "LM  FKSYE "};
constexpr const char *kTx802Blocks[] = {"LM  8952PE", "LM  8952PM", "LM  MCRYE ", "LM  MCRYM", "LM  FKSYE "};

// The ten name bytes as this model keys them, or "" for a block it does
// not hold. A micro tuning memory's number is a binary 00 or 01, and some
// senders write it as ASCII "0" or "1": both name the same memory.
std::string BlockKey(InstrumentModel model, std::string key) {
    if (key.size() != kNameSize) return {};
    if (key.starts_with(kMicroTuningMemory)) {
        char &memory = key.back();
        if (memory == '0' || memory == '1') memory = static_cast<char>(memory - '0');
        if (memory != 0 && memory != 1) return {};
    }
    const auto known = [&](const char *block) { return key.starts_with(block); };
    const bool held = model == InstrumentModel::Tx802
                          ? std::any_of(std::begin(kTx802Blocks), std::end(kTx802Blocks), known)
                          : std::any_of(std::begin(kDx7iiBlocks), std::end(kDx7iiBlocks), known);
    return held ? key : std::string{};
}

// ACED byte positions of the candidate table (family data sheet 2.2).
namespace aced {
constexpr std::size_t KeyMode = 15, BendRange = 16, BendStep = 17, PortaMode = 20, PortaStep = 21,
                      PortaTime = 22, BreathPitchBias = 33, AftertouchPitchBias = 37;
} // namespace aced
constexpr Byte kPitchBiasCentre = 50; // of 0..100

// Each Mk I controller and the ACED bytes of its pitch, amplitude and EG
// bias depths, which follow one another.
struct Controller {
    FunctionParam range, assign;
    std::size_t firstDepth;
};
constexpr Controller kControllers[] = {
    {FunctionParam::WheelRange, FunctionParam::WheelAssign, 23},
    {FunctionParam::FootRange, FunctionParam::FootAssign, 26},
    {FunctionParam::BreathRange, FunctionParam::BreathAssign, 30},
    {FunctionParam::AftertouchRange, FunctionParam::AftertouchAssign, 34},
};
constexpr int kAssignBits = 3; // bit 0 pitch, bit 1 amplitude, bit 2 EG bias

std::vector<Byte> AcedMessage(const std::array<Byte, kAcedSize> &data) {
    std::vector<Byte> m{kSysExStart, kYamahaId, 0x00, kAcedFormat, 0x00, static_cast<Byte>(kAcedSize)};
    m.insert(m.end(), data.begin(), data.end());
    m.push_back(ChecksumOf(data));
    m.push_back(kSysExEnd);
    return m;
}

} // namespace

// The sheet's recommendation (5.2): zero for what the Mk I lacks (scaling
// modes, pitch EG by velocity, random pitch, pitch bend mode, pitch EG rate
// scaling, foot controller 2, MIDI IN control, unison detune, CS1), the
// pitch biases centred, the rest copied from the function settings. What it
// leaves open is chosen here: the AMS left to the VCED's own (0), the pitch
// EG range and LFO key trigger 0, and the foot controller's volume 0, the
// Mk I's foot volume having no counterpart.
std::array<Byte, kAcedSize> NeutralAced(const FunctionSettings &function) {
    std::array<Byte, kAcedSize> d{};
    const auto copy = [&](std::size_t pos, FunctionParam p) { d[pos] = static_cast<Byte>(function.get(p)); };
    copy(aced::KeyMode, FunctionParam::PolyMono);
    copy(aced::BendRange, FunctionParam::BendRange);
    copy(aced::BendStep, FunctionParam::BendStep);
    copy(aced::PortaMode, FunctionParam::PortaMode);
    copy(aced::PortaStep, FunctionParam::Glissando);
    copy(aced::PortaTime, FunctionParam::PortaTime);
    for (const Controller &c : kControllers)
        for (int bit = 0; bit < kAssignBits; ++bit)
            if (function.get(c.assign) & (1 << bit))
                d[c.firstDepth + static_cast<std::size_t>(bit)] = static_cast<Byte>(function.get(c.range));
    d[aced::BreathPitchBias] = kPitchBiasCentre;
    d[aced::AftertouchPitchBias] = kPitchBiasCentre;
    return d;
}

// The AMEM's 35-byte packing is not known (sheet 2.3, 7.2), so no neutral
// AMEM can be built from the neutral values without inventing one: until an
// AMEM is taken there is none, and a request for it is not answered. Nor is
// one for a universal block not yet taken, whose inner layout is not known
// either.
FamilyMemory::FamilyMemory(const FunctionSettings &function) {
    blocks_[kAcedKey] = AcedMessage(NeutralAced(function));
}

std::string FamilyMemory::keyOf(InstrumentModel model, std::span<const Byte> message, Taken &verdict) {
    const auto m = ReadFamilyMessage(message);
    verdict = Taken::Damaged; // a byte count that runs past the F7, a name cut short
    if (!m) return {};
    std::string key;
    if (message[kFormatPos] == kAcedFormat)
        key = kAcedKey;
    else if (message[kFormatPos] == kAmemFormat)
        key = kAmemKey;
    else
        key = BlockKey(model, m->name);
    // Each block the model holds is sent once, not as a cartridge's repeats.
    verdict = key.empty() ? Taken::NotThisModel : !m->good() || m->groups != 1 ? Taken::Damaged : Taken::Yes;
    return key;
}

FamilyMemory::Taken FamilyMemory::judge(InstrumentModel model, std::span<const Byte> message) const {
    Taken verdict;
    keyOf(model, message, verdict);
    return verdict;
}

FamilyMemory::Taken FamilyMemory::take(InstrumentModel model, std::span<const Byte> message) {
    Taken verdict;
    const std::string key = keyOf(model, message, verdict);
    if (verdict == Taken::Yes) blocks_[key].assign(message.begin(), message.end());
    return verdict;
}

std::optional<std::vector<Byte>> FamilyMemory::answer(InstrumentModel model, std::span<const Byte> request,
                                                      int deviceNumber, bool &known) const {
    known = false;
    std::string key;
    const Byte format = request.size() > kFormatPos ? request[kFormatPos] : Byte{0};
    if (request.size() == kRequestSize && format == kAcedFormat)
        key = kAcedKey;
    else if (request.size() == kRequestSize && format == kAmemFormat)
        key = kAmemKey;
    else if (request.size() == kUniversalRequestSize && format == kUniversalFormat)
        key = BlockKey(model, std::string(request.begin() + kFormatPos + 1,
                                          request.begin() + kFormatPos + 1 + kNameSize));
    if (key.empty()) return std::nullopt;
    known = true;
    const std::vector<Byte> *block = held(key);
    if (block == nullptr) return std::nullopt;
    // The device number is not summed: the checksum stands as it came.
    std::vector<Byte> reply = *block;
    reply[kStatusPos] = static_cast<Byte>(deviceNumber & 0x0F);
    return reply;
}

const std::vector<Byte> *FamilyMemory::held(const std::string &key) const {
    const auto it = blocks_.find(key);
    return it == blocks_.end() ? nullptr : &it->second;
}

} // namespace vox
