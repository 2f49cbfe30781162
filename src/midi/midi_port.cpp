#include "midi/midi_port.h"

#include <algorithm>

namespace vox {

void MidiOutPort::sendSysExPart(std::span<const Byte> part) {
    if (part.empty()) return;
    if (part.front() == kSysExStart) parts_.clear();
    parts_.insert(parts_.end(), part.begin(), part.end());
    if (part.back() != kSysExEnd) return;
    const std::vector<Byte> whole = std::move(parts_);
    parts_.clear();
    sendSysEx(whole);
}

bool MidiInPort::open() {
    {
        std::lock_guard lock(mutex_);
        if (open_) return false;
    }
    if (!openPort()) return false;
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        open_ = true;
        started_ = prepared_ = armed_ = false;
        raw_.clear();
        MidiInEvent opened;
        opened.kind = MidiInEvent::Kind::Opened;
        pending_.push_back(std::move(opened));
        wake = wakeUp_;
    }
    if (wake) wake();
    return true;
}

bool MidiInPort::prepareBuffer() {
    std::lock_guard lock(mutex_);
    if (!open_) return false;
    prepared_ = true;
    return true;
}

bool MidiInPort::addBuffer() {
    std::lock_guard lock(mutex_);
    if (!open_ || !prepared_) return false;
    armed_ = true;
    return true;
}

bool MidiInPort::start() {
    std::lock_guard lock(mutex_);
    if (!open_) return false;
    started_ = true;
    return true;
}

bool MidiInPort::reset() {
    std::lock_guard lock(mutex_);
    if (!open_) return false;
    started_ = false;
    armed_ = false;
    raw_.clear();
    return true;
}

bool MidiInPort::stop() {
    std::lock_guard lock(mutex_);
    if (!open_) return false;
    started_ = false;
    return true;
}

bool MidiInPort::unprepareBuffer() {
    std::lock_guard lock(mutex_);
    if (!open_) return false;
    prepared_ = false;
    armed_ = false;
    return true;
}

bool MidiInPort::close() {
    {
        std::lock_guard lock(mutex_);
        if (!open_) return false;
        open_ = started_ = prepared_ = armed_ = false;
        raw_.clear();
        pending_.clear();
    }
    closePort();
    return true;
}

bool MidiInPort::isOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

void MidiInPort::receive(std::span<const Byte> message) { queue(false, message); }

void MidiInPort::receiveLong(std::span<const Byte> message) { queue(true, message); }

void MidiInPort::queue(bool longData, std::span<const Byte> message) {
    if (message.empty()) return;
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        if (!open_ || !started_) return; // the driver delivers nothing before start
        raw_.push_back(Raw{false, longData, std::vector<Byte>(message.begin(), message.end())});
        wake = wakeUp_;
    }
    if (wake) wake();
}

void MidiInPort::receiveError() {
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        if (!open_ || !started_) return;
        raw_.push_back(Raw{true, false, {}});
        wake = wakeUp_;
    }
    if (wake) wake();
}

std::optional<MidiInEvent> MidiInPort::poll() {
    beforePoll();
    std::lock_guard lock(mutex_);
    if (!pending_.empty()) {
        MidiInEvent event = std::move(pending_.front());
        pending_.pop_front();
        return event;
    }
    while (!raw_.empty()) {
        Raw raw = std::move(raw_.front());
        raw_.pop_front();
        MidiInEvent event;
        // Longer than a channel message: a System Exclusive message, even
        // one whose first byte was lost or corrupted on the way.
        const bool sysEx =
            !raw.error && (raw.longData || raw.bytes.front() == kSysExStart || raw.bytes.size() > 3);
        if (raw.error || sysEx) {
            // Long messages need the armed buffer; without one they are lost,
            // except one no buffer could hold: that is the instrument's bulk
            // dump, sent when the user chose, and the buffer's view of it
            // would be only its first piece anyway.
            if (!armed_) {
                if (raw.error || raw.bytes.size() <= kInputBufferSize) continue;
                event.kind = MidiInEvent::Kind::LongData;
                event.buffered = false;
                event.whole = std::move(raw.bytes);
                return event;
            }
            armed_ = false;
            if (raw.error) {
                event.kind = MidiInEvent::Kind::LongError;
            } else {
                event.kind = MidiInEvent::Kind::LongData;
                const std::size_t n = std::min(raw.bytes.size(), kInputBufferSize);
                event.bytes.assign(raw.bytes.begin(), raw.bytes.begin() + static_cast<std::ptrdiff_t>(n));
                event.whole = std::move(raw.bytes);
            }
            return event;
        }
        event.kind = MidiInEvent::Kind::Short;
        event.status = raw.bytes[0];
        event.data1 = raw.bytes.size() > 1 ? raw.bytes[1] : 0;
        event.data2 = raw.bytes.size() > 2 ? raw.bytes[2] : 0;
        return event;
    }
    return std::nullopt;
}

void MidiInPort::setWakeUp(std::function<void()> wakeUp) {
    std::lock_guard lock(mutex_);
    wakeUp_ = std::move(wakeUp);
}

} // namespace vox
