#include "common/wait.h"

namespace vox {

void WaitSeconds(Host &host, float seconds) {
    const double start = host.monotonicSeconds();
    for (;;) {
        const double now = host.monotonicSeconds();
        host.processEvents();
        if (now >= start && now - start >= static_cast<double>(seconds)) break;
    }
}

} // namespace vox
