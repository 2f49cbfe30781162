// The instrument's own 32-voice bulk dump (MIDI TRANSMIT), sent whenever the
// user likes: read, offered, and taken into the SOUND LIST through the
// receive's staging table, or refused with the reason, or declined.
#include "help_page.h"
#include "librarian/form1.h"
#include "midi/bank_exchange.h"
#include "midi/message_names.h"
#include "midi/virtual_dx7.h"
#include "scripted_dx7.h"
#include "voice/bank_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace vox::test {
namespace {

using Lines = std::vector<std::string>;
using Bytes = std::vector<Byte>;

const std::string kQuestion =
    "DX7から32音色のバルクダンプを受信しました。この32音色を SOUND LIST に読込みますか？";
const std::string kUnsaved =
    "SOUND LIST に、ファイル保存もDX7への転送もしていない変更があります。読込むとその変更は失われます。";
const std::string kRefused = "DX7から受信したバルクダンプを SOUND LIST に読込めません。";
const std::string kUnchanged = "SOUND LIST は変更していません。";
const std::string kTitle = "DX7からの32音色";

// The dump as the instrument sends it, from the virtual DX7's own memory.
Bytes InstrumentDump(const VirtualDx7 &dx7) { return dx7.bulkDump(); }

Bytes WithChecksum(Bytes dump) {
    dump[kBulkChecksumPos] = ChecksumOf(std::span<const Byte>(dump).subspan(kBulkDataPos, kPackedBankSize));
    return dump;
}

// --- Reading the dump -----------------------------------------------------

TEST(ReadBulkDump, TheInstrumentsDumpIsGoodOnAnyChannelWithEitherByteCountAndAChecksumBit7) {
    // GIVEN the dump of the virtual DX7
    VirtualDx7 dx7;
    const Bytes dump = InstrumentDump(dx7);
    ASSERT_EQ(dump.size(), 4104u);
    // WHEN it is read as sent, on channel 16, and with byte count 10 00
    Bytes channel16 = dump;
    channel16[2] = 0x0F;
    Bytes count1000 = dump;
    count1000[4] = 0x10;
    Bytes checksumBit7 = dump; // its seven bits right
    checksumBit7[kBulkChecksumPos] |= 0x80;
    for (const Bytes &m : {dump, channel16, count1000, checksumBit7}) {
        const BulkDump read = ReadBulkDump(m);
        // THEN it is good and holds the 4096 data bytes
        EXPECT_EQ(read.status, BulkDumpStatus::Good);
        EXPECT_EQ(read.packed, Bytes(m.begin() + 6, m.begin() + 4102));
        EXPECT_TRUE(IsBankDumpCandidate(m));
    }
}

TEST(ReadBulkDump, AWrongChecksumIsReportedWithBothValuesAndTheDataKept) {
    VirtualDx7 dx7;
    Bytes dump = InstrumentDump(dx7);
    const Byte right = dump[kBulkChecksumPos];
    dump[kBulkChecksumPos] = static_cast<Byte>((right + 5) & 0x7F);
    const BulkDump read = ReadBulkDump(dump);
    EXPECT_EQ(read.status, BulkDumpStatus::BadChecksum);
    EXPECT_EQ(read.checksum, static_cast<Byte>((right + 5) & 0x7F));
    EXPECT_EQ(read.computed, right);
    EXPECT_EQ(read.packed.size(), 4096u);
}

TEST(ReadBulkDump, AFourOperatorBankIsNotADx7Bank) {
    // GIVEN a 32-voice bank of a four-operator instrument: same length and count, format 04
    VirtualDx7 dx7;
    Bytes dump = InstrumentDump(dx7);
    dump[3] = 0x04;
    EXPECT_TRUE(IsBankDumpCandidate(dump));
    const BulkDump read = ReadBulkDump(dump);
    EXPECT_EQ(read.status, BulkDumpStatus::NotDx7Bank);
    EXPECT_EQ(read.format, 0x04);
    EXPECT_TRUE(read.packed.empty());
}

TEST(ReadBulkDump, ADumpCutShortOrBrokenIntoIsCutOffWhereItEnds) {
    VirtualDx7 dx7;
    const Bytes dump = InstrumentDump(dx7);
    // Ended early by F7 after 2000 bytes.
    Bytes ended(dump.begin(), dump.begin() + 2000);
    ended.push_back(0xF7);
    BulkDump read = ReadBulkDump(ended);
    EXPECT_EQ(read.status, BulkDumpStatus::CutOff);
    EXPECT_EQ(read.cutAt, 2000u);
    // Stopped without an F7.
    read = ReadBulkDump(std::span<const Byte>(dump).first(3000));
    EXPECT_EQ(read.status, BulkDumpStatus::CutOff);
    EXPECT_EQ(read.cutAt, 3000u);
    // Another message's status byte inside the data.
    Bytes brokenInto = dump;
    brokenInto[1500] = 0x90;
    read = ReadBulkDump(brokenInto);
    EXPECT_EQ(read.status, BulkDumpStatus::CutOff);
    EXPECT_EQ(read.cutAt, 1500u);
    // The full length, but no F7 at its end.
    Bytes noEnd = dump;
    noEnd.back() = 0x00;
    EXPECT_EQ(ReadBulkDump(noEnd).status, BulkDumpStatus::CutOff);
}

TEST(ReadBulkDump, MoreBytesThanADumpAreTooLong) {
    VirtualDx7 dx7;
    Bytes dump = InstrumentDump(dx7);
    dump.insert(dump.end() - 1, 10, 0x00);
    const BulkDump read = ReadBulkDump(dump);
    EXPECT_EQ(read.status, BulkDumpStatus::TooLong);
    EXPECT_EQ(read.length, 4114u);
}

TEST(ReadBulkDump, SingleVoiceDumpsParameterChangesAndOtherMakersAreNoCandidates) {
    const Slot voice = MakeBankVoice(3);
    EXPECT_FALSE(IsBankDumpCandidate(std::span<const Byte>(voice.data(), kImageSize)));
    EXPECT_FALSE(IsBankDumpCandidate(Bytes{0xF0, 0x43, 0x10, 0x01, 0x10, 0x20, 0xF7}));
    Bytes roland(4104, 0x00);
    roland[0] = 0xF0;
    roland[1] = 0x41;
    roland[3] = 0x09;
    roland.back() = 0xF7;
    EXPECT_FALSE(IsBankDumpCandidate(roland));
    // A supplement of another size in another format (08 60 counts 1120 bytes).
    EXPECT_FALSE(IsBankDumpCandidate(Bytes{0xF0, 0x43, 0x00, 0x06, 0x08, 0x60, 0x00, 0xF7}));
}

// Dumps as they are found in the wild, each sent as one message.
struct DumpFile {
    const char *name;
    BulkDumpStatus status;
    std::size_t cutAt;
};

TEST(ReadBulkDump, DumpsFoundInTheWildAreJudgedByWhatTheyHold) {
    const DumpFile files[] = {
        {"rom1a.syx", BulkDumpStatus::Good, 0},
        {"bytecount-1000.syx", BulkDumpStatus::Good, 0},
        {"bad-checksum.syx", BulkDumpStatus::BadChecksum, 0},
        {"four-operator-bank-not-dx7.syx", BulkDumpStatus::NotDx7Bank, 0},
        {"truncated-4103.syx", BulkDumpStatus::CutOff, 4102},
        {"truncated-520.syx", BulkDumpStatus::CutOff, 520},
        {"bulk-cut-at-4096.syx", BulkDumpStatus::CutOff, 4096},
    };
    for (const DumpFile &file : files) {
        const Bytes bytes = ReadFileContents(std::filesystem::path(VOXMERE_TESTDATA) / file.name);
        ASSERT_FALSE(bytes.empty()) << file.name;
        EXPECT_TRUE(IsBankDumpCandidate(bytes)) << file.name;
        const BulkDump read = ReadBulkDump(bytes);
        EXPECT_EQ(read.status, file.status) << file.name;
        EXPECT_EQ(read.cutAt, file.cutAt) << file.name;
    }
}

// --- The input layer hands the whole message on ------------------------------

// THEN the MIDI monitor logs the whole dump and names it a good one, not
// the receive buffer's first 163 bytes as one cut short.
void ExpectMonitorShowsAGoodBulkDump(const MidiInEvent &event, const Bytes &dump) {
    MidiTraffic traffic;
    LogReceived(traffic, event);
    ASSERT_EQ(traffic.entries().size(), 1u);
    EXPECT_EQ(traffic.entries()[0].bytes, dump);
    EXPECT_EQ(MessageName(traffic.entries()[0].bytes), "32-voice bulk dump (checksum OK)");
}

TEST(WholeMessages, ABufferedBulkDumpKeepsItsBufferViewAndComesWhole) {
    // GIVEN an open, armed and started input
    TestInPort in;
    ASSERT_TRUE(in.open());
    ASSERT_TRUE(in.prepareBuffer() && in.addBuffer() && in.start());
    in.poll(); // opened
    VirtualDx7 dx7;
    const Bytes dump = InstrumentDump(dx7);
    // WHEN the bulk dump arrives
    in.receive(dump);
    const auto event = in.poll();
    // THEN the buffer holds its first 163 bytes and the event the whole
    ASSERT_TRUE(event);
    EXPECT_TRUE(event->buffered);
    EXPECT_EQ(event->bytes, Bytes(dump.begin(), dump.begin() + 163));
    EXPECT_EQ(event->whole, dump);
    ExpectMonitorShowsAGoodBulkDump(*event, dump);
}

TEST(WholeMessages, ABulkDumpWithoutAnArmedBufferStillComesButASingleDumpIsLost) {
    // GIVEN an input started with no buffer armed
    TestInPort in;
    ASSERT_TRUE(in.open());
    ASSERT_TRUE(in.start());
    in.poll(); // opened
    VirtualDx7 dx7;
    const Bytes dump = InstrumentDump(dx7);
    const Slot voice = MakeBankVoice(1);
    // WHEN a single-voice dump and then a bulk dump arrive
    in.receive(std::span<const Byte>(voice.data(), kImageSize));
    in.receive(dump);
    // THEN only the bulk dump comes, unbuffered, whole
    const auto event = in.poll();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->kind, MidiInEvent::Kind::LongData);
    EXPECT_FALSE(event->buffered);
    EXPECT_TRUE(event->bytes.empty());
    EXPECT_EQ(event->whole, dump);
    EXPECT_FALSE(in.poll());
    ExpectMonitorShowsAGoodBulkDump(*event, dump);
}

