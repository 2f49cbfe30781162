// voxmere-dx7sim over real JACK ports, driven by a client of the test's own.
#include "e2e_support.h"

#include "voice/bank_format.h"
#include "voice/init_voice.h"

namespace vox::e2e {
namespace {

// 32 initial voices as one bulk dump.
BulkMessage InitBank() {
    VoiceTable table;
    for (std::size_t s = 1; s <= kBankSlots; ++s)
        table[s] = InitialVoice();
    return BuildBulkMessage(table);
}

Byte DumpChecksum(const Bytes &dump) {
    return ChecksumOf(std::span<const Byte>(dump).subspan(kParamBase, kParamCount));
}

// GIVEN the sim started with `options`, its memory written at exit, and
// a client of the test's own on its ports.
class Dx7SimOverJack : public OverJack {
protected:
    void startSim(std::vector<std::string> options) {
        options.insert(options.begin(), {"--dump-bank", (dir / "bank.syx").string()});
        ASSERT_NO_FATAL_FAILURE(OverJack::startSim(options));
        client = std::make_unique<JackClient>();
        ASSERT_TRUE(client->connect("voxmere-dx7sim in", "voxmere-dx7sim out"));
    }
    std::unique_ptr<JackClient> client; // made once the server is up
};

TEST_F(Dx7SimOverJack, ProgramChangeIsAnsweredWithTheDumpOfThatVoice) {
    ASSERT_NO_FATAL_FAILURE(startSim({}));
    client->send({0xC0, 0x05});
    const auto dump = client->next(5s);
    ASSERT_TRUE(dump);
    ASSERT_EQ(dump->size(), kImageSize);
    EXPECT_EQ(Bytes(dump->begin(), dump->begin() + 6), Bytes(kVoiceHeader.begin(), kVoiceHeader.end()));
    EXPECT_EQ((*dump)[kChecksumPos], DumpChecksum(*dump));
    EXPECT_EQ(std::string(dump->begin() + kNamePos, dump->begin() + kNamePos + kNameLength), "VOX  6    ");
    EXPECT_EQ(stopSim(), 0);
}

// An instrument set to channel 2 that answers requests, as a TX7 does:
// what is addressed to channel 1 goes unanswered, a bank request on its
// channel brings the 32 voices with channel nibble 0.
TEST_F(Dx7SimOverJack, OnItsChannelItAnswersTheBankRequestAndIgnoresTheRest) {
    ASSERT_NO_FATAL_FAILURE(startSim({"--channel", "2", "--answers-requests"}));
    const Bytes ignored[] = {{0xC0, 0x05}, {0xF0, 0x43, 0x20, 0x09, 0xF7}},
                request{0xF0, 0x43, 0x21, 0x09, 0xF7};
    std::optional<Bytes> dump;
    // (asked again should the first message meet a connection still settling)
    for (int i = 0; i < 5 && !dump; ++i) {
        for (const Bytes &m : ignored)
            client->send(m);
        client->send(request);
        dump = client->next(1s);
    }
    ASSERT_TRUE(dump);
    ASSERT_EQ(dump->size(), kBulkMessageSize);
    EXPECT_EQ((*dump)[2], 0x00);
    ASSERT_EQ(stopSim(), 0);
    for (const auto &line : log()) {
        const bool addressedElsewhere = line.bytes == ignored[0] || line.bytes == ignored[1];
        EXPECT_EQ(line.refused, addressedElsewhere) << line.direction << " " << line.bytes.size();
        if (line.direction == "OUT") {
            EXPECT_EQ(line.bytes.size(), kBulkMessageSize);
        }
    }
}

TEST_F(Dx7SimOverJack, LogShowsTheMessageInAndTheReplyOut) {
    ASSERT_NO_FATAL_FAILURE(startSim({}));
    client->send({0xC0, 0x00});
    ASSERT_TRUE(client->next(5s));
    ASSERT_EQ(stopSim(), 0);
    const auto lines = log();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].direction, "IN");
    EXPECT_EQ(lines[0].bytes, (Bytes{0xC0, 0x00}));
    EXPECT_EQ(lines[1].direction, "OUT");
    EXPECT_EQ(lines[1].bytes.size(), kImageSize);
    EXPECT_LE(lines[0].seconds, lines[1].seconds);
}

