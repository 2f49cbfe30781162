#pragma once
// The scripted instrument of the receive tests: answers program change n
// (0..31) with the single-voice dump of its voice n + 1, with faults that
// can be scripted for the answers of a chosen voice.

#include "midi/midi_output.h"
#include "test_support.h"
#include "voice/bank_format.h"
#include "voice/dx7_messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>

namespace vox::test {

// A recognisable voice for slot n: name "BANK nn", parameters derived from n.
inline Slot MakeBankVoice(int n) {
    Slot slot{};
    for (int p = 0; p < 145; ++p)
        slot[ParamPos(p)] = static_cast<Byte>((p * 3 + n) % 32);
    char name[11];
    std::snprintf(name, sizeof name, "BANK %02d   ", n);
    for (std::size_t i = 0; i < kNameLength; ++i)
        slot[kNamePos + i] = static_cast<Byte>(name[i]);
    // Each value cut to its width, as an instrument's packed memory holds it.
    UnpackVoice(PackVoice(slot), slot);
    const auto dump = BuildVoiceDump(slot);
    std::copy(dump.begin(), dump.end(), slot.begin());
    return slot;
}

// With attach(f) the answer comes at once, inside the send; with
// attach(f, true) it reaches the program `wireSeconds` after the request on
// the fake clock, in the order asked (as MIDI keeps it), in a pass of the
// message loop. Each voice's answers can be scripted one by one; the sets
// script one answer each; unscripted answers are good.
struct ScriptedDx7 {
    enum class Answer { Good, Lost, Broken, Foreign, BadChecksum, Late };
    std::array<Slot, 33> bank{};              // index = voice number 1..32
    std::map<int, std::deque<Answer>> script; // voice number -> its next answers
    std::set<int> brokenOnce;                 // voice numbers answered once with a wrong first byte
    std::set<int> foreignOnce;                // ... once with another maker's header
    std::set<int> badChecksumOnce;
    std::set<int> lostOnce; // voice numbers whose first answer never comes
    bool silent = false;
    int channel = 1; // it takes program changes on this channel only
    // A TX7 or DX7 II: F0 43 2n 09 F7 brings the bank as one bulk dump, on
    // the wire as long as its 4104 bytes take at 0.32 ms a byte.
    bool answersBankRequest = false;
    bool bankChecksumWrong = false;
    int bankRequests = 0;
    // A later model: what it answers to the requests for its additional
    // voices (F0 43 2n 06 F7), its additional voice edit buffer (05) and a
    // universal block (7E and the ten name bytes), each sent as it stands.
    std::vector<Byte> amem, aced;
    std::map<std::string, std::vector<Byte>> blocks;
    std::vector<std::vector<Byte>> laterModelRequests;
    // A bulk dump sent to it is written into its memory, unless MEMORY
    // PROTECT INTERNAL is on; `damagedOnTheWay` (a voice number) arrives
    // with one data byte changed.
    bool memoryProtect = false;
    int damagedOnTheWay = 0;
    double wireSeconds = 0.02;
    double lateSeconds = 1.3;    // how long after its request a late answer comes
    std::vector<int> requests;   // program numbers asked for, in order
    std::vector<double> askedAt; // clock time of each request
    std::vector<double> answeredAt;
    std::function<void(int)> onRequest;

    struct InFlight {
        double due;
        std::vector<Byte> bytes;
    };
    std::deque<InFlight> wire;

    ScriptedDx7() {
        for (int n = 1; n <= 32; ++n)
            bank[static_cast<std::size_t>(n)] = MakeBankVoice(n);
    }

    Answer next(int voice) {
        if (auto it = script.find(voice); it != script.end() && !it->second.empty()) {
            const Answer a = it->second.front();
            it->second.pop_front();
            return a;
        }
        if (lostOnce.erase(voice)) return Answer::Lost;
        if (brokenOnce.erase(voice)) return Answer::Broken;
        if (foreignOnce.erase(voice)) return Answer::Foreign;
        if (badChecksumOnce.erase(voice)) return Answer::BadChecksum;
        return Answer::Good;
    }

