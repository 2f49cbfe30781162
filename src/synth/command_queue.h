#pragma once
// Commands from the program's thread to the audio thread: a single-producer
// single-consumer ring of fixed capacity. Neither side locks or allocates,
// and the producer never waits on the audio thread.
//
// A full ring loses no note-off and no sound change: from then on, until
// the audio thread has taken them, commands are folded into an overflow
// record (keys to release, "all notes off", the latest value of each voice
// parameter, function setting and controller) that the audio thread applies after the ring's older commands.
// Only a note-on finding the ring full is dropped: a missing note, never a
// stuck one.

#include "synth/dx7_sound.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace vox {

class SynthCommandQueue {
public:
    static constexpr std::size_t kCapacity = 256; // a power of two
    // Voice parameters 0..154 and 155, the operator switches.
    static constexpr std::size_t kParameterSlots = kParamCount + 1;
    // The function settings 64..77, then the bend, controls 1, 2, 4 and 65,
    // and the aftertouch.
    static constexpr std::size_t kPlaySlots = kFunctionParamCount + 6;

    // Producer side. False only when a note-on was dropped.
    bool push(const SynthCommand &command) {
        if (overflowing_) {
            // Left only once the audio thread has applied the whole record,
            // so that nothing newer goes ahead of it.
            if (taken_.load(std::memory_order_acquire) != marked_) return fold(command);
            overflowing_ = false;
        }
        const std::size_t head = head_.load(std::memory_order_relaxed);
        const std::size_t tail = tail_.load(std::memory_order_acquire);
        if (head - tail < kCapacity) {
            ring_[head & (kCapacity - 1)] = command;
            head_.store(head + 1, std::memory_order_release);
            return true;
        }
        overflowing_ = true;
        recordAt_.store(head, std::memory_order_relaxed); // published by fold()'s release
        return fold(command);
    }

    // Consumer side: every queued command, oldest first, then the overflow
    // record once every command queued before it is applied.
    template <typename F> std::size_t drain(F &&apply) {
        std::size_t tail = tail_.load(std::memory_order_relaxed);
        const std::size_t head = head_.load(std::memory_order_acquire);
        const std::size_t count = head - tail;
        for (; tail != head; ++tail) {
            apply(ring_[tail & (kCapacity - 1)]);
            tail_.store(tail + 1, std::memory_order_release);
        }
        const std::uint32_t marked = marked_shared_.load(std::memory_order_acquire);
        if (marked != applied_ && tail == recordAt_.load(std::memory_order_relaxed)) {
            applyRecord(apply);
            applied_ = marked;
            taken_.store(marked, std::memory_order_release);
        }
        return count;
    }

    bool empty() const {
        return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire) &&
               marked_shared_.load(std::memory_order_acquire) == taken_.load(std::memory_order_acquire);
    }

