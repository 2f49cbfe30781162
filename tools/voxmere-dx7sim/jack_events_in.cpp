#include "jack_events_in.h"

#include <jack/midiport.h>

namespace vox {

void JackEventsIn::CloseClient::operator()(jack_client_t *client) const {
    jack_deactivate(client);
    jack_client_close(client);
}

bool JackEventsIn::open(const std::string &clientName, const std::string &portName, Handler handler,
                        std::string &why) {
    close();
    handler_ = std::move(handler);
    jack_status_t status{};
    client_.reset(jack_client_open(clientName.c_str(), JackNoStartServer, &status));
    if (!client_) {
        why = "JACK server not running?";
        return false;
    }
    port_ = jack_port_register(client_.get(), portName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (!port_ || jack_set_process_callback(client_.get(), &JackEventsIn::Process, this) != 0 ||
        jack_activate(client_.get()) != 0) {
        why = "cannot set up the JACK input port " + portName;
        close();
        return false;
    }
    return true;
}

void JackEventsIn::close() {
    client_.reset();
    port_ = nullptr;
}

int JackEventsIn::Process(jack_nframes_t frames, void *self) {
    auto *in = static_cast<JackEventsIn *>(self);
    void *buffer = jack_port_get_buffer(in->port_, frames);
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0 || event.size == 0) continue;
        const Byte first = event.buffer[0];
        if (first == 0xF1 || first == 0xF8 || first == 0xFE) continue;
        in->handler_(std::span<const Byte>(event.buffer, event.size));
    }
    return 0;
}

} // namespace vox
