#pragma once
// The sim's input port on JACK, handing over each event as it arrives.
// RtMidi's JACK input joins the pieces of a System Exclusive message and
// hands it over whole with its last piece; the sim's input buffer needs to
// see each piece when it comes.

#include "voice/voice_layout.h"

#include <jack/jack.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace vox {

class JackEventsIn {
public:
    // On JACK's process thread, one event's bytes; timing clock, time code
    // and active sensing are left out, as the RtMidi input does with them
    // ignored.
    using Handler = std::function<void(std::span<const Byte> event)>;

    JackEventsIn() = default;
    ~JackEventsIn() { close(); }
    JackEventsIn(const JackEventsIn &) = delete;
    JackEventsIn &operator=(const JackEventsIn &) = delete;

    // A client with one MIDI input port; false with the reason in `why`.
    bool open(const std::string &clientName, const std::string &portName, Handler handler, std::string &why);
    // The handler is not called any more once this returns.
    void close();

private:
    static int Process(jack_nframes_t frames, void *self);
    struct CloseClient {
        void operator()(jack_client_t *client) const;
    };
    Handler handler_;
    std::unique_ptr<jack_client_t, CloseClient> client_;
    jack_port_t *port_ = nullptr; // owned by the client
};

} // namespace vox