TEST_F(Dx7SimOverJack, BulkDumpOverwritesTheMemoryWrittenAtExit) {
    ASSERT_NO_FATAL_FAILURE(startSim({}));
    const BulkMessage bank = InitBank();
    client->send(Bytes(bank.begin(), bank.end()));
    // The sim answers the next program change with the new voice, so the
    // bank has been taken when the answer comes.
    client->send({0xC0, 0x1F});
    const auto dump = client->next(5s);
    ASSERT_TRUE(dump);
    EXPECT_EQ(std::string(dump->begin() + kNamePos, dump->begin() + kNamePos + kNameLength), "INIT VOICE");
    ASSERT_EQ(stopSim(), 0);
    EXPECT_EQ(ReadBytes(dir / "bank.syx"), Bytes(bank.begin(), bank.end()));
    for (const auto &line : log())
        EXPECT_FALSE(line.refused);
}

TEST_F(Dx7SimOverJack, BankFileIsWhatTheSimStartsFrom) {
    const std::string rom = std::string(VOXMERE_TESTDATA) + "/rom1a.syx";
    ASSERT_NO_FATAL_FAILURE(startSim({"--bank", rom}));
    client->send({0xC0, 0x03});
    const auto dump = client->next(5s);
    ASSERT_TRUE(dump);
    EXPECT_EQ(std::string(dump->begin() + kNamePos, dump->begin() + kNamePos + kNameLength), "STRINGS 1 ");
    ASSERT_EQ(stopSim(), 0);
    EXPECT_EQ(ReadBytes(dir / "bank.syx"), ReadBytes(rom));
}

TEST_F(Dx7SimOverJack, CorruptChecksumSwitchSpoilsTheAnswerOfThatProgramOnly) {
    ASSERT_NO_FATAL_FAILURE(startSim({"--corrupt-checksum", "2"}));
    client->send({0xC0, 0x02});
    const auto bad = client->next(5s);
    client->send({0xC0, 0x01});
    const auto good = client->next(5s);
    ASSERT_TRUE(bad && good);
    EXPECT_NE((*bad)[kChecksumPos], DumpChecksum(*bad));
    EXPECT_EQ((*good)[kChecksumPos], DumpChecksum(*good));
}

TEST_F(Dx7SimOverJack, BreakFirstByteSwitchSendsTheDumpWithoutItsF0) {
    ASSERT_NO_FATAL_FAILURE(startSim({"--break-first-byte-once", "9"}));
    client->send({0xC0, 0x09});
    const auto broken = client->next(5s);
    client->send({0xC0, 0x09});
    const auto whole = client->next(5s);
    ASSERT_TRUE(broken && whole);
    ASSERT_EQ(broken->size(), kImageSize);
    EXPECT_NE(broken->front(), 0xF0);
    EXPECT_EQ(Bytes(broken->begin() + 1, broken->end()), Bytes(whole->begin() + 1, whole->end()));
    EXPECT_EQ(whole->front(), 0xF0);
}

TEST_F(Dx7SimOverJack, DropOnceSwitchLosesOnlyTheFirstAnswer) {
    ASSERT_NO_FATAL_FAILURE(startSim({"--drop-dump-once", "4"}));
    client->send({0xC0, 0x04});
    EXPECT_FALSE(client->next(700ms));
    client->send({0xC0, 0x04});
    const auto dump = client->next(5s);
    ASSERT_TRUE(dump);
    EXPECT_EQ(std::string(dump->begin() + kNamePos, dump->begin() + kNamePos + kNameLength), "VOX  5    ");
}