// --- The main window ------------------------------------------------------

struct BulkDumpOffer : ::testing::Test {
    ProgramFixture f;
    Form1 &form1 = f.program.form1;
    VirtualDx7 dx7;

    void SetUp() override {
        f.out.open();
        form1.startInputAtLoad();
        f.host.processEvents(); // "MIDIIN OPEN"
    }
    void arrive(const Bytes &message) {
        f.in.receive(message);
        f.host.processEvents();
    }
    // A bank in the list that is not the instrument's, as after a file load.
    void fillListWithOtherVoices() { SeedBank(f.ws, MakeBankVoice); }
    bool slotIsInstrumentVoice(int n) const {
        const Slot &s = f.ws.voiceTable()[static_cast<std::size_t>(n)];
        const Slot &v = dx7.internalVoice(n - 1);
        return std::equal(s.begin(), s.begin() + kImageSize, v.begin());
    }
    void expectInstrumentBank() const {
        for (int n = 1; n <= 32; ++n)
            EXPECT_TRUE(slotIsInstrumentVoice(n)) << "slot " << n;
        ASSERT_EQ(form1.list3().items.size(), 32u);
        for (int n = 1; n <= 32; ++n)
            EXPECT_EQ(form1.list3().items[static_cast<std::size_t>(n - 1)],
                      SoundListEntryText(n, dx7.internalVoice(n - 1)));
    }
};

