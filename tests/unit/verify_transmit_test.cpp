// Verify after transmit: the bank read back from the instrument and compared
// with what was sent, without touching the SOUND LIST.
#include "librarian/form1.h"
#include "scripted_dx7.h"

#include <gtest/gtest.h>

namespace vox::test {
namespace {

TEST(VerifyTransmit, ReadsTheBankBackAndSaysWhatArrived) {
    struct Case {
        const char *name;
        bool protect, silent, answersRequest;
        int damaged;         // voice number changed on the way
        std::string verdict; // the report after "転送完了"
    };
    for (const Case &c : {
             Case{"good", false, false, false, 0, "32音色すべて確認しました。"},
             Case{"good, by the bank request", false, false, true, 0, "32音色すべて確認しました。"},
             Case{"one voice damaged", false, false, false, 9, "音色 9 がDX7で転送したものと違います。"},
             Case{"MEMORY PROTECT", true, false, false, 0, "DX7のメモリーの音色は、転送した32音色と1つも"},
             Case{"silent", false, true, false, 0, "読み返しにDX7が答えませんでした。"},
         }) {
        SCOPED_TRACE(c.name);
        ProgramFixture f;
        ScriptedDx7 dx7;
        dx7.attach(f, true);
        dx7.memoryProtect = c.protect;
        dx7.silent = c.silent;
        dx7.answersBankRequest = c.answersRequest;
        dx7.damagedOnTheWay = c.damaged;
        f.out.open();
        f.state.exchange.verifyTransmit = true;
        f.state.answersBankRequest[f.out.name()] = c.answersRequest;
        LoadOtherBankAndEditVoice7(f);
        const UserView before = UserView::Of(f);
        f.host.answers.push_back(MsgResult::Ok);

        f.program.form1.command8Click();
        for (double end = f.host.clock + 60; f.state.receive.recvMode != 0 && f.host.clock < end;)
            f.host.processEvents();

        ASSERT_EQ(f.host.boxes.size(), 2u);
        // Told before anything went out that reading back selects voices.
        EXPECT_NE(f.host.boxes[0].text.find("DX7で選ばれている音色が変わります"), std::string::npos);
        const std::string &report = f.host.boxes[1].text;
        EXPECT_EQ(report.rfind("転送完了\r" + c.verdict, 0), 0u) << report;
        EXPECT_EQ(dx7.bankRequests, c.answersRequest ? 1 : 0);
        // The SOUND LIST and the edit area hold what they held.
        UserView::Of(f).expectSame(before);
        EXPECT_FALSE(f.program.form1.bankChanged());
        EXPECT_EQ(f.state.receive.recvMode, 0);
    }
}

} // namespace
} // namespace vox::test
