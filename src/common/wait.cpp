#include "common/wait.h"

namespace vox {

void WaitSeconds(Host &host, float seconds) {
    const double start = host.monotonicSeconds();
    const double wanted = static_cast<double>(seconds);
    for (;;) {
        const double now = host.monotonicSeconds();
        // A clock before the start is taken as no time passed.
        const double passed = now >= start ? now - start : 0.0;
        const bool over = now >= start && passed >= wanted;
        // Sleeps in the event loop for what is left; input wakes it.
        host.processEventsFor(over ? 0.0 : wanted - passed);
        if (over) break;
    }
}

} // namespace vox