TEST_F(Dx7SimOverJack, DelaySwitchHoldsTheReplyBack) {
    ASSERT_NO_FATAL_FAILURE(startSim({"--delay", "600"}));
    const auto sent = std::chrono::steady_clock::now();
    client->send({0xC0, 0x00});
    ASSERT_TRUE(client->next(5s));
    EXPECT_GE(std::chrono::steady_clock::now() - sent, 600ms);
}

TEST_F(Dx7SimOverJack, SysInfoOffSwitchLeavesProgramChangesUnanswered) {
    ASSERT_NO_FATAL_FAILURE(startSim({"--sys-info-off"}));
    // The sim's ports can be up a moment before it reads them: send until
    // it has taken one, so the silence below is its own.
    for (int i = 0; i < 10 && log().empty(); ++i) {
        client->send({0xC0, 0x00});
        WaitFor([&] { return !log().empty(); }, 500ms);
    }
    ASSERT_FALSE(log().empty()) << "the sim never took a program change";
    EXPECT_FALSE(client->next(700ms));
    ASSERT_EQ(stopSim(), 0);
    for (const auto &line : log())
        EXPECT_EQ(line.direction, "IN");
}

TEST_F(Dx7SimOverJack, MemoryProtectSwitchRefusesABulkDumpAndSaysSoInTheLog) {
    for (const char *name : {"--memory-protect", "--protect"}) {
        SCOPED_TRACE(name);
        ASSERT_NO_FATAL_FAILURE(startSim({name}));
        const BulkMessage bank = InitBank();
        client->send(Bytes(bank.begin(), bank.end()));
        client->send({0xC0, 0x00});
        const auto dump = client->next(5s);
        ASSERT_TRUE(dump);
        EXPECT_EQ(std::string(dump->begin() + kNamePos, dump->begin() + kNamePos + kNameLength),
                  "VOX  1    ");
        ASSERT_EQ(stopSim(), 0);
        const auto lines = log();
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(lines[0].refused);
        EXPECT_NE(ReadText(dir / "sim.log").find("MEMORY PROTECT"), std::string::npos);
    }
}

// --- Timing on the cable -----------------------------------------------------

// One byte on a 31,250-baud MIDI cable.
constexpr double kByteSeconds = 0.00032;

Bytes ParameterChange(int number, int value) {
    return {0xF0,
            0x43,
            0x10,
            static_cast<Byte>(number >> 7),
            static_cast<Byte>(number & 0x7F),
            static_cast<Byte>(value),
            0xF7};
}

TEST_F(Dx7SimOverJack, CableMakesEveryByteInAndOutTakeItsTime) {
    ASSERT_NO_FATAL_FAILURE(startSim({"--cable"}));
    const BulkMessage bank = InitBank();
    // WHEN a bulk dump and a program change go out back to back
    const auto sent = std::chrono::steady_clock::now();
    client->send(Bytes(bank.begin(), bank.end()));
    client->send({0xC0, 0x1F});
    const auto dump = client->next(10s);
    const auto took = std::chrono::steady_clock::now() - sent;
    // THEN the answer, of the new voice, comes only once all those bytes
    // have crossed the cable: 4104 + 2 in, 163 out.
    ASSERT_TRUE(dump);
    EXPECT_EQ(std::string(dump->begin() + kNamePos, dump->begin() + kNamePos + kNameLength), "INIT VOICE");
    const double cable = (kBulkMessageSize + 2 + kImageSize) * kByteSeconds;
    EXPECT_GE(std::chrono::duration<double>(took).count(), cable);
    EXPECT_LT(took, 6s);
    ASSERT_EQ(stopSim(), 0);
    // AND the log stamps each message when its last byte is in or out.
    const auto lines = log();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].bytes.size(), kBulkMessageSize);
    EXPECT_EQ(lines[1].bytes, (Bytes{0xC0, 0x1F}));
    EXPECT_EQ(lines[2].direction, "OUT");
    EXPECT_GE(lines[1].seconds - lines[0].seconds, 2 * kByteSeconds - 1e-4);
    EXPECT_GE(lines[2].seconds - lines[1].seconds, kImageSize * kByteSeconds - 1e-4);
}

