#include "midi/virtual_dx7_ports.h"

#include <algorithm>

namespace vox {

void VirtualDx7OutPort::sendShort(Byte status, Byte data1, Byte data2) {
    if (!open_) return;
    const Byte bytes[3] = {status, data1, data2};
    const std::size_t n = std::clamp<std::size_t>(ChannelMessageLength(status), 1, 3);
    dx7_.receive(std::span<const Byte>(bytes, n), clock_());
}

void VirtualDx7OutPort::sendSysEx(std::span<const Byte> message) {
    if (open_) dx7_.receive(message, clock_());
}

VirtualDx7InPort::VirtualDx7InPort(VirtualDx7 &dx7, Clock clock) : dx7_(dx7), clock_(std::move(clock)) {
    dx7_.setSink([this](std::vector<Byte> bytes, double due) { reply(std::move(bytes), due); });
}

VirtualDx7InPort::~VirtualDx7InPort() { dx7_.setSink(nullptr); }

std::size_t VirtualDx7InPort::heldBack() const {
    std::lock_guard lock(mutex_);
    return held_.size();
}

void VirtualDx7InPort::reply(std::vector<Byte> bytes, double due) {
    const double now = clock_();
    if (due <= now) {
        deliver(bytes);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        held_.push_back(Held{std::move(bytes), due});
    }
    if (wakeAfter_) wakeAfter_(due - now);
}

void VirtualDx7InPort::deliver(const std::vector<Byte> &bytes) {
    // The instrument's answer is always a long buffer, even when broken.
    if (bytes.size() > 3 || (!bytes.empty() && bytes.front() == kSysExStart))
        receiveLong(bytes);
    else
        receive(bytes);
}

void VirtualDx7InPort::beforePoll() {
    std::vector<Held> due;
    {
        std::lock_guard lock(mutex_);
        const double now = clock_();
        // Stable: replies keep their order when due together.
        auto split =
            std::stable_partition(held_.begin(), held_.end(), [now](const Held &h) { return h.due <= now; });
        due.assign(std::make_move_iterator(held_.begin()), std::make_move_iterator(split));
        held_.erase(held_.begin(), split);
    }
    for (const Held &h : due)
        deliver(h.bytes);
}

void VirtualDx7InPort::closePort() {
    std::lock_guard lock(mutex_);
    held_.clear();
}

} // namespace vox
