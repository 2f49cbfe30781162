// Arbitrary bytes as MIDI input: split into messages, delivered through the
// input port's buffer rules into the main window's receive procedure,
// while a bank receive runs.
#include "test_support.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace vox;
    test::ProgramFixture f;
    f.out.open();
    f.program.form1.startInputAtLoad(); // opens the port with the receive hook
    f.program.form1.command4Click();    // a bank receive, answered by the fuzz input below
    std::size_t i = 0;
    while (i < size) {
        // First byte: length of the next message (0..255); then the message.
        const std::size_t n = data[i++];
        const std::size_t take = std::min(n, size - i);
        if (take > 0) f.in.receive(std::span<const Byte>(data + i, take));
        i += take;
        f.host.processEvents();
    }
    for (int k = 0; k < 400; ++k)
        f.host.processEvents(); // let any time-out run
    return 0;
}
