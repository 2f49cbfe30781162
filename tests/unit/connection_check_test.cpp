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
            EXPECT_EQ(m.front() & 0xF0, kProgramChange) << "only a program change or the request goes out";
            EXPECT_EQ(m.front() & 0x0F, c.channel - 1);
            ++programChanges;
        }
        EXPECT_EQ(programChanges, c.programChanges);
        EXPECT_EQ(requests, c.programChanges && !silent ? 1u : 0u);
        if (requests) {
            EXPECT_EQ(f.state.answersBankRequest.at("recording"), c.answersRequests);
        }
        EXPECT_EQ(f.ws.bankRevision(), revision) << "the bank is never touched, nor offered";
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
