// The MIDI menu's connection check: one program change on the instrument's
// channel, and a verdict from what comes back within its wait.
#include "librarian/form1.h"
#include "scripted_dx7.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace vox::test {
namespace {

TEST(ConnectionCheck, SaysWhatAnswersAndWhatToLookAtWhenNothingDoes) {
    struct Case {
        const char *name;
        bool outOpen, inOpen, confirmed, silent;
        int channel;         // the program's; the scripted instrument takes channel 1
        std::string lastBox; // the verdict's start; "" when the user stopped at the question
        std::size_t programChanges;
    };
    const std::string silent =
        "DX7から答えがありません（MIDI出力「recording」、MIDI入力「test-in」、チャンネル ";
    for (const Case &c : {
             Case{"no output", false, true, true, false, 1, "MIDI出力ポートが開いていません。", 0},
             Case{"no input", true, false, true, false, 1, "MIDI入力ポートが開いていません。", 0},
             Case{"cancelled", true, true, false, false, 1, "", 0},
             Case{"answers", true, true, true, false, 1,
                  "DX7が答えました。MIDI出力「recording」、MIDI入力「test-in」、チャンネル 1 "
                  "でつながっています。",
                  1},
             Case{"SYS INFO UNAVAIL", true, true, true, true, 1, silent + "1）。", 1},
             Case{"another channel", true, true, true, false, 3, silent + "3）。", 1},
         }) {
        SCOPED_TRACE(c.name);
        ProgramFixture f;
        ScriptedDx7 dx7;
        dx7.silent = c.silent;
        dx7.attach(f, true);
        if (c.outOpen) f.out.open();
        f.in.openResult = c.inOpen; // the check opens it
        f.state.exchange.channel = c.channel;
        f.host.answers.push_back(c.confirmed ? MsgResult::Ok : MsgResult::Cancel);
        const auto revision = f.ws.bankRevision();

        f.program.form1.mnuConnectionCheckClick();

        ASSERT_FALSE(f.host.boxes.empty());
        const std::string &last = f.host.boxes.back().text;
        if (c.lastBox.empty()) {
            EXPECT_EQ(f.host.boxes.size(), 1u);
        } else {
            EXPECT_EQ(last.rfind(c.lastBox, 0), 0u) << last;
        }
        if (c.programChanges) {
            // Told first that a voice will be selected, never stored.
            EXPECT_NE(f.host.boxes.front().text.find("DX7のメモリーの音色は変わりません"), std::string::npos);
            EXPECT_EQ(c.silent || c.channel != 1, last.find("SYS INFO AVAIL") != std::string::npos);
        }
        std::size_t programChanges = 0;
        for (const auto &m : f.out.sent) {
            EXPECT_EQ(m.front() & 0xF0, kProgramChange) << "only a program change goes out";
            EXPECT_EQ(m.front() & 0x0F, c.channel - 1);
            ++programChanges;
        }
        EXPECT_EQ(programChanges, c.programChanges);
        EXPECT_EQ(f.ws.bankRevision(), revision) << "the bank is never touched";
    }
}

} // namespace
} // namespace vox::test