TEST_F(BulkDumpOffer, AcceptedTheDumpFillsTheListAndBankWithItsVoicesByteForByte) {
    // GIVEN an empty list and an edit-area voice
    const Slot editBefore = f.ws.editBuffer();
    const std::string text2Before = form1.text2();
    f.host.answers = {MsgResult::Yes};
    // WHEN the instrument sends its bank and the user says yes
    arrive(InstrumentDump(dx7));
    // THEN one question, yes/no, with the plain wording
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, kQuestion);
    EXPECT_EQ(f.host.boxes[0].title, kTitle);
    EXPECT_EQ(f.host.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(f.host.boxes[0].icon, MsgIcon::Question);
    // AND the list and slots 1..32 hold the instrument's voices
    expectInstrumentBank();
    EXPECT_EQ(f.ws.slotText(1), SoundListEntryText(1, dx7.internalVoice(0)));
    // AND the new bank stands as stored; the edit area keeps its voice
    EXPECT_EQ(form1.bankMark(), "");
    EXPECT_EQ(f.ws.editBuffer(), editBefore);
    EXPECT_EQ(form1.text2(), text2Before);
    // AND the receive log keeps its 163-byte view of the message
    ASSERT_EQ(form1.list1.items.size(), 2u);
    const Bytes dump = InstrumentDump(dx7);
    EXPECT_EQ(form1.list1.items[1], " 0LongMsg 受信 : " + Hex(std::span<const Byte>(dump).first(163)));
    EXPECT_TRUE(f.out.sent.empty()); // nothing is sent in answer
}