    void attach(ProgramFixture &f, bool onTheWire = false) {
        f.out.onSend = [this, &f, onTheWire](std::span<const Byte> m) {
            if (m.size() == 5 && m[0] == 0xF0 && m[1] == 0x43 && (m[2] & 0xF0) == 0x20 && m[3] == 0x09) {
                ++bankRequests;
                if (answersBankRequest) send(f, onTheWire, bulkDump(), 4104 * 0.00032);
                return;
            }
            if (m.size() >= 5 && m[0] == 0xF0 && m[1] == 0x43 && (m[2] & 0xF0) == 0x20 &&
                (m[3] == 0x05 || m[3] == 0x06 || m[3] == 0x7E)) {
                laterModelRequests.emplace_back(m.begin(), m.end());
                const std::vector<Byte> *answer = m[3] == 0x06 ? &amem : m[3] == 0x05 ? &aced : nullptr;
                if (m[3] == 0x7E && m.size() == 15)
                    if (auto it = blocks.find(std::string(m.begin() + 4, m.begin() + 14)); it != blocks.end())
                        answer = &it->second;
                if (answer && !answer->empty()) send(f, onTheWire, *answer, answer->size() * 0.00032);
                return;
            }
            if (m.size() == 4104 && m[0] == 0xF0 && m[1] == 0x43 && m[2] == 0x00 && m[3] == 0x09) {
                if (!memoryProtect) take(m.subspan(6, 4096));
                return;
            }
            if (m.size() != 3 || m[0] != (kProgramChange | (channel - 1)) || m[1] > 31) return;
            const int voice = m[1] + 1;
            requests.push_back(m[1]);
            askedAt.push_back(f.host.clock);
            if (onRequest) onRequest(m[1]);
            if (silent) return;
            const Answer answer = next(voice);
            if (answer == Answer::Lost) return;
            std::vector<Byte> dump(bank[static_cast<std::size_t>(voice)].begin(),
                                   bank[static_cast<std::size_t>(voice)].begin() + kImageSize);
            if (answer == Answer::Broken) dump[0] = 0x00;
            if (answer == Answer::Foreign) dump[1] = 0x41;
            if (answer == Answer::BadChecksum) dump[kChecksumPos] = (dump[kChecksumPos] + 1) & 0x7F;
            send(f, onTheWire, std::move(dump), answer == Answer::Late ? lateSeconds - wireSeconds : 0);
        };
        if (!onTheWire) return;
        f.host.onProcessEvents = [this, &f] {
            deliver(f);
            f.program.pumpMidiInput();
        };
    }
    void take(std::span<const Byte> packed) {
        for (int n = 1; n <= 32; ++n) {
            PackedVoice voice{};
            std::copy_n(packed.begin() + (n - 1) * 128, 128, voice.begin());
            if (n == damagedOnTheWay) voice[0] ^= 0x01;
            Slot &slot = bank[static_cast<std::size_t>(n)];
            UnpackVoice(voice, slot);
            const auto dump = BuildVoiceDump(slot);
            std::copy(dump.begin(), dump.end(), slot.begin());
        }
    }
    std::vector<Byte> bulkDump() const {
        VoiceTable table;
        std::copy(bank.begin(), bank.end(), table.all.begin());
        const BulkMessage m = BuildBulkMessage(table);
        std::vector<Byte> bytes(m.begin(), m.end());
        if (bankChecksumWrong) bytes[bytes.size() - 2] ^= 0x01;
        return bytes;
    }
    void send(ProgramFixture &f, bool onTheWire, std::vector<Byte> bytes, double extraSeconds) {
        if (!onTheWire) return f.in.receive(bytes);
        double due = f.host.clock + wireSeconds + extraSeconds;
        if (!wire.empty()) due = std::max(due, wire.back().due); // one cable, one order
        wire.push_back(InFlight{due, std::move(bytes)});
    }
    // The answers due by now reach the program's input.
    void deliver(ProgramFixture &f) {
        while (!wire.empty() && wire.front().due <= f.host.clock) {
            f.in.receive(wire.front().bytes);
            answeredAt.push_back(f.host.clock);
            wire.pop_front();
        }
    }
};

// What the user sees and holds, compared whole before and after a receive
// that did not complete.
struct UserView {
    VoiceTable table;
    std::array<std::string, 33> slotText;
    std::vector<std::string> list3;
    int list3Selected = -1;
    std::string text2;
    Slot editBuffer{};
    int currentSlot = 0;

    static UserView Of(ProgramFixture &f) {
        UserView v{f.ws.voiceTable(),
                   {},
                   f.program.form1.list3().items,
                   f.program.form1.list3Selected(),
                   f.program.form1.text2(),
                   f.ws.editBuffer(),
                   f.ws.currentSlot()};
        for (int n = 0; n <= 32; ++n)
            v.slotText[static_cast<std::size_t>(n)] = f.ws.slotText(n);
        return v;
    }
    void expectSame(const UserView &before) const {
        for (std::size_t n = 0; n < table.all.size(); ++n)
            EXPECT_EQ(table.all[n], before.table.all[n]) << "slot " << n;
        for (std::size_t n = 0; n < slotText.size(); ++n)
            EXPECT_EQ(slotText[n], before.slotText[n]) << "SlotText " << n;
        EXPECT_EQ(list3, before.list3);
        EXPECT_EQ(list3Selected, before.list3Selected);
        EXPECT_EQ(text2, before.text2);
        EXPECT_EQ(editBuffer, before.editBuffer);
        EXPECT_EQ(currentSlot, before.currentSlot);
    }
};

// A bank unlike the instrument's ("BANK 41".."BANK 72") as after a file
// load, and voice 7 in the edit area, edited since it was taken.
inline void LoadOtherBankAndEditVoice7(ProgramFixture &f) {
    SeedBank(f.ws, [](int n) { return MakeBankVoice(n + 40); });
    f.program.form1.list3Select(6);
    f.program.form1.command11Click();
    Slot edited = f.ws.editBuffer();
    edited[ParamPos(0)] ^= 0x05;
    f.ws.restoreEditBuffer(edited);
}

// Two upper-case hex digits a byte, written independently of the program.
inline std::string Hex(std::span<const Byte> bytes) {
    std::string s;
    char two[3];
    for (Byte b : bytes) {
        std::snprintf(two, sizeof two, "%02X", b);
        s += two;
    }
    return s;
}

} // namespace vox::test
