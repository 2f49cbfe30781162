// A user's whole session, over real JACK ports against voxmere-dx7sim, with
// the program's real windows (offscreen) driven through their controls:
// receive the bank, pick entry 12, edit and rename it, write it to
// position 5, transmit, save and reload the bank and the voice. What the
// instrument ends up holding, what it was sent and the files are checked
// byte for byte.
#include "offscreen_app.h"

#include "ui/twips.h"
#include "voice/bank_format.h"
#include "voice/voice.h"
#include "voice/voice_scan.h"
#include "voice/voice_supplement.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <algorithm>

namespace vox::e2e {
namespace {

namespace fs = std::filesystem;

template <class W = QWidget> W *Find(QWidget &window, const char *name) {
    W *w = window.findChild<W *>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

void Press(QWidget &window, const char *name) {
    auto *b = Find<QAbstractButton>(window, name);
    ASSERT_TRUE(b);
    ASSERT_TRUE(b->isVisible() && b->isEnabled()) << name << " cannot be pressed";
    QTest::mouseClick(b, Qt::LeftButton);
}

void Type(QWidget &window, const char *name, const QString &text) {
    auto *field = Find<QLineEdit>(window, name);
    ASSERT_TRUE(field);
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

void ClickRow(QWidget &window, const char *list, int row) {
    auto *l = Find<QListWidget>(window, list);
    ASSERT_TRUE(l);
    ASSERT_LT(row, l->count()) << list;
    l->scrollToItem(l->item(row));
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
}

Bytes Params(const Bytes &slotBytes) {
    return Bytes(slotBytes.begin() + kParamBase, slotBytes.begin() + kParamBase + kParamCount);
}

bool IsParameterChange(const Bytes &m) {
    return m.size() == 7 && m[0] == 0xF0 && m[1] == 0x43 && m[2] == 0x10 && m[6] == 0xF7;
}

int ParameterOf(const Bytes &m) { return (m[3] & 0x03) * 128 + m[4]; }

constexpr int kOp1OutputLevel = 5 * kOperatorBlockParams + 16; // operator 1 is the sixth block
constexpr int kPicked = 12, kWritten = 5;
const char *const kNewName = "SESSION 05";

// The sim with its memory written at exit, and the program with its windows.
class ProgramOverJack : public WindowsOverJack {
protected:
    std::filesystem::path simBank = dir / "sim-bank.syx";

    void start(const std::vector<std::string> &faults = {}) {
        std::vector<std::string> options{"--dump-bank", simBank.string()};
        options.insert(options.end(), faults.begin(), faults.end());
        ASSERT_NO_FATAL_FAILURE(startSim(options));
        ASSERT_NO_FATAL_FAILURE(startProgram());
        // The standard receive runs once, in fast_receive_test.cpp: these
        // receive the fast way, in a second rather than 16.
        state.exchange.receiveMode = ReceiveMode::Fast;
        // A Mk I, found before to drop the bank request: asked no more.
        state.answersBankRequest[state.midiOut->name()] = false;
        settle();
    }

    // Command4, until the SOUND LIST is full; the seconds it took.
    double receiveBank() {
        const auto started = std::chrono::steady_clock::now();
        Press(windows->form1, "Command4");
        EXPECT_TRUE(PumpUntil([&] { return program->form1.list3().items.size() == kBankSlots; }, 40s))
            << "SOUND LIST has " << program->form1.list3().items.size() << " entries";
        host.refreshAll();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::printf("bank receive over JACK: %.2f s\n", seconds);
        return seconds;
    }

    // The program changes the sim took after the start-up's program 0.
    std::vector<int> ProgramChangesAfterStartUp() {
        PumpUntil([] { return false; }, std::chrono::milliseconds(200));
        std::vector<int> programs;
        for (const LogLine &line : log())
            if (line.direction == "IN" && line.bytes.size() == 2 && line.bytes[0] == 0xC0)
                programs.push_back(line.bytes[1]);
        if (!programs.empty()) programs.erase(programs.begin());
        return programs;
    }
    static std::vector<int> InOrderWithTwice(int twice) {
        std::vector<int> r;
        for (int g = 0; g < static_cast<int>(kBankSlots); ++g) {
            r.push_back(g);
            if (g == twice) r.push_back(g);
        }
        r.push_back(0); // the edit-area voice (slot 0) again once the bank is in
        return r;
    }

    void expectTheSimsNames() {
        ASSERT_EQ(program->form1.list3().items.size(), kBankSlots);
        for (int n = 1; n <= static_cast<int>(kBankSlots); ++n) {
            char entry[20];
            std::snprintf(entry, sizeof entry, "%3d. VOX %2d    ", n, n);
            EXPECT_EQ(program->form1.list3().items[static_cast<std::size_t>(n - 1)], entry);
        }
    }
};

TEST_F(ProgramOverJack, ADx7iiBankGoesToTheSimAsADx7iiAndComesBackWithEachVoicesAdditionalData) {
    // GIVEN the sim as a DX7 II, and the program set so, holding a DX7 II bank
    ASSERT_NO_FATAL_FAILURE(start({"--model", "dx7ii"}));
    state.exchange.model = InstrumentModel::Dx7ii;
    state.answersBankRequest.clear();
    const Bytes file = ReadBytes(fs::path(VOXMERE_TESTDATA) / "supplement-then-bank.syx");
    const VoiceScan scan = ScanVoiceFile(file, "supplement-then-bank.syx");
    ASSERT_EQ(scan.bankCount(), 1u);
    const PairedSupplements paired = SupplementsBeside(file, scan, 0);
    ASSERT_TRUE(AllHeld(paired.records));
    BankRecords records{};
    std::copy_n(scan.bank(0)->voices.begin(), kBankSlots, records.begin());
    program->workspace.replaceBank(records, paired.records);
    // WHEN it is transmitted (AMEM, then the bulk dump), the list then
    // replaced by a bank without additional data, and received back
    Press(windows->form1, "Command8");
    PumpUntil([] { return false; }, 1500ms);
    const std::string said = program->form1.statusText;
    program->workspace.replaceBank(records);
    ASSERT_FALSE(program->workspace.supplement(1).has_value());
    receiveBank();
    ASSERT_TRUE(PumpUntil([&] { return state.receive.recvMode == 0; }, 20s));
    // THEN every voice comes back with its own record, byte for byte
    EXPECT_NE(program->form1.statusText.find("追加データ（AMEM）も受け取りました"), std::string::npos)
        << said << " / " << program->form1.statusText;
    for (std::size_t v = 0; v < kBankSlots; ++v)
        EXPECT_EQ(program->workspace.supplement(static_cast<int>(v + 1)), paired.records[v])
            << "voice " << v + 1;
}

TEST_F(ProgramOverJack, ABrokenDumpIsAskedForAgainAndTheBankComesInWhole) {
    // GIVEN a sim whose first answer to program 4 does not start with F0
    start({"--break-first-byte-once", "4"});
    if (HasFatalFailure()) return;
    receiveBank();
    // THEN voice 5 was asked for again and every slot holds its own voice
    expectTheSimsNames();
    EXPECT_EQ(ProgramChangesAfterStartUp(), InOrderWithTwice(4));
    EXPECT_EQ(state.receive.recvMode, 0);
}

TEST_F(ProgramOverJack, ALostDumpIsAskedForAgainAndTheBankComesInWhole) {
    // GIVEN a sim that never answers program 8 the first time
    start({"--drop-dump-once", "8"});
    if (HasFatalFailure()) return;
    receiveBank();
    // THEN after its time-out voice 9 was asked for again, and every slot
    // holds its own voice (a standard receive instead gives up and leaves
    // the list as it was: BankReceive*.LostDump* in the unit tests)
    expectTheSimsNames();
    EXPECT_EQ(ProgramChangesAfterStartUp(), InOrderWithTwice(8));
    EXPECT_EQ(state.receive.recvMode, 0);
}

TEST_F(ProgramOverJack, FullSessionReceiveEditWriteTransmitSaveAndLoad) {
    start();
    if (HasFatalFailure()) return;
    Program &prog = *program;
    AppWindows &win = *windows;
    Form1View &main = win.form1;

    // Receive the bank: 32 program changes, one dump each.
    receiveBank();
    expectTheSimsNames();
    const std::string entry12 = prog.form1.list3().items[kPicked - 1];
    const Slot received12 = prog.workspace.slot(kPicked);

    // Pick entry 12 into the edit area, open the editor.
    ClickRow(main, "List3", kPicked - 1);
    Press(main, "Command11");
    host.refreshAll();
    EXPECT_EQ(Find<QLineEdit>(main, "Text2")->text().toStdString(), entry12);
    Press(main, "Command13");
    Form2View &editor = win.form2;
    ASSERT_TRUE(PumpUntil([&] { return editor.isVisible(); }, 5s));
    EXPECT_FALSE(main.isEnabled()) << "the main window waits while the editor is open";

    // Raise operator 1's output level by one, rename, apply.
    QTest::mouseClick(Find(editor, "Text37_5"), Qt::LeftButton, {}, QPoint(3, 3));
    host.refreshAll();
    const int before = Find<QLineEdit>(editor, "Text42_0")->text().toInt();
    QTest::mouseClick(Find(editor, "UpDown6_0")->findChild<QWidget *>("up"), Qt::LeftButton);
    host.refreshAll();
    ASSERT_LT(before, 99);
    ASSERT_EQ(Find<QLineEdit>(editor, "Text42_0")->text().toInt(), before + 1);
    Type(editor, "Text39", kNewName);
    Press(editor, "Command1");
    host.refreshAll();
    EXPECT_EQ(Find<QLineEdit>(editor, "Text37_5")->text().toInt(), before + 1);
    // End the edit.
    Press(editor, "Command2_1");
    ASSERT_TRUE(PumpUntil([&] { return !editor.isVisible() && main.isEnabled(); }, 5s));
    host.refreshAll();

    // Write it into position 5.
    Press(main, "Command12");
    ASSERT_TRUE(PumpUntil([&] { return win.form7.isVisible(); }, 5s));
    ClickRow(win.form7, "List1", kWritten - 1);
    Press(win.form7, "Command1");
    ASSERT_TRUE(PumpUntil([&] { return !win.form7.isVisible() && main.isEnabled(); }, 5s));
    host.refreshAll();
    EXPECT_EQ(prog.form1.list3().items[kWritten - 1], "  5. SESSION 05");

    // Transmit the bank (the confirmation is answered OK).
    Press(main, "Command8");
    host.refreshAll();

    // Save the bank, load it back.
    Press(main, "Command6");
    ASSERT_TRUE(PumpUntil([&] { return win.form3.isVisible(); }, 5s));
    Type(win.form3, "Text2", "session");
    Press(win.form3, "Command1_0");
    ASSERT_TRUE(PumpUntil([&] { return !win.form3.isVisible() && main.isEnabled(); }, 5s));
    const fs::path v32 = folder / "32voice" / "session.v32";
    ASSERT_TRUE(fs::exists(v32));
    const VoiceTable savedTable = prog.workspace.voiceTable();
    VoiceTable blanked = savedTable;
    blanked[kWritten].fill(0); // so the load must bring it back
    prog.workspace.replaceBank(blanked);
    Press(main, "Command7");
    ASSERT_TRUE(PumpUntil([&] { return win.form4.isVisible(); }, 5s));
    Type(win.form4, "Text2", "session.v32");
    Press(win.form4, "Command1_0");
    ASSERT_TRUE(PumpUntil([&] { return !win.form4.isVisible() && main.isEnabled(); }, 5s));
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        EXPECT_TRUE(std::equal(savedTable[n].begin(), savedTable[n].begin() + kChecksumPos,
                               prog.workspace.slot(static_cast<int>(n)).begin()))
            << "slot " << n << " after the reload";

    // Save the edit area's voice as a .v01, load it back.
    Press(main, "Command9");
    ASSERT_TRUE(PumpUntil([&] { return win.form5.isVisible(); }, 5s));
    EXPECT_TRUE(Find<QLineEdit>(win.form5, "Text2")->text().contains(kNewName)) << "the name is offered";
    Type(win.form5, "Text2", "session");
    Press(win.form5, "Command1_0");
    ASSERT_TRUE(PumpUntil([&] { return !win.form5.isVisible() && main.isEnabled(); }, 5s));
    const fs::path v01 = folder / "1voice" / "session.v01";
    ASSERT_TRUE(fs::exists(v01));
    Press(main, "Command10");
    ASSERT_TRUE(PumpUntil([&] { return win.form6.isVisible(); }, 5s));
    Type(win.form6, "Text2", "session.v01");
    Press(win.form6, "Command1_0");
    ASSERT_TRUE(PumpUntil([&] { return !win.form6.isVisible() && main.isEnabled(); }, 5s));
    host.refreshAll();
    EXPECT_EQ(Find<QLineEdit>(main, "Text2")->text(), QString(" 0. SESSION 05"));
    // Let the last dump reach the sim, then stop it: it writes its memory.
    PumpUntil([] { return false; }, 500ms);
    ASSERT_EQ(sim.stop(5s), 0);

    // The voice as it must stand: entry 12 with operator 1 one louder and
    // the new name.
    Bytes expected = Params(Bytes(received12.begin(), received12.end()));
    expected[kOp1OutputLevel] = static_cast<Byte>(before + 1);
    for (std::size_t c = 0; c < kNameLength; ++c)
        expected[param::Name1 + c] = static_cast<Byte>(kNewName[c]);
    ASSERT_EQ(before, received12[ParamPos(kOp1OutputLevel)]);

    // THEN the instrument holds the bank with the voice at position 5.
    const Bytes dumped = ReadBytes(simBank);
    ASSERT_EQ(dumped.size(), kBulkMessageSize);
    const BulkMessage bulk = BuildBulkMessage(savedTable);
    EXPECT_TRUE(std::equal(bulk.begin(), bulk.end(), dumped.begin())) << "the sim holds what was transmitted";
    Slot atFive{};
    UnpackVoice(std::span<const Byte, kPackedVoiceSize>(
                    dumped.data() + kBulkDataPos + (kWritten - 1) * kPackedVoiceSize, kPackedVoiceSize),
                atFive);
    EXPECT_EQ(Params(Bytes(atFive.begin(), atFive.end())), expected);
    Slot atTwelve{};
    UnpackVoice(std::span<const Byte, kPackedVoiceSize>(
                    dumped.data() + kBulkDataPos + (kPicked - 1) * kPackedVoiceSize, kPackedVoiceSize),
                atTwelve);
    EXPECT_EQ(Params(Bytes(atTwelve.begin(), atTwelve.end())),
              Params(Bytes(received12.begin(), received12.end())))
        << "entry 12 itself is unchanged";

    // THEN the files hold it, byte for byte.
    const Bytes bank = ReadBytes(v32);
    ASSERT_EQ(bank.size(), kBankSlots * 161);
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        EXPECT_TRUE(std::equal(bank.begin() + static_cast<std::ptrdiff_t>((n - 1) * 161),
                               bank.begin() + static_cast<std::ptrdiff_t>(n * 161), savedTable[n].begin()))
            << "slot " << n << " in the .v32";
    const Bytes voice = ReadBytes(v01);
    ASSERT_EQ(voice.size(), 161u);
    EXPECT_EQ(Bytes(voice.begin(), voice.begin() + 6), (Bytes{0xF0, 0x43, 0x00, 0x00, 0x01, 0x1B}));
    EXPECT_EQ(Bytes(voice.begin() + 6, voice.end()), expected);

    // THEN the sim refused nothing and saw the session in order.
    const auto lines = log();
    std::vector<Bytes> in;
    for (const auto &line : lines) {
        EXPECT_FALSE(line.refused) << "refused: " << simLog();
        if (line.direction == "IN") in.push_back(line.bytes);
    }
    auto findFrom = [&](std::size_t from, const std::function<bool(const Bytes &)> &match) {
        for (std::size_t i = from; i < in.size(); ++i)
            if (match(in[i])) return i;
        return in.size();
    };
    // Start-up: program 0 and the initial voice.
    ASSERT_GE(in.size(), 2u);
    EXPECT_EQ(in[0], (Bytes{0xC0, 0x00}));
    EXPECT_EQ(in[1].size(), kImageSize);
    // The receive: program changes 0..31 in order.
    std::size_t at = 2;
    for (int g = 0; g < static_cast<int>(kBankSlots); ++g) {
        at = findFrom(at, [&](const Bytes &m) { return m == Bytes{0xC0, static_cast<Byte>(g)}; });
        ASSERT_LT(at, in.size()) << "program change " << g;
        ++at;
    }
    // The edit: operator output levels, operator 6 first, then the ten name characters.
    const std::size_t firstChange = findFrom(at, IsParameterChange);
    ASSERT_LT(firstChange + 16, in.size());
    for (int n = 0; n < 6; ++n) {
        const Bytes &m = in[firstChange + static_cast<std::size_t>(n)];
        ASSERT_TRUE(IsParameterChange(m));
        EXPECT_EQ(ParameterOf(m), n * kOperatorBlockParams + 16);
        EXPECT_EQ(m[5], expected[static_cast<std::size_t>(ParameterOf(m))]);
    }
    for (int c = 0; c < 10; ++c) {
        const Bytes &m = in[firstChange + 6 + static_cast<std::size_t>(c)];
        ASSERT_TRUE(IsParameterChange(m));
        EXPECT_EQ(ParameterOf(m), param::Name1 + c);
        EXPECT_EQ(m[5], static_cast<Byte>(kNewName[c]));
    }
    // Writing to position 5 selects program 4 and sends the voice.
    at = findFrom(firstChange, [](const Bytes &m) { return m == Bytes{0xC0, 0x04}; });
    ASSERT_LT(at + 1, in.size());
    EXPECT_EQ(Params(in[at + 1]), expected);
    // The transmit: the bulk dump, then programs 1 and 0, then the
    // edit-area voice again under program 4.
    at = findFrom(at, [](const Bytes &m) { return m.size() == kBulkMessageSize; });
    ASSERT_LT(at + 4, in.size());
    EXPECT_TRUE(std::equal(bulk.begin(), bulk.end(), in[at].begin()));
    EXPECT_EQ(in[at + 1], (Bytes{0xC0, 0x01}));
    EXPECT_EQ(in[at + 2], (Bytes{0xC0, 0x00}));
    EXPECT_EQ(in[at + 3], (Bytes{0xC0, 0x04}));
    EXPECT_EQ(Params(in[at + 4]), expected);
    // The reloaded .v01 is sent as the voice of program 0.
    const std::size_t last = findFrom(at + 5, [](const Bytes &m) { return m.size() == kImageSize; });
    ASSERT_LT(last, in.size());
    EXPECT_EQ(Params(in[last]), expected);
    EXPECT_EQ(in[last - 1], (Bytes{0xC0, 0x00}));
}

} // namespace
} // namespace vox::e2e
