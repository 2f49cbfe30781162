// The virtual DX7 as a DX7 II or a TX802: the additional voices and the
// universal blocks taken, kept and sent back byte for byte. Frames, byte
// counts, names, the checksum rule and the neutral additional data are the
// family data sheet's (tests/data/facts/dx7ii-data-facts.md, 1.1-1.3, 1.6,
// 2.2, 3.5, 5.2); every message here is built from them.
#include "family_messages.h"
#include "midi/virtual_dx7.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vox {
namespace {

using Bytes = std::vector<Byte>;
using Model = InstrumentModel;

using test::FamilyDump;
using test::SheetChecksum;
Bytes Dump(int format, const std::string &name, std::size_t payload, int seed = 0, int device = 0) {
    return FamilyDump(format, name, payload, seed, device);
}
Bytes Aced(int seed = 0) { return Dump(0x05, "", 49, seed); }
Bytes Amem(int seed = 0) { return Dump(0x06, "", 1120, seed); }
Bytes Universal(const std::string &name, std::size_t payload) { return Dump(0x7E, name, payload); }
Bytes Request(int format, int device = 0) { return test::FamilyRequest(format, device); }
Bytes Request(const std::string &name) { return test::FamilyRequest(name); }

// GIVEN an instrument of a model whose replies are caught.
struct Instrument {
    VirtualDx7 dx7;
    std::vector<Bytes> replies;
    explicit Instrument(Model model) {
        dx7.model = model;
        dx7.setSink([this](Bytes bytes, double) { replies.push_back(std::move(bytes)); });
    }
    // The one reply to `request`, or empty.
    Bytes ask(const Bytes &request) {
        replies.clear();
        dx7.receive(request);
        return replies.size() == 1 ? replies[0] : Bytes{};
    }
};

TEST(VirtualDx7Family, AMkIRefusesTheLaterModelsDumpsAndRequestsAsUnknown) {
    for (const Bytes &message : {Aced(), Amem(), Universal("LM  8973PM", 1632), Universal("LM  8973S ", 85),
                                 Request(0x05), Request(0x06), Request("LM  8973PM")}) {
        for (const bool answers : {false, true}) {
            Instrument mk1(Model::Dx7);
            mk1.dx7.answersRequests = answers;
            EXPECT_TRUE(mk1.ask(message).empty());
            EXPECT_EQ(mk1.dx7.refusals(Dx7Refusal::UnknownSysEx), 1) << mk1.dx7.lastRefusal();
            EXPECT_EQ(mk1.dx7.familyDumpsLoaded(), 0);
        }
    }
}

TEST(VirtualDx7Family, ADumpTakenIsSentBackByteForByteOnRequest) {
    struct Case {
        const char *label;
        Model model;
        Bytes dump, request;
    };
    const std::string tuning1 = std::string("LM  MCRYM") + '\x01';
    const Case cases[] = {
        {"ACED", Model::Dx7ii, Aced(5), Request(0x05)},
        {"AMEM", Model::Dx7ii, Amem(3), Request(0x06)},
        {"PCED", Model::Dx7ii, Universal("LM  8973PE", 51), Request("LM  8973PE")},
        {"PMEM", Model::Dx7ii, Universal("LM  8973PM", 1632), Request("LM  8973PM")},
        {"system set-up", Model::Dx7ii, Universal("LM  8973S ", 85), Request("LM  8973S ")},
        {"micro tuning edit buffer", Model::Dx7ii, Universal("LM  MCRYE ", 256), Request("LM  MCRYE ")},
        {"micro tuning 1", Model::Dx7ii, Universal(tuning1, 256), Request(tuning1)},
        {"micro tuning 1 asked in ASCII", Model::Dx7ii, Universal(tuning1, 256), Request("LM  MCRYM1")},
        {"fractional scaling", Model::Dx7ii, Universal("LM  FKSYE ", 492), Request("LM  FKSYE ")},
        {"TX802 AMEM", Model::Tx802, Amem(9), Request(0x06)},
        // Its performance sizes are not known: any one count is taken.
        {"TX802 PMEM", Model::Tx802, Universal("LM  8952PM", 400), Request("LM  8952PM")},
        {"TX802 PCED", Model::Tx802, Universal("LM  8952PE", 232), Request("LM  8952PE")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        Instrument ii(c.model);
        ii.dx7.receive(c.dump);
        EXPECT_EQ(ii.dx7.refusals(), 0) << ii.dx7.lastRefusal();
        EXPECT_EQ(ii.dx7.familyDumpsLoaded(), 1);
        EXPECT_EQ(ii.ask(c.request), c.dump);
    }
}

// The TX802's performances carry its own names (sheet 3.5), the cartridge
// blocks need a cartridge, and there are two micro tuning memories.
TEST(VirtualDx7Family, BlocksOfAnotherModelOrMemoryAreRefusedAsUnknown) {
    struct Case {
        Model model;
        Bytes message;
    };
    for (const Case &c :
         {Case{Model::Dx7ii, Universal("LM  8952PM", 400)}, Case{Model::Tx802, Universal("LM  8973PM", 1632)},
          Case{Model::Tx802, Universal("LM  8973S ", 85)}, Case{Model::Dx7ii, Universal("LM  MCRYC ", 256)},
          Case{Model::Dx7ii, Universal(std::string("LM  MCRYM") + '\x02', 256)},
          Case{Model::Dx7ii, Request("LM  8952PM")}, Case{Model::Dx7ii, Request(0x7E)}}) {
        Instrument ii(c.model);
        EXPECT_TRUE(ii.ask(c.message).empty());
        EXPECT_EQ(ii.dx7.refusals(Dx7Refusal::UnknownSysEx), 1) << ii.dx7.lastRefusal();
    }
}

TEST(VirtualDx7Family, ADamagedDumpIsRefusedAndTheHeldDataStays) {
    Bytes badSum = Amem(7);
    badSum[100] ^= 0x01;
    Bytes countShort = Amem(7);
    countShort.erase(countShort.begin() + 200); // 1119 bytes under a count of 1120
    Bytes badPerformance = Universal("LM  8973PM", 1632);
    badPerformance[badPerformance.size() - 2] ^= 0x01;
    const Bytes performance = Universal("LM  8973PM", 1632);
    for (const Bytes &damaged :
         {badSum, countShort, Dump(0x06, "", 1000), Dump(0x05, "", 48), badPerformance}) {
        Instrument ii(Model::Dx7ii);
        const Bytes amem = Amem(1);
        ii.dx7.receive(amem);
        ii.dx7.receive(performance);
        ii.dx7.receive(damaged);
        EXPECT_EQ(ii.dx7.refusals(Dx7Refusal::FamilyDamaged), 1) << ii.dx7.lastRefusal();
        EXPECT_EQ(ii.ask(Request(0x06)), amem);
        EXPECT_EQ(ii.ask(Request("LM  8973PM")), performance);
    }
}

// At power-on the ACED holds the neutral values of sheet 5.2 at the places
// of 2.2, the function settings' items copied; the AMEM's packing is not
// known (2.3), so there is no AMEM until one is taken, nor any universal
// block.
TEST(VirtualDx7Family, AtPowerOnTheAcedIsNeutralAndNothingElseIsHeld) {
    Instrument ii(Model::Dx7ii);
    const FunctionSettings &f = ii.dx7.functionSettings();
    const Bytes aced = ii.ask(Request(0x05));
    ASSERT_EQ(aced.size(), 57u);
    EXPECT_EQ(Bytes(aced.begin(), aced.begin() + 6), (Bytes{0xF0, 0x43, 0x00, 0x05, 0x00, 0x31}));
    const Bytes data(aced.begin() + 6, aced.end() - 2);
    EXPECT_EQ(aced[55], SheetChecksum(data));
    EXPECT_EQ(aced[56], 0xF7);
    // Byte, and the value 5.2 gives it; the AMS (6-11), pitch EG range (12),
    // LFO key trigger (13) and foot volume (29) it leaves open.
    std::vector<std::pair<int, int>> expected = {{15, f.get(FunctionParam::PolyMono)},
                                                 {16, f.get(FunctionParam::BendRange)},
                                                 {17, f.get(FunctionParam::BendStep)},
                                                 {20, f.get(FunctionParam::PortaMode)},
                                                 {21, f.get(FunctionParam::Glissando)},
                                                 {22, f.get(FunctionParam::PortaTime)},
                                                 {33, 50},
                                                 {37, 50}};
    for (const int zero : {0, 1, 2, 3, 4, 5, 14, 18, 19, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48})
        expected.push_back({zero, 0});
    // A controller's range goes to the depths whose assign bit is set (bit 0
    // pitch, 1 amplitude, 2 EG bias), which stand in that order.
    struct Controller {
        FunctionParam range, assign;
        int first;
    };
    for (const Controller &c :
         {Controller{FunctionParam::WheelRange, FunctionParam::WheelAssign, 23},
          Controller{FunctionParam::FootRange, FunctionParam::FootAssign, 26},
          Controller{FunctionParam::BreathRange, FunctionParam::BreathAssign, 30},
          Controller{FunctionParam::AftertouchRange, FunctionParam::AftertouchAssign, 34}})
        for (int bit = 0; bit < 3; ++bit)
            expected.push_back({c.first + bit, (f.get(c.assign) >> bit & 1) ? f.get(c.range) : 0});
    for (const auto &[byte, value] : expected)
        EXPECT_EQ(data[static_cast<std::size_t>(byte)], value) << "ACED byte " << byte;

    for (const Bytes &request : {Request(0x06), Request("LM  8973PM"), Request("LM  8973S ")}) {
        EXPECT_TRUE(ii.ask(request).empty());
    }
    EXPECT_EQ(ii.dx7.refusals(Dx7Refusal::NotHeld), 3);
}

// What a DX7 II does to its AMEM when a VMEM comes alone is not known
// (sheet 4): the model keeps it.
TEST(VirtualDx7Family, ABankDumpLeavesTheAmemAsItWas) {
    Instrument ii(Model::Dx7ii);
    const Bytes amem = Amem(2);
    ii.dx7.receive(amem);
    ii.dx7.receive(VirtualDx7().bulkDump());
    EXPECT_EQ(ii.dx7.bankDumpsLoaded(), 1);
    EXPECT_EQ(ii.ask(Request(0x06)), amem);
}

TEST(VirtualDx7Family, TheSwitchesRefuseADumpAsTheyDoABank) {
    struct Case {
        bool protect, avail;
        Dx7Refusal reason;
    };
    for (const Case &c : {Case{true, true, Dx7Refusal::MemoryProtected},
                          Case{false, false, Dx7Refusal::SysInfoUnavailable}}) {
        for (const Bytes &dump : {Amem(), Universal("LM  8973PM", 1632)}) {
            Instrument ii(Model::Dx7ii);
            ii.dx7.memoryProtect = c.protect;
            ii.dx7.sysInfoAvail = c.avail;
            ii.dx7.receive(dump);
            EXPECT_EQ(ii.dx7.refusals(c.reason), 1) << ii.dx7.lastRefusal();
            EXPECT_EQ(ii.dx7.familyDumpsLoaded(), 0);
        }
    }
}

// The later models send with their device number (sheet 1.7, 4); the Mk I
// answers with nibble 0 whatever its channel.
TEST(VirtualDx7Family, DumpsGoOutWithTheDeviceNumberOfALaterModel) {
    struct Case {
        Model model;
        Bytes dump, request;
        Byte status;
    };
    for (const Case &c :
         {Case{Model::Dx7ii, Dump(0x06, "", 1120, 4, 2), Request(0x06, 2), 0x02},
          Case{Model::Dx7ii, {}, Request(0x09, 2), 0x02}, Case{Model::Dx7, {}, Request(0x09, 2), 0x00}}) {
        Instrument ii(c.model);
        ii.dx7.receiveChannel = 2;
        ii.dx7.answersRequests = true;
        if (!c.dump.empty()) ii.dx7.receive(c.dump);
        const Bytes reply = ii.ask(c.request);
        ASSERT_FALSE(reply.empty()) << ii.dx7.lastRefusal();
        EXPECT_EQ(reply[2], c.status);
        if (!c.dump.empty()) {
            EXPECT_EQ(reply, c.dump);
        }
    }
}

} // namespace
} // namespace vox
