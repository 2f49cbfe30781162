#pragma once
// A small voice collection whose answers the library tests know: two bank
// files in a scratch folder, built from the initial voice.

#include "../common/test_files.h"
#include "voice/dx7_messages.h"
#include "voice/init_voice.h"
#include "voice/voice_layout.h"
#include "voice/voice_supplement.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vox::test {

// A voice of the collection: the initial voice with its name, algorithm,
// feedback and one output level of its own (so each sounds different).
inline Slot CollectionVoice(const std::string &name, int algorithm, int feedback, int level) {
    Slot slot = InitialVoice();
    slot[ParamPos(param::Algorithm)] = static_cast<Byte>(algorithm - 1);
    slot[ParamPos(param::Feedback)] = static_cast<Byte>(feedback);
    slot[ParamPos(OpParamNumber(2, OpParam::OutputLevel))] = static_cast<Byte>(level);
    for (std::size_t i = 0; i < kNameLength; ++i)
        slot[kNamePos + i] = static_cast<Byte>(i < name.size() ? name[i] : ' ');
    const Byte header[6] = {0xF0, 0x43, 0x00, 0x00, 0x01, 0x1B};
    std::copy(std::begin(header), std::end(header), slot.begin());
    return slot;
}

inline std::string Padded(const std::string &name) {
    return name + std::string(kNameLength - name.size(), ' ');
}

inline void WriteBank(const std::filesystem::path &file, const VoiceTable &table) {
    const BulkMessage message = BuildBulkMessage(table);
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char *>(message.data()), static_cast<std::streamsize>(message.size()));
    if (!out) throw std::runtime_error("cannot write the test bank " + file.string());
}

inline void WriteFileBytes(const std::filesystem::path &file, const std::vector<Byte> &bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write the test file " + file.string());
}

// The checksum of the facts (dx7ii-data-facts.md 1.3): the low seven bits
// of the two's complement of the counted bytes' sum.
inline Byte SevenBitChecksum(const std::vector<Byte> &counted) {
    unsigned sum = 0;
    for (Byte b : counted)
        sum += b;
    return static_cast<Byte>((0u - sum) & 0x7F);
}

// A dump of the maker's: F0 43 00, the format, the byte count as two
// seven-bit bytes, the counted bytes, their checksum, F7.
inline std::vector<Byte> Framed(Byte format, const std::vector<Byte> &counted) {
    std::vector<Byte> m(counted.size() + 8);
    m[0] = 0xF0;
    m[1] = 0x43;
    m[2] = 0x00;
    m[3] = format;
    m[4] = static_cast<Byte>(counted.size() >> 7);
    m[5] = static_cast<Byte>(counted.size() & 0x7F);
    std::copy(counted.begin(), counted.end(), m.begin() + 6);
    m[m.size() - 2] = SevenBitChecksum(counted);
    m.back() = 0xF7;
    return m;
}

// The additional data of a bank as the later models send it: F0 43 00 06
// 08 60, 1120 data bytes (32 records of 35), the checksum, F7. Data byte i
// is (7 i + seed) & 7Fh, so banks of other seeds carry other records.
inline std::vector<Byte> AmemMessage(int seed) {
    std::vector<Byte> data;
    for (int i = 0; i < 1120; ++i)
        data.push_back(static_cast<Byte>((7 * i + seed) & 0x7F));
    return Framed(0x06, data);
}

// Voice v's record (0-based) in an AMEM message: the 35 bytes at its place.
inline Supplement RecordIn(const std::vector<Byte> &amem, std::size_t v) {
    Supplement r{};
    std::copy_n(amem.begin() + static_cast<std::ptrdiff_t>(6 + 35 * v), 35, r.begin());
    return r;
}

// A universal block of the later models: F0 43 00 7E, the byte count of
// the ten name bytes and the payload, "LM  " and the six-byte name, the
// payload (bytes (i + seed) & 7Fh), the checksum over name and payload, F7.
inline std::vector<Byte> UniversalBlock(const std::string &name, std::size_t payload, int seed = 0) {
    std::vector<Byte> counted;
    for (const char c : "LM  " + name)
        counted.push_back(static_cast<Byte>(c));
    for (std::size_t i = 0; i < payload; ++i)
        counted.push_back(static_cast<Byte>((i + static_cast<std::size_t>(seed)) & 0x7F));
    return Framed(0x7E, counted);
}

inline std::vector<Byte> BankMessage(const VoiceTable &table) {
    const BulkMessage message = BuildBulkMessage(table);
    return {message.begin(), message.end()};
}

// A DX7 II bank file: the AMEM before or after the bulk dump.
inline void WriteBankWithAmem(const std::filesystem::path &file, const VoiceTable &table,
                              const std::vector<Byte> &amem, bool amemFirst = true) {
    std::vector<Byte> bytes = amemFirst ? amem : BankMessage(table);
    const std::vector<Byte> second = amemFirst ? BankMessage(table) : amem;
    bytes.insert(bytes.end(), second.begin(), second.end());
    WriteFileBytes(file, bytes);
}

inline bool SameParams(const Slot &a, const Slot &b) {
    return std::equal(a.begin() + kParamBase, a.begin() + kParamBase + kParamCount, b.begin() + kParamBase);
}

// Two banks. A: voice n has algorithm n, feedback n % 8, names "E.PIANO 1",
// "BRASS 1", "brass 2", then "VOICE A03".."VOICE A31". B: every voice
// algorithm 5, feedback n % 8, names "VOICE B01".."VOICE B32", except voice
// 1 "HORNS", which sounds as A's "BRASS 1" does. Beside it a program folder
// whose category rules put BRASS 1, brass 2 and HORNS in brass, E.PIANO 1 in
// electric piano and the rest in other.
inline constexpr const char *kCollectionRules = "# the collection's categories\n"
                                                "brass: starts BRASS\n"
                                                "brass: word HORNS\n"
                                                "electric piano: contains E.PIANO\n";
inline void WriteText(const std::filesystem::path &file, const std::string &text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write the test file " + file.string());
}

struct Collection {
    ScratchFolder folder{"libwin-collection"};
    ScratchFolder programFolder{"libwin-program"};
    VoiceTable a{}, b{};

    Collection() {
        for (int n = 1; n <= 32; ++n) {
            char name[16];
            std::snprintf(name, sizeof name, "VOICE A%02d", n - 1);
            const std::string nameA = n == 1 ? "E.PIANO 1" : n == 2 ? "BRASS 1" : n == 3 ? "brass 2" : name;
            a[static_cast<std::size_t>(n)] = CollectionVoice(nameA, n, n % 8, n);
            std::snprintf(name, sizeof name, "VOICE B%02d", n);
            b[static_cast<std::size_t>(n)] = CollectionVoice(name, 5, n % 8, 40 + n);
        }
        b[1] = CollectionVoice("HORNS", 2, 2 % 8, 2);
        WriteBank(folder / "bank-a.syx", a);
        WriteBank(folder / "bank-b.syx", b);
        WriteText(programFolder / "categories.txt", kCollectionRules);
    }
};

} // namespace vox::test