TEST_F(Dx7SimOverJack, SendBankAfterTransmitsTheMemoryAsOneBulkDumpAndAgainOnSignal) {
    const std::string rom = std::string(VOXMERE_TESTDATA) + "/rom1a.syx";
    const Bytes memory = ReadBytes(rom);
    ASSERT_EQ(memory.size(), kBulkMessageSize);
    ASSERT_NO_FATAL_FAILURE(startSim({"--cable", "--bank", rom, "--send-bank-after", "0.3"}));
    // WHEN the time has come
    const auto first = client->next(5s);
    // THEN the whole memory arrives as one message: F0 43 00 09 20 00 ... F7
    ASSERT_TRUE(first);
    ASSERT_EQ(first->size(), kBulkMessageSize);
    EXPECT_EQ(Bytes(first->begin(), first->begin() + 6), (Bytes{0xF0, 0x43, 0x00, 0x09, 0x20, 0x00}));
    EXPECT_EQ(first->back(), 0xF7);
    EXPECT_EQ(*first, memory);
    // AND only once
    EXPECT_FALSE(client->next(500ms));
    // WHEN the sim is signalled, as MIDI TRANSMIT pressed again
    ASSERT_TRUE(sim.signal(SIGUSR1));
    const auto second = client->next(5s);
    ASSERT_TRUE(second);
    EXPECT_EQ(*second, memory);
    ASSERT_EQ(stopSim(), 0);
    const auto lines = log();
    ASSERT_EQ(lines.size(), 2u);
    for (const auto &line : lines) {
        EXPECT_EQ(line.direction, "OUT");
        EXPECT_EQ(line.bytes.size(), kBulkMessageSize);
    }
    // The first dump's last byte is out 1.31 s after its first left.
    EXPECT_GE(lines[0].seconds, 0.3 + kBulkMessageSize * kByteSeconds - 1e-3);
}

// The buffer takes bytes, not messages: what arrives while it is full is
// lost, and the instrument refuses what is left of a message cut short.
TEST_F(Dx7SimOverJack, InputLimitLosesTheBytesThatOverflowAndLogsThem) {
    ASSERT_NO_FATAL_FAILURE(startSim({"--input-limit", "32"}));
    // WHEN 20 parameter changes (140 bytes) arrive at once
    std::vector<Bytes> changes;
    for (int p = 0; p < 20; ++p) {
        changes.push_back(ParameterChange(p, 50));
        client->send(changes.back());
    }
    // AND, once the buffer has drained, a program change asks for the edit buffer's voice
    std::this_thread::sleep_for(300ms);
    client->send({0xC0, 0x00});
    ASSERT_TRUE(client->next(5s));
    ASSERT_EQ(stopSim(), 0);
    // THEN the first 32 bytes hold four whole changes, taken in order
    const auto lines = log();
    const auto taken = LinesOf(lines, "IN");
    ASSERT_GE(taken.size(), 5u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(taken[i].bytes, changes[i]) << i;
        EXPECT_FALSE(taken[i].refused) << i;
    }
    // AND bytes were lost, every byte is either taken or logged lost, and
    // what was taken whole is a change sent
    EXPECT_GT(BytesOf(lines, "DROP"), 0u);
    EXPECT_EQ(BytesOf(lines, "IN") + BytesOf(lines, "DROP"), 20u * 7 + 2);
    for (const auto &line : taken) {
        if (!line.refused && line.bytes.size() == 7) {
            EXPECT_NE(std::find(changes.begin(), changes.end(), line.bytes), changes.end());
        }
    }
    EXPECT_LT(std::count_if(taken.begin(), taken.end(), [](const LogLine &l) { return !l.refused; }), 21);
    EXPECT_NE(ReadText(dir / "sim.err").find(std::to_string(BytesOf(lines, "DROP")) + " bytes dropped"),
              std::string::npos);
}

