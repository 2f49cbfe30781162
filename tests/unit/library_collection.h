#pragma once
// A small voice collection whose answers the library tests know: two bank
// files in a scratch folder, built from the initial voice.

#include "../common/test_files.h"
#include "voice/dx7_messages.h"
#include "voice/init_voice.h"
#include "voice/voice_layout.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

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
