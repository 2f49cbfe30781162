#pragma once
// What the later models (DX7 II, DX7s, TX802) keep beside the 32 voices:
// the additional voice edit buffer (ACED), the 32 additional voices (AMEM)
// and the named universal blocks (performances, system set-up, micro
// tunings, fractional scaling). Their inner tables are not published where
// they could be checked, so each is kept as the whole message it came in,
// byte for byte, and sent back as it came.

#include "voice/family_data.h" // InstrumentModel
#include "voice/function_settings.h"
#include "voice/voice_layout.h"

#include <array>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vox {

inline constexpr std::size_t kAcedSize = 49; // data bytes of an ACED dump

// The neutral additional voice data for a Mk I voice, in the ACED's 49
// bytes: what makes the voice play as the Mk I with these function settings
// plays it. The byte positions are the candidate table of the family data
// sheet, which is not verified against Yamaha's page.
std::array<Byte, kAcedSize> NeutralAced(const FunctionSettings &function);

class FamilyMemory {
public:
    enum class Taken { Yes, NotThisModel, Damaged };

    // At power-on: the ACED edit buffer neutral for `function`, no AMEM and
    // no universal block (see the .cpp for why).
    explicit FamilyMemory(const FunctionSettings &function);

    // One whole dump of format 05, 06 or 7E, on the device number, for a
    // DX7 II or a TX802: whether the model would keep it.
    Taken judge(InstrumentModel model, std::span<const Byte> message) const;
    // Keeps it when judge() says Yes; returns what judge() says.
    Taken take(InstrumentModel model, std::span<const Byte> message);

    // The message answering a dump request of format 05, 06 or 7E, sent
    // with `deviceNumber` (0 to 15) in its status nibble. nullopt when the
    // data is not held; `known` false when the request is none of this
    // model's.
    std::optional<std::vector<Byte>> answer(InstrumentModel model, std::span<const Byte> request,
                                            int deviceNumber, bool &known) const;

    // The held message of "ACED", "AMEM" or a universal block's ten name
    // bytes (a micro tuning memory under "LM  MCRYM" and byte 00 or 01).
    const std::vector<Byte> *held(const std::string &key) const;

private:
    static std::string keyOf(InstrumentModel model, std::span<const Byte> message, Taken &verdict);
    std::map<std::string, std::vector<Byte>> blocks_;
};

} // namespace vox