// Cut into pieces, as RtMidi on JACK carries each as an event of its own, a
// message is put together again.
TEST_F(Dx7SimOverJack, AMessageInPiecesIsTakenWhole) {
    ASSERT_NO_FATAL_FAILURE(startSim({}));
    const BulkMessage bank = InitBank();
    const Bytes whole(bank.begin(), bank.end());
    // WHEN a bulk dump comes in pieces of 100 bytes, 10 ms apart
    for (std::size_t at = 0; at < whole.size(); at += 100) {
        client->send(Bytes(whole.begin() + static_cast<std::ptrdiff_t>(at),
                           whole.begin() + static_cast<std::ptrdiff_t>(std::min(at + 100, whole.size()))));
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(stopSim(), 0);
    // THEN the sim took one bulk dump, the whole of it
    const auto lines = log();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].bytes, whole);
    EXPECT_FALSE(lines[0].refused);
    EXPECT_EQ(ReadBytes(dir / "bank.syx"), whole);
}

TEST_F(Dx7SimOverJack, InputLimitTakesEverythingSentNoFasterThanTheCable) {
    ASSERT_NO_FATAL_FAILURE(startSim({"--input-limit", "32"}));
    // WHEN 20 parameter changes come 8 ms apart (each takes 2.24 ms on the cable)
    for (int p = 0; p < 20; ++p) {
        client->send(ParameterChange(p, 50));
        std::this_thread::sleep_for(8ms);
    }
    client->send({0xC0, 0x00});
    ASSERT_TRUE(client->next(5s));
    ASSERT_EQ(stopSim(), 0);
    // THEN all are taken, none dropped
    const auto lines = log();
    EXPECT_EQ(LinesOf(lines, "IN").size(), 21u);
    EXPECT_TRUE(LinesOf(lines, "DROP").empty());
}

TEST(Dx7SimProgram, RefusesABrokenBankFileNamingIt) {
    TempDir dir;
    Process sim;
    const std::string bad = std::string(VOXMERE_TESTDATA) + "/bad-checksum.syx";
    ASSERT_TRUE(sim.start({SimPath(), "--bank", bad}, dir / "out", dir / "err"));
    const auto code = sim.wait(10s);
    ASSERT_TRUE(code);
    EXPECT_EQ(*code, 2);
    EXPECT_NE(ReadText(dir / "err").find("bad-checksum.syx: bulk dump checksum wrong"), std::string::npos);
}

TEST(Dx7SimProgram, HelpSaysHowToConnect) {
    TempDir dir;
    Process sim;
    ASSERT_TRUE(sim.start({SimPath(), "--help"}, dir / "out", dir / "err"));
    ASSERT_EQ(sim.wait(10s), 0);
    const std::string help = ReadText(dir / "out");
    EXPECT_NE(help.find("voxmere --midi-api jack --midi-out dx7sim --midi-in dx7sim"), std::string::npos);
    EXPECT_NE(help.find("--drop-dump-once"), std::string::npos);
}

TEST(Dx7SimProgram, HelpSaysHowToTimeItAndTransmitTheBank) {
    TempDir dir;
    Process sim;
    ASSERT_TRUE(sim.start({SimPath(), "--help"}, dir / "out", dir / "err"));
    ASSERT_EQ(sim.wait(10s), 0);
    const std::string help = ReadText(dir / "out");
    for (const char *text :
         {"--cable", "--input-limit", "--send-bank-after", "kill -USR1", "DROP", "--protect"})
        EXPECT_NE(help.find(text), std::string::npos) << text;
}

} // namespace
} // namespace vox::e2e
