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

namespace vox {

bool ListenSeconds(Host &host, const MidiTraffic &traffic, double seconds,
                   const std::function<bool(std::span<const Byte>)> &heard,
                   std::optional<std::uint64_t> since) {
    const double until = host.monotonicSeconds() + seconds;
    for (std::uint64_t next = since.value_or(traffic.total()); host.monotonicSeconds() < until;) {
        host.processEventsFor(0.05);
        const auto &entries = traffic.entries();
        const std::uint64_t first = traffic.total() - entries.size();
        for (; next < traffic.total(); ++next) {
            if (next < first) continue; // dropped from the log meanwhile
            const MidiTrafficEntry &e = entries[static_cast<std::size_t>(next - first)];
            if (e.direction != MidiTrafficEntry::Direction::In || e.kind != MidiTrafficEntry::Kind::Message)
                continue;
            if (heard(e.bytes)) return true;
        }
    }
    return false;
}

} // namespace vox
