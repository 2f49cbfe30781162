#pragma once
// Helpers for the file tests: a program in its own temporary folder, byte
// files, and a snapshot of everything a refused load must leave alone.

#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vox::test {

inline std::vector<Byte> ReadBytes(const std::filesystem::path &file) { return ReadFileContents(file); }

inline void WriteBytes(const std::filesystem::path &file, const std::vector<Byte> &bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::filesystem::path TestData(const std::string &name) {
    return std::filesystem::path(VOXMERE_TESTDATA) / name;
}

// A distinct voice for slot n: header, parameters within their ranges
// that differ by slot, the name "VOICE nn  " and marks at the checksum
// and end positions.
inline Slot DistinctVoice(int n) {
    Slot slot{};
    const Byte header[6] = {0xF0, 0x43, static_cast<Byte>(n % 16), 0x00, 0x01, 0x1B};
    for (std::size_t i = 0; i < 6; ++i)
        slot[i] = header[i];
    for (int p = 0; p < param::Name1; ++p)
        slot[ParamPos(p)] = static_cast<Byte>((n * 7 + p * 3) % (ParamMax(p) + 1));
    const std::string name = "VOICE " + std::string(n < 10 ? "0" : "") + std::to_string(n) + "  ";
    for (std::size_t i = 0; i < kNameLength; ++i)
        slot[kNamePos + i] = static_cast<Byte>(name[i]);
    slot[kChecksumPos] = 0x11;
    slot[kEndPos] = 0x22;
    return slot;
}

// What a refused load must not change.
struct MemorySnapshot {
    VoiceTable table;
    Slot editBuffer;
    std::int16_t currentSlot;
    std::array<std::string, 33> slotText;
    std::vector<std::string> list1, list2, list3, list4;
    std::string text2;

    explicit MemorySnapshot(const Program &p)
        : table(p.workspace.voiceTable()), editBuffer(p.workspace.editBuffer()),
          currentSlot(static_cast<std::int16_t>(p.workspace.currentSlot())), list1(p.form1.list1.items),
          list2(p.form1.list2.items), list3(p.form1.list3().items), list4(p.form1.list4.items),
          text2(p.form1.text2()) {
        for (int n = 0; n <= 32; ++n)
            slotText[static_cast<std::size_t>(n)] = p.workspace.slotText(n);
    }

    bool operator==(const MemorySnapshot &o) const {
        return table.all == o.table.all && editBuffer == o.editBuffer && currentSlot == o.currentSlot &&
               slotText == o.slotText && list1 == o.list1 && list2 == o.list2 && list3 == o.list3 &&
               list4 == o.list4 && text2 == o.text2;
    }
};

// A program whose folder is a fresh temporary folder with 32voice and
// 1voice in it, and a main window that already holds a bank, an
// edit-area voice and some receive-monitor entries.
class FileFixture : public ::testing::Test {
protected:
    FileFixture() {
        std::filesystem::create_directories(folder / "32voice");
        std::filesystem::create_directories(folder / "1voice");
        f.state.programFolder = folder;
        f.out.open();
    }
    Program &program() { return f.program; }
    std::filesystem::path bankFolder() const { return folder / "32voice"; }
    std::filesystem::path voiceFolder() const { return folder / "1voice"; }

    // Slots 1..32 distinct, the SOUND LIST built from them, slot 7 in the
    // edit area, a line in each monitor list.
    void fillMemory() {
        SeedBank(f.ws, DistinctVoice);
        f.ws.placeVoice(DistinctVoice(0));
        SeedEditArea(f.ws, 7, DistinctVoice(40));
        f.ws.markEditAreaStored(); // saved to a file: nothing unwritten
        f.program.form1.list1.add("F0 43 ...");
        f.program.form1.list2.add("90 40 64");
        f.program.form1.list4.add("163");
    }

    ScratchFolder scratch{"files"};
    std::filesystem::path folder = scratch.path();
    ProgramFixture f;
};

} // namespace vox::test
