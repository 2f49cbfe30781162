// The MIDI menu's connection check: one program change on the instrument's
// channel, a verdict from what comes back within its wait, whether the
// instrument answers the bank request, and a search of the other inputs
// and channels when nothing answers.
#include "librarian/form1.h"
#include "scripted_dx7.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace vox::test {
namespace {

const std::string kSilent =
    "DX7から答えがありません（MIDI出力「recording」、MIDI入力「test-in」、チャンネル ";
const std::string kAnswered =
    "DX7が答えました。MIDI出力「recording」、MIDI入力「test-in」、チャンネル 1 でつながっています。";

bool IsBankRequest(const std::vector<Byte> &m) {
    return m.size() == 5 && m[0] == 0xF0 && m[1] == 0x43 && (m[2] & 0xF0) == 0x20 && m[3] == 0x09 &&
           m[4] == 0xF7;
}

TEST(ConnectionCheck, SaysWhatAnswersAndWhatToLookAtWhenNothingDoes) {
    struct Case {
        const char *name;
        bool outOpen, inOpen, confirmed, silent, answersRequests;
        int channel;         // the program's; the scripted instrument takes channel 1
        std::string verdict; // the verdict's start; "" when the user stopped at the question
        std::string tail;    // what the verdict ends with
        std::size_t programChanges;
    };
    for (const Case &c : {
             Case{"no output", false, true, true, false, false, 1, "MIDI出力ポートが開いていません。", "", 0},
             Case{"no input", true, false, true, false, false, 1, "MIDI入力ポートが開いていません。", "", 0},
             Case{"cancelled", true, true, false, false, false, 1, "", "", 0},
             Case{"answers, a Mk I", true, true, true, false, false, 1, kAnswered,
                  "音色を1つずつ受け取ります。", 1},
             Case{"answers requests too", true, true, true, false, true, 1, kAnswered,
                  "32音色を1つのバルクダンプで受け取ります。", 1},
             Case{"SYS INFO UNAVAIL", true, true, true, true, false, 1, kSilent + "1）。", "", 1},
             Case{"another channel", true, true, true, false, false, 3, kSilent + "3）。", "", 1},
         }) {
        SCOPED_TRACE(c.name);
        ProgramFixture f;
        ScriptedDx7 dx7;
        dx7.silent = c.silent;
        dx7.answersBankRequest = c.answersRequests;
        dx7.attach(f, true);
        if (c.outOpen) f.out.open();
        f.in.openResult = c.inOpen; // the check opens it
        f.state.exchange.channel = c.channel;
        f.host.answers = {c.confirmed ? MsgResult::Ok : MsgResult::Cancel, MsgResult::Ok,
                          MsgResult::No}; // no search of the other inputs
        const auto revision = f.ws.bankRevision();

        f.program.form1.mnuConnectionCheckClick();

        const auto &boxes = f.host.boxes;
        ASSERT_FALSE(boxes.empty());
        if (c.verdict.empty()) {
            EXPECT_EQ(boxes.size(), 1u);
        } else {
            const std::string &verdict = boxes[c.programChanges ? 1 : 0].text;
            EXPECT_EQ(verdict.rfind(c.verdict, 0), 0u) << verdict;
            EXPECT_TRUE(verdict.ends_with(c.tail)) << verdict;
        }
        const bool silent = c.programChanges && (c.silent || c.channel != 1);
        if (c.programChanges) {
            // Told first that a voice will be selected, never stored.
            EXPECT_NE(boxes.front().text.find("DX7のメモリーの音色は変わりません"), std::string::npos);
            EXPECT_EQ(silent, boxes[1].text.find("SYS INFO AVAIL") != std::string::npos);
            // ... and offered, when nothing answered, to try the other inputs and channels.
            EXPECT_EQ(boxes.size(), silent ? 3u : 2u);
        }
        std::size_t programChanges = 0, requests = 0;
        for (const auto &m : f.out.sent) {
            if (IsBankRequest(m)) {
                ++requests;
                continue;
            }
            if (m.front() == 0xF0) continue; // the later models' requests, counted below
            EXPECT_EQ(m.front() & 0xF0, kProgramChange) << "only a program change or the request goes out";
            EXPECT_EQ(m.front() & 0x0F, c.channel - 1);
            ++programChanges;
        }
        EXPECT_EQ(programChanges, c.programChanges);
        EXPECT_EQ(requests, c.programChanges && !silent ? 1u : 0u);
        if (requests) {
            EXPECT_EQ(f.state.answersBankRequest.at("recording"), c.answersRequests);
        }
        // An instrument that answers the bank request is asked whether it is a later model.
        EXPECT_EQ(dx7.laterModelRequests.size(), requests && c.answersRequests ? 1u : 0u);
        EXPECT_EQ(f.ws.bankRevision(), revision) << "the bank is never touched, nor offered";
    }
}

TEST(ConnectionCheck, TheAnswersToItsRequestsProposeTheModel) {
    // A later model's additional voice edit buffer: 49 data bytes, all 0, so
    // the checksum is 0; and a block under the TX802's performance name.
    std::vector<Byte> aced = {0xF0, 0x43, 0x00, 0x05, 0x00, 0x31};
    aced.resize(6 + 49 + 1, 0x00);
    aced.push_back(0xF7);
    std::vector<Byte> tx802 = {0xF0, 0x43, 0x00, 0x7E, 0x00, 0x0C, 'L', 'M',  ' ',
                               ' ',  '8',  '9',  '5',  '2',  'P',  'E', 0x30, 0x30};
    int sum = 0;
    for (std::size_t i = 6; i < tx802.size(); ++i)
        sum += tx802[i];
    tx802.push_back(static_cast<Byte>(-sum & 0x7F));
    tx802.push_back(0xF7);
    const struct {
        const char *name;
        InstrumentModel setting;
        bool answersBank, answersAced, tx802Block;
        bool accept;
        const char *proposed; // nullptr: no question
        InstrumentModel after;
    } cases[] = {
        {"a Mk I, set so", InstrumentModel::Dx7, false, false, false, true, nullptr, InstrumentModel::Dx7},
        {"a TX7 answers the bank only", InstrumentModel::Dx7, true, false, false, true, nullptr,
         InstrumentModel::Dx7},
        {"a DX7 II", InstrumentModel::Dx7, true, true, false, true, "「DX7 II／DX7s」",
         InstrumentModel::Dx7ii},
        {"a TX802, declined", InstrumentModel::Dx7, true, true, true, false, "「TX802」",
         InstrumentModel::Dx7},
        {"a Mk I set as DX7 II", InstrumentModel::Dx7ii, false, false, false, true, "「DX7」",
         InstrumentModel::Dx7},
        {"a TX802 with nothing under its name", InstrumentModel::Tx802, true, true, false, true, nullptr,
         InstrumentModel::Tx802},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFixture f;
        ScriptedDx7 dx7;
        dx7.answersBankRequest = c.answersBank;
        if (c.answersAced) dx7.aced = aced;
        if (c.tx802Block) dx7.blocks["LM  8952PE"] = tx802;
        dx7.attach(f, true);
        f.out.open();
        f.state.exchange.model = c.setting;
        f.host.answers = {MsgResult::Ok, MsgResult::Ok, c.accept ? MsgResult::Yes : MsgResult::No};

        f.program.form1.mnuConnectionCheckClick();

        ASSERT_EQ(f.host.boxes.size(), c.proposed ? 3u : 2u);
        if (c.proposed) {
            EXPECT_NE(f.host.boxes[2].text.find(c.proposed), std::string::npos) << f.host.boxes[2].text;
        }
        EXPECT_EQ(f.state.exchange.model, c.after);
    }
}

TEST(ConnectionCheck, TheBuiltInVirtualDx7AnsweringWithinTheSendIsToldByItsModel) {
    // The virtual instrument answers inside the send of each request.
    for (const InstrumentModel model : {InstrumentModel::Dx7, InstrumentModel::Dx7ii}) {
        SCOPED_TRACE(static_cast<int>(model));
        VirtualDx7ProgramFixture f(model);
        f.state.exchange.model = InstrumentModel::Dx7;
        f.host.answers = {MsgResult::Ok, MsgResult::Ok, MsgResult::Yes};
        f.program.form1.mnuConnectionCheckClick();
        ASSERT_GE(f.host.boxes.size(), 2u);
        const bool later = model != InstrumentModel::Dx7;
        // A Mk I drops the bank request; a DX7 II answers it and its ACED request.
        EXPECT_TRUE(f.host.boxes[1].text.ends_with(later ? "32音色を1つのバルクダンプで受け取ります。"
                                                         : "音色を1つずつ受け取ります。"))
            << f.host.boxes[1].text;
        EXPECT_EQ(f.host.boxes.size(), later ? 3u : 2u);
        EXPECT_EQ(f.state.exchange.model, model);
    }
}

TEST(ConnectionCheck, SearchFindsTheInputAndChannelThatAnswer) {
    struct Case {
        const char *name;
        int instrumentChannel;
        const char *wiredInput; // the input the instrument's MIDI OUT reaches
        bool keep;              // the user takes what was found
        std::string verdict;
        int channelAfter;
        const char *inputAfter;
    };
    for (const Case &c : {
             Case{"another channel", 5, "test-in", true,
                  "DX7が答えました。MIDI出力「recording」、MIDI入力「test-in」、チャンネル 5 ", 5, "test-in"},
             Case{"swapped input", 1, "usb-in", true,
                  "DX7が答えました。MIDI出力「recording」、MIDI入力「usb-in」、チャンネル 1 ", 1, "usb-in"},
             Case{"found, not kept", 12, "usb-in", false,
                  "DX7が答えました。MIDI出力「recording」、MIDI入力「usb-in」、チャンネル 12 ", 1, "test-in"},
             Case{"nothing", 1, "nowhere", false, "どの入力ポートとチャンネルでもDX7は答えませんでした。", 1,
                  "test-in"},
         }) {
        SCOPED_TRACE(c.name);
        ProgramFixture f;
        ScriptedDx7 dx7;
        dx7.channel = c.instrumentChannel;
        dx7.attach(f, true);
        f.out.open();
        std::string input = "test-in";
        dx7.silent = input != c.wiredInput;
        Form1 &form1 = f.program.form1;
        form1.inputChoices.list = [] { return std::vector<std::string>{"test-in", "usb-in", "thru-in"}; };
        form1.inputChoices.current = [&] { return input; };
        form1.inputChoices.choose = [&](const std::string &name) {
            input = name;
            dx7.silent = input != c.wiredInput;
            return true;
        };
        f.host.answers = {MsgResult::Ok, MsgResult::Ok, MsgResult::Yes,
                          c.keep ? MsgResult::Yes : MsgResult::No};

        form1.mnuConnectionCheckClick();

        ASSERT_EQ(f.host.boxes.size(), 4u);
        EXPECT_EQ(f.host.boxes[3].text.rfind(c.verdict, 0), 0u) << f.host.boxes[3].text;
        EXPECT_EQ(f.state.exchange.channel, c.channelAfter);
        EXPECT_EQ(input, c.inputAfter);
        for (const auto &m : f.out.sent)
            EXPECT_EQ(m.front() & 0xF0, kProgramChange) << "only program changes go out";
    }
}

} // namespace
} // namespace vox::test
