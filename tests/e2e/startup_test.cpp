// The program started on real JACK ports against the sim: the start-up
// sequence must select program 0 and send the initial voice, and nothing
// the instrument would refuse.
#include "e2e_support.h"

#include "voice/voice.h"

namespace vox::e2e {
namespace {

constexpr std::size_t kInitFileSize = 161; // header and 155 parameters

using StartupOverJack = OverJack;

TEST_F(StartupOverJack, SendsProgramChange0ThenTheInitialVoiceDumpAndNothingInvalid) {
    ASSERT_NO_FATAL_FAILURE(startSim({}));

    const auto program = ProgramDir() / "voxmere";
    ASSERT_TRUE(std::filesystem::exists(program)) << program;
    const Bytes init = ReadBytes(ProgramDir() / "INITdata.v01");
    ASSERT_EQ(init.size(), kInitFileSize);

    Process voxmere;
    std::vector<std::string> env = jackEnv();
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("VOXMERE_AUTO_ANSWER=1");
    ASSERT_TRUE(
        voxmere.start({program.string(), "--midi-api", "jack", "--midi-out", "dx7sim", "--midi-in", "dx7sim"},
                      dir / "voxmere.out", dir / "voxmere.err", env));

    // WHEN the program has started: the sim has seen the dump (20 s at most).
    auto dumpSeen = [&] {
        for (const auto &line : log())
            if (line.direction == "IN" && line.bytes.size() == kImageSize) return true;
        return false;
    };
    const bool seen = WaitFor(dumpSeen, 20s);
    const bool stillRunning = voxmere.running();
    const auto code = voxmere.stop(5s);
    sim.stop(5s);
    ASSERT_TRUE(seen) << "sim log:\n" << simLog() << "\nvoxmere stderr:\n" << ReadText(dir / "voxmere.err");
    EXPECT_TRUE(stillRunning) << ReadText(dir / "voxmere.err");
    EXPECT_EQ(code, 0) << "SIGTERM ends the program cleanly";

    // THEN program change 0 came first, then the 163-byte dump of
    // INITdata.v01 with its checksum, and nothing was refused.
    const auto lines = log();
    std::vector<Bytes> received;
    for (const auto &line : lines) {
        EXPECT_FALSE(line.refused) << simLog();
        if (line.direction == "IN") received.push_back(line.bytes);
    }
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(received[0], (Bytes{0xC0, 0x00}));
    const Bytes &dump = received[1];
    ASSERT_EQ(dump.size(), kImageSize);
    EXPECT_EQ(Bytes(dump.begin(), dump.begin() + kInitFileSize), init);
    EXPECT_EQ(dump[kChecksumPos], ChecksumOf(std::span<const Byte>(dump).subspan(kParamBase, kParamCount)));
    EXPECT_EQ(dump[kEndPos], 0xF7);
    // The start-up guide was answered (and shown on stderr by the auto answer).
    EXPECT_NE(ReadText(dir / "voxmere.err").find("BOX:"), std::string::npos);
    EXPECT_EQ(ReadText(dir / "voxmere.err").find("MIDI out デバイスオープンに失敗しました"),
              std::string::npos);
}

} // namespace
} // namespace vox::e2e