private:
    using Kind = SynthCommand::Kind;

    bool fold(const SynthCommand &c) {
        bool kept = true;
        switch (c.kind) {
        case Kind::NoteOn:
            if (c.velocity != 0) {
                kept = false;
                break;
            }
            [[fallthrough]]; // velocity 0 is a note-off
        case Kind::NoteOff:
            releases_[(c.note >> 6) & 1].fetch_or(std::uint64_t{1} << (c.note & 63),
                                                  std::memory_order_relaxed);
            break;
        case Kind::AllNotesOff:
            allOff_.store(true, std::memory_order_relaxed);
            break;
        case Kind::SetVoice:
            for (std::size_t p = 0; p < kParamCount; ++p)
                setSlot(p, c.voice[p]);
            setSlot(kParamCount, c.operatorSwitches);
            break;
        case Kind::SetParameter:
            if (c.parameter < kParameterSlots) setSlot(c.parameter, c.value);
            break;
        case Kind::SetFunction:
        case Kind::PitchBend:
        case Kind::Controller:
        case Kind::Aftertouch:
            if (const int slot = PlaySlot(c); slot >= 0)
                play_[static_cast<std::size_t>(slot)].store(static_cast<std::uint16_t>(0x100 | c.value),
                                                            std::memory_order_relaxed);
            break;
        }
        if (kept) marked_shared_.store(++marked_, std::memory_order_release);
        return kept;
    }

    static constexpr Byte kPlayControls[4] = {1, 2, 4, 65};
    static int PlaySlot(const SynthCommand &c) {
        const int bend = kFunctionParamCount;
        switch (c.kind) {
        case Kind::SetFunction:
            return IsFunctionParam(c.parameter) ? c.parameter - kFirstFunctionParam : -1;
        case Kind::PitchBend:
            return bend;
        case Kind::Aftertouch:
            return bend + 5;
        case Kind::Controller:
            for (int i = 0; i < 4; ++i)
                if (kPlayControls[i] == c.parameter) return bend + 1 + i;
            return -1;
        default:
            return -1;
        }
    }
    static SynthCommand PlayCommand(std::size_t slot, Byte value) {
        SynthCommand c;
        c.value = value;
        const std::size_t bend = kFunctionParamCount;
        if (slot < bend) {
            c.kind = Kind::SetFunction;
            c.parameter = static_cast<Byte>(kFirstFunctionParam + static_cast<int>(slot));
        } else if (slot == bend) {
            c.kind = Kind::PitchBend;
        } else if (slot == bend + 5) {
            c.kind = Kind::Aftertouch;
        } else {
            c.kind = Kind::Controller;
            c.parameter = kPlayControls[slot - bend - 1];
        }
        return c;
    }

    void setSlot(std::size_t p, Byte value) {
        parameters_[p].store(static_cast<std::uint16_t>(0x100 | value), std::memory_order_relaxed);
    }

    template <typename F> void applyRecord(F &apply) {
        SynthCommand c;
        if (allOff_.exchange(false, std::memory_order_relaxed)) {
            c.kind = Kind::AllNotesOff;
            apply(c);
        }
        c.kind = Kind::NoteOff;
        for (std::size_t half = 0; half < 2; ++half) {
            std::uint64_t keys = releases_[half].exchange(0, std::memory_order_relaxed);
            for (int bit = 0; keys != 0; ++bit, keys >>= 1)
                if (keys & 1) {
                    c.note = static_cast<Byte>(half * 64 + static_cast<std::size_t>(bit));
                    apply(c);
                }
        }
        // A whole voice goes in as one, so the engine derives it once.
        std::array<std::uint16_t, kParameterSlots> pending{};
        bool whole = true;
        for (std::size_t p = 0; p < kParameterSlots; ++p) {
            pending[p] = parameters_[p].exchange(0, std::memory_order_relaxed);
            whole = whole && pending[p] != 0;
        }
        if (whole) {
            c.kind = Kind::SetVoice;
            for (std::size_t p = 0; p < kParamCount; ++p)
                c.voice[p] = static_cast<Byte>(pending[p] & 0xFF);
            c.operatorSwitches = static_cast<Byte>(pending[kParamCount] & 0xFF);
            apply(c);
        } else {
            c.kind = Kind::SetParameter;
            for (std::size_t p = 0; p < kParameterSlots; ++p) {
                if (pending[p] == 0) continue;
                c.parameter = static_cast<Byte>(p);
                c.value = static_cast<Byte>(pending[p] & 0xFF);
                apply(c);
            }
        }
        for (std::size_t p = 0; p < kPlaySlots; ++p)
            if (const std::uint16_t v = play_[p].exchange(0, std::memory_order_relaxed); v != 0) {
                SynthCommand play = PlayCommand(p, static_cast<Byte>(v & 0xFF));
                apply(play);
            }
    }

    std::array<SynthCommand, kCapacity> ring_{};
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};

    // The overflow record, written by the producer, taken by the consumer.
    alignas(64) std::array<std::atomic<std::uint64_t>, 2> releases_{}; // keys 0..63, 64..127
    std::atomic<bool> allOff_{false};
    std::array<std::atomic<std::uint16_t>, kParameterSlots> parameters_{}; // 0x100 | value; 0 = none
    std::array<std::atomic<std::uint16_t>, kPlaySlots> play_{};            // the same
    std::atomic<std::size_t> recordAt_{~std::size_t{0}}; // the ring position the record follows
    std::atomic<std::uint32_t> marked_shared_{0};        // changes folded in so far
    alignas(64) std::atomic<std::uint32_t> taken_{0};    // changes the consumer has applied

    // Each side's own.
    bool overflowing_ = false;
    std::uint32_t marked_ = 0;
    std::uint32_t applied_ = 0;
};

} // namespace vox
