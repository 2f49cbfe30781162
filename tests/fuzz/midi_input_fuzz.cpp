// Arbitrary bytes as MIDI input: split into messages, delivered through the
// input port's buffer rules into the main window's receive procedure, while
// a standard or a fast bank receive runs, or while none does (where a bank
// dump is offered for the SOUND LIST).
#include "fuzz_check.h"
#include "test_support.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace vox;
    if (size == 0) return 0;
    test::ProgramFixture f;
    f.out.open();
    Form1 &form1 = f.program.form1;
    form1.startInputAtLoad(); // opens the port with the receive hook
    // First byte: the scenario, and how the user answers a bank-dump question.
    const std::uint8_t scenario = data[0];
    const VoiceTable bankBefore = f.ws.voiceTable();
    f.host.answers.push_back((scenario & 4) ? MsgResult::No : MsgResult::Yes);
    switch (scenario % 3) {
    case 0:
        form1.command4Click(); // the standard receive, answered by the input below
        break;
    case 1:
        f.state.exchange.receiveMode = ReceiveMode::Fast;
        form1.command4Click();
        break;
    default:
        break; // nothing asked: what comes is the instrument's own
    }
    std::size_t i = 1;
    while (i < size) {
        // A length byte (0..254), or 255 and two more for a long message
        // such as a bank dump; then the message.
        std::size_t n = data[i++];
        if (n == 255 && i + 1 < size) {
            n = static_cast<std::size_t>(data[i]) << 8 | data[i + 1];
            i += 2;
        }
        const std::size_t take = std::min(n, size - i);
        if (take > 0) f.in.receive(std::span<const Byte>(data + i, take));
        i += take;
        f.host.processEvents();
    }
    for (int k = 0; k < 1200; ++k)
        f.host.processEvents(); // let any time-out run
    // Whatever came, no receive is left running and the SOUND LIST shows
    // either the bank as it was or a whole new one.
    fuzz::Check(f.state.receive.recvMode == 0, "a receive is still running after every time-out");
    const bool unchanged = f.ws.voiceTable().all == bankBefore.all;
    fuzz::Check(unchanged || form1.list3().items.size() == kBankSlots,
                "the bank changed but the list is not whole");
    return 0;
}
