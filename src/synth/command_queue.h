#pragma once
// Commands from the program's thread to the audio thread: a single-producer
// single-consumer ring of fixed capacity. Neither side locks or allocates;
// a full ring drops the command and says so, since the producer must never
// wait on the audio thread.

#include "synth/dx7_sound.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace vox {

class SynthCommandQueue {
public:
    static constexpr std::size_t kCapacity = 256; // a power of two

    // Producer side. False when the ring is full.
    bool push(const SynthCommand &command) {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        const std::size_t tail = tail_.load(std::memory_order_acquire);
        if (head - tail == kCapacity) return false;
        ring_[head & (kCapacity - 1)] = command;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    // Consumer side: every queued command, oldest first.
    template <typename F> std::size_t drain(F &&apply) {
        std::size_t tail = tail_.load(std::memory_order_relaxed);
        const std::size_t head = head_.load(std::memory_order_acquire);
        const std::size_t count = head - tail;
        for (; tail != head; ++tail) {
            apply(ring_[tail & (kCapacity - 1)]);
            tail_.store(tail + 1, std::memory_order_release);
        }
        return count;
    }

    bool empty() const {
        return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire);
    }

private:
    std::array<SynthCommand, kCapacity> ring_{};
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};
};

} // namespace vox