TEST_F(BulkDumpOffer, AnAmemSentJustBeforeTheDumpGoesWithItsVoices) {
    const Bytes file = ReadFileContents(std::filesystem::path(VOXMERE_TESTDATA) / "supplement-then-bank.syx");
    const Bytes good(file.begin() + 7, file.begin() + 7 + 1128);
    Bytes damaged = good;
    damaged[6 + 3] ^= 0x01;
    const struct {
        const char *name;
        const Bytes *amem;
        double secondsBefore;
        const char *said; // in the question; nullptr: nothing of it
        bool taken;
    } cases[] = {
        {"sent with it", &good, 0.4, "追加データ（AMEM）も一緒に届いています。", true},
        {"damaged", &damaged, 0.4, "バイト数かチェックサムが違うため、読み込みません。", false},
        {"long before", &good, 10.0, nullptr, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        arrive(*c.amem);
        f.host.clock += c.secondsBefore;
        f.host.boxes.clear();
        f.host.answers = {MsgResult::Yes};
        arrive(InstrumentDump(dx7));
        ASSERT_EQ(f.host.boxes.size(), 1u);
        EXPECT_EQ(f.host.boxes[0].text.find("AMEM") != std::string::npos, c.said != nullptr);
        if (c.said) {
            EXPECT_NE(f.host.boxes[0].text.find(c.said), std::string::npos) << f.host.boxes[0].text;
        }
        expectInstrumentBank();
        for (std::size_t v = 0; v < kBankSlots; ++v) {
            const auto &record = f.ws.supplement(static_cast<int>(v + 1));
            ASSERT_EQ(record.has_value(), c.taken);
            if (record) {
                EXPECT_TRUE(std::equal(record->begin(), record->end(), good.begin() + 6 + 35 * v));
            }
        }
    }
}

TEST_F(BulkDumpOffer, AcceptedOnAnotherChannelAndWithByteCount1000) {
    Bytes dump = InstrumentDump(dx7);
    dump[2] = 0x04;
    dump[4] = 0x10;
    f.host.answers = {MsgResult::Yes};
    arrive(dump);
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, kQuestion);
    expectInstrumentBank();
}

TEST_F(BulkDumpOffer, ABadChecksumIsSaidInTheQuestionAndTheDumpMayStillBeTaken) {
    // GIVEN a dump whose checksum is off
    Bytes dump = InstrumentDump(dx7);
    const Byte right = dump[kBulkChecksumPos];
    dump[kBulkChecksumPos] = static_cast<Byte>((right + 1) & 0x7F);
    f.host.answers = {MsgResult::Yes};
    // WHEN it arrives and the user says yes
    arrive(dump);
    // THEN the question names both checksums, then asks
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, "このバルクダンプはチェックサムが合いません（受信 " +
                                        Hex(std::span<const Byte>(&dump[kBulkChecksumPos], 1)) + "h、計算 " +
                                        Hex(std::span<const Byte>(&right, 1)) +
                                        "h）。データが壊れているおそれがあります。\r" + kQuestion);
    EXPECT_EQ(f.host.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(f.host.boxes[0].icon, MsgIcon::Exclamation);
    // AND the list is filled all the same
    expectInstrumentBank();
}

