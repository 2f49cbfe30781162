#pragma once
// The System Exclusive data of the instrument's later models (DX7 II,
// DX7s, TX802): the voice supplements and the named universal blocks. They
// are known by frame, format, byte count, name and checksum and kept whole;
// their inner fields are not read, since their tables are not published
// where they could be checked.

#include "voice/voice_layout.h"
#include "voice/voice_scan.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vox {

// Which instrument the program talks to, or the virtual DX7 is. Values are
// stable: settings and the sim's option keep them.
enum class InstrumentModel : int { Dx7 = 0, Dx7ii = 1, Tx802 = 2 };

// "dx7", "dx7ii", "tx802"; nullopt for any other name.
std::optional<InstrumentModel> InstrumentModelFromName(std::string_view name);
const char *InstrumentModelName(InstrumentModel model);

// A kind of message by its format (05, 06) or its universal name (7E).
struct FamilyKind {
    const char *shortName; // "AMEM", "PMEM", "MCRYE" …
    const char *what;      // in words, for reports
    int format;            // byte 3
    const char *name;      // the ten name bytes of a universal block; nullptr for 05 and 06
    int byteCount;         // what bytes 4 and 5 declare
};

struct FamilyMessage {
    const FamilyKind *kind = nullptr; // nullptr: a universal block of a name not known
    std::string name;                 // a universal block's ten name bytes as sent
    std::size_t length = 0;           // bytes of the whole message, F0 to F7
    int byteCount = 0;                // as declared
    int groups = 1;                   // a cartridge block sent as repeats in one message
    bool countAsKnown = true;         // the declared byte count is the kind's
    bool checksumGood = true;         // every group's seven-bit checksum agrees

    bool good() const { return countAsKnown && checksumGood; }
    // "AMEM (packed 32 additional voices)", or the block's name.
    std::string describe() const;
};

// `message` holds one whole message, F0 to F7 (a cartridge block may repeat
// its count, name, data and checksum before the one F7). Anything that is
// not the maker's dump of format 05, 06 or 7E gives nothing.
std::optional<FamilyMessage> ReadFamilyMessage(std::span<const Byte> message);

// The model a universal block's name belongs to: "8973" the DX7 II's,
// "8952" the TX802's; nullopt for the others (micro tunings, fractional
// scalings) and for anything else.
std::optional<InstrumentModel> ModelOfBlockName(std::string_view name);

struct FamilyFound {
    std::size_t offset = 0;  // of its F0, bytes from the file's start
    std::vector<Byte> bytes; // the whole message, F0 to F7
    FamilyMessage message;
};

// Every message of the later models' data (formats 05, 06, 7E) the scan
// passed over, in file order, inside the events of a Standard MIDI File too.
std::vector<FamilyFound> FamilyMessagesIn(std::span<const Byte> bytes, const VoiceScan &scan);

} // namespace vox
