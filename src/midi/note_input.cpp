#include "midi/note_input.h"

namespace vox {

bool NoteInput::choose(const std::string &name) {
    if (port_) {
        port_->close();
        port_.reset();
    }
    player_.releaseAll();
    player_.centre();
    current_.clear();
    if (name.empty() || !makePort_) return name.empty();
    std::unique_ptr<MidiInPort> port = makePort_(name);
    if (!port) return false;
    port->setWakeUp(wakeUp_);
    // The port delivers from start(); no buffer is armed, so System
    // Exclusive messages are dropped there.
    if (!port->open() || !port->start()) {
        port->close();
        return false;
    }
    port_ = std::move(port);
    current_ = name;
    return true;
}

void NoteInput::setWakeUp(std::function<void()> wakeUp) {
    wakeUp_ = std::move(wakeUp);
    if (port_) port_->setWakeUp(wakeUp_);
}

bool NoteInput::pump() {
    bool any = false;
    while (port_) {
        const std::optional<MidiInEvent> event = port_->poll();
        if (!event) break;
        any = true;
        if (event->kind != MidiInEvent::Kind::Short) continue;
        const Byte message[3] = {event->status, event->data1, event->data2};
        PlayNoteMessage(player_, message);
    }
    return any;
}

} // namespace vox