TEST_F(BulkDumpOffer, DeclinedNothingChanges) {
    // GIVEN a list holding another bank
    fillListWithOtherVoices();
    const VoiceTable before = f.ws.voiceTable();
    const Lines listBefore = form1.list3().items;
    f.host.answers = {MsgResult::No};
    // WHEN the dump arrives and the user says no
    arrive(InstrumentDump(dx7));
    // THEN the question was asked and list and bank are as they were
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, kQuestion);
    EXPECT_EQ(f.ws.voiceTable().all, before.all);
    EXPECT_EQ(form1.list3().items, listBefore);
}

TEST_F(BulkDumpOffer, WhileAnotherWindowHoldsTheMainWindowTheDumpIsNotTakenAndTheUserIsToldWhy) {
    // GIVEN a list holding another bank, and the editor (or a file window,
    // or the chooser) open, which disables the main window
    fillListWithOtherVoices();
    const VoiceTable before = f.ws.voiceTable();
    const Lines listBefore = form1.list3().items;
    form1.setEnabled(false);
    f.host.answers = {MsgResult::Ok, MsgResult::Yes};
    // WHEN the instrument sends its bank
    arrive(InstrumentDump(dx7));
    // THEN no question is asked: one box says why, and list and bank stay
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].buttons, MsgButtons::Ok);
    EXPECT_NE(f.host.boxes[0].text.find("ほかの窓が開いている"), std::string::npos);
    EXPECT_NE(f.host.boxes[0].text.find("MIDI TRANSMIT"), std::string::npos);
    EXPECT_EQ(f.ws.voiceTable().all, before.all);
    EXPECT_EQ(form1.list3().items, listBefore);
    // AND once the window is back, the same dump is offered as usual
    form1.setEnabled(true);
    arrive(InstrumentDump(dx7));
    ASSERT_EQ(f.host.boxes.size(), 2u);
    EXPECT_EQ(f.host.boxes[1].text, kQuestion);
    expectInstrumentBank();
}

TEST_F(BulkDumpOffer, RefusedAFourOperatorBankIsNamedAndTheListIsUnchanged) {
    fillListWithOtherVoices();
    const VoiceTable before = f.ws.voiceTable();
    const Lines listBefore = form1.list3().items;
    Bytes dump = WithChecksum(InstrumentDump(dx7));
    dump[3] = 0x04;
    arrive(dump);
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text,
              kRefused +
                  "\rDX7の32音色データではありません（フォーマット 04h、4オペレータ機の32音色データ）。\r" +
                  kUnchanged);
    EXPECT_EQ(f.host.boxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(f.host.boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(f.ws.voiceTable().all, before.all);
    EXPECT_EQ(form1.list3().items, listBefore);
}

TEST_F(BulkDumpOffer, RefusedATruncatedDumpSaysHowMuchCameAndTheListIsUnchanged) {
    fillListWithOtherVoices();
    const VoiceTable before = f.ws.voiceTable();
    const Lines listBefore = form1.list3().items;
    const Bytes dump = InstrumentDump(dx7);
    Bytes cut(dump.begin(), dump.begin() + 2500);
    cut.push_back(0xF7);
    arrive(cut);
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text,
              kRefused + "\r途中で切れています（4104バイトのうち 2500 バイトしか届いていません）。\r" +
                  kUnchanged);
    EXPECT_EQ(f.ws.voiceTable().all, before.all);
    EXPECT_EQ(form1.list3().items, listBefore);
}

TEST_F(BulkDumpOffer, TheQuestionSaysSoWhenTheListHoldsUnsavedChanges) {
    // GIVEN a stored bank, then one voice of the list changed (as by the chooser)
    fillListWithOtherVoices();
    SeedEditArea(f.ws, 7, MakeBankVoice(40));
    f.ws.writeEditArea(7);
    ASSERT_NE(form1.bankMark(), "");
    f.host.answers = {MsgResult::No};
    // WHEN the dump arrives
    arrive(InstrumentDump(dx7));
    // THEN the question warns of the changes first
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, kUnsaved + "\r" + kQuestion);
    // AND after no, the changed voice is still there
    const Slot written = MakeBankVoice(40);
    EXPECT_TRUE(std::equal(written.begin() + kParamBase, written.begin() + kChecksumPos,
                           f.ws.slot(7).begin() + kParamBase));
}

TEST_F(BulkDumpOffer, AStoredListIsReplacedWithoutTheWarning) {
    fillListWithOtherVoices();
    f.host.answers = {MsgResult::Yes};
    arrive(InstrumentDump(dx7));
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, kQuestion);
    expectInstrumentBank();
}

