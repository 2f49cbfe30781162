#pragma once

#include "common/host.h"
#include "common/midi_traffic.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace vox {

// Returns once at least `seconds` have passed on the host's monotonic
// clock, letting window events (MIDI input included) run meanwhile.
void WaitSeconds(Host &host, float seconds);

// Waits up to `seconds` on the host's clock for messages from the
// instrument, letting window events run meanwhile: each message that comes
// in (whole, as the MIDI log keeps it) is handed to `heard`, and the wait
// ends as soon as `heard` says it has what it waits for. True then.
// `since` (a MidiTraffic::total()) takes in what came from then on, such as
// an answer handled inside the send of its request; by default what comes
// from now on.
bool ListenSeconds(Host &host, const MidiTraffic &traffic, double seconds,
                   const std::function<bool(std::span<const Byte>)> &heard,
                   std::optional<std::uint64_t> since = std::nullopt);

} // namespace vox