TEST_F(BulkDumpOffer, AnUnbufferedDumpIsOfferedAndLeavesNoReceiveLogLine) {
    // GIVEN the input's buffer taken and not armed again
    ASSERT_TRUE(f.in.reset());
    ASSERT_TRUE(f.in.start());
    f.host.answers = {MsgResult::Yes};
    // WHEN the dump arrives
    arrive(InstrumentDump(dx7));
    // THEN it is offered and taken, and List1 has no line for it
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, kQuestion);
    expectInstrumentBank();
    EXPECT_EQ(form1.list1.items, Lines{"MIDIIN OPEN"});
}

TEST_F(BulkDumpOffer, ADumpDuringARunningReceiveIsOnlyLoggedAndTheReceiveEndsWithItsOwnBank) {
    // GIVEN a scripted instrument that also sends its bulk dump just before
    // its answer to the last program change
    ScriptedDx7 scripted;
    scripted.attach(f);
    const Bytes dump = InstrumentDump(dx7);
    scripted.onRequest = [&](int g) {
        if (g == 31 && scripted.requests.size() == 32) f.in.receive(dump);
    };
    // WHEN the bank receive runs
    form1.command4Click();
    // THEN no question: the dump was only logged, never taken for a voice
    // the receive asked for
    EXPECT_TRUE(f.host.boxes.empty());
    EXPECT_EQ(form1.list2.items, (Lines{"10"}));
    EXPECT_EQ(f.state.receive.recvMode, 0);
    // AND the bank is the receive's, none of the dump's voices
    for (int n = 1; n <= 32; ++n) {
        const Slot &s = f.ws.voiceTable()[static_cast<std::size_t>(n)];
        EXPECT_TRUE(
            std::equal(s.begin(), s.begin() + kImageSize, scripted.bank[static_cast<std::size_t>(n)].begin()))
            << "slot " << n;
    }
    // AND the receive log shows the dump's first 163 bytes
    const std::string logged = " 1LongMsg 受信 : " + Hex(std::span<const Byte>(dump).first(163));
    EXPECT_EQ(std::count(form1.list1.items.begin(), form1.list1.items.end(), logged), 1);
}

TEST_F(BulkDumpOffer, ASecondDumpWhileTheQuestionIsUpIsOnlyLogged) {
    // GIVEN input handled while the question is up, as in the box's own loop
    const Bytes dump = InstrumentDump(dx7);
    bool again = true;
    f.host.whileBoxIsUp = [&] {
        if (!again) return;
        again = false;
        arrive(dump);
    };
    f.host.answers = {MsgResult::Yes};
    // WHEN the dump comes a second time while the first is asked about
    arrive(dump);
    // THEN one question only; both are in the receive log; the bank is taken once
    EXPECT_EQ(f.host.boxes.size(), 1u);
    const std::string logged = " 0LongMsg 受信 : " + Hex(std::span<const Byte>(dump).first(163));
    EXPECT_EQ(form1.list1.items, (Lines{"MIDIIN OPEN", logged, logged}));
    expectInstrumentBank();
}

// --- Help --------------------------------------------------------------------

TEST(BulkDumpHelp, ThePageTellsHowToSendTheBankAndTheStartUpTopicsPointThere) {
    // GIVEN the help page of the program folder
    const std::string page = ReadHelpPage(kHelpPageJa);
    // THEN its own section names function mode, SYS INFO AVAIL and MIDI TRANSMIT
    const std::string bulk = HelpSection(page, "bulk");
    ASSERT_FALSE(bulk.empty()) << "no section \"bulk\"";
    for (const char *words :
         {"FUNCTION", "SYS INFO AVAIL", "MIDI TRANSMIT", "この32音色を SOUND LIST に読込みますか？"})
        EXPECT_NE(bulk.find(words), std::string::npos) << words;
    // AND the start-up guide's topic (7) and the MIDI-in error's topic (10) point to it
    for (const char *topic : {"topic7", "topic10"}) {
        const std::string text = HelpSection(page, topic);
        EXPECT_NE(text.find("MIDI TRANSMIT"), std::string::npos) << topic;
        EXPECT_NE(text.find("href=\"#bulk\""), std::string::npos) << topic;
    }
}

} // namespace
} // namespace vox::test
