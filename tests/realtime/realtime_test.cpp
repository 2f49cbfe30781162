// The audio thread's work neither allocates nor locks. This executable
// replaces operator new/delete and the C allocator, and interposes the
// pthread lock calls, counting every call made on a thread while it is
// marked as the audio thread. That thread then does what the audio
// callback does, period after period (RenderPeriod: drain the command
// queue into the engine, render), while the program's side posts notes,
// whole voices and parameter changes the way the virtual DX7 hands them on.
#include "../common/test_files.h"
#include "midi/virtual_dx7.h"
#include "synth/audio_out.h"
#include "synth/command_queue.h"
#include "synth/dx7_sound.h"
#include "synth/fm_engine.h"
#include "voice/bank_format.h"
#include "voice/dx7_messages.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace {

thread_local bool t_audioThread = false;
std::atomic<int> g_allocations{0};
std::atomic<int> g_locks{0};

void CountAllocation() {
    if (t_audioThread) g_allocations.fetch_add(1, std::memory_order_relaxed);
}
void CountLock() {
    if (t_audioThread) g_locks.fetch_add(1, std::memory_order_relaxed);
}

template <class F> F Next(const char *name) {
    // dlsym itself may allocate: never count inside it.
    const bool was = t_audioThread;
    t_audioThread = false;
    auto f = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
    t_audioThread = was;
    if (!f) std::abort();
    return f;
}

} // namespace

// glibc's own allocator, under the names it keeps for interposers.
extern "C" void *__libc_malloc(std::size_t);
extern "C" void *__libc_calloc(std::size_t, std::size_t);
extern "C" void *__libc_realloc(void *, std::size_t);
extern "C" void __libc_free(void *);

extern "C" void *malloc(std::size_t size) {
    CountAllocation();
    return __libc_malloc(size);
}
extern "C" void *calloc(std::size_t n, std::size_t size) {
    CountAllocation();
    return __libc_calloc(n, size);
}
extern "C" void *realloc(void *p, std::size_t size) {
    CountAllocation();
    return __libc_realloc(p, size);
}
extern "C" void free(void *p) {
    if (p) CountAllocation();
    __libc_free(p);
}

void *operator new(std::size_t size) {
    CountAllocation();
    if (void *p = __libc_malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t size) { return operator new(size); }
void *operator new(std::size_t size, std::align_val_t align) {
    CountAllocation();
    void *p = nullptr;
    if (posix_memalign(&p, std::max(sizeof(void *), static_cast<std::size_t>(align)), size ? size : 1) != 0)
        throw std::bad_alloc();
    return p;
}
void *operator new[](std::size_t size, std::align_val_t align) { return operator new(size, align); }
void operator delete(void *p) noexcept {
    if (p) CountAllocation();
    __libc_free(p);
}
void operator delete[](void *p) noexcept { operator delete(p); }
void operator delete(void *p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void *p, std::size_t) noexcept { operator delete(p); }
void operator delete(void *p, std::align_val_t) noexcept { operator delete(p); }
void operator delete[](void *p, std::align_val_t) noexcept { operator delete(p); }
void operator delete(void *p, std::size_t, std::align_val_t) noexcept { operator delete(p); }
void operator delete[](void *p, std::size_t, std::align_val_t) noexcept { operator delete(p); }

extern "C" int pthread_mutex_lock(pthread_mutex_t *m) {
    CountLock();
    static const auto next = Next<int (*)(pthread_mutex_t *)>("pthread_mutex_lock");
    return next(m);
}
extern "C" int pthread_mutex_trylock(pthread_mutex_t *m) {
    CountLock();
    static const auto next = Next<int (*)(pthread_mutex_t *)>("pthread_mutex_trylock");
    return next(m);
}
extern "C" int pthread_rwlock_rdlock(pthread_rwlock_t *l) {
    CountLock();
    static const auto next = Next<int (*)(pthread_rwlock_t *)>("pthread_rwlock_rdlock");
    return next(l);
}
extern "C" int pthread_rwlock_wrlock(pthread_rwlock_t *l) {
    CountLock();
    static const auto next = Next<int (*)(pthread_rwlock_t *)>("pthread_rwlock_wrlock");
    return next(l);
}

namespace vox {
namespace {

using Bytes = std::vector<Byte>;
constexpr std::size_t kPeriod = 256;
constexpr unsigned kChannels = 2;

// Runs `work` on a new thread marked as the audio thread; what it counted.
struct Counted {
    int allocations = 0;
    int locks = 0;
};
template <class F> Counted OnAudioThread(F &&work) {
    g_allocations = 0;
    g_locks = 0;
    std::thread audio([&work] {
        t_audioThread = true;
        work();
        t_audioThread = false;
    });
    audio.join();
    return {g_allocations.load(), g_locks.load()};
}

// The counters see what they are meant to see: without this, a zero below
// could mean that nothing was interposed at all.
TEST(RealtimeTest, TheCountersSeeAllocationsAndLocks) {
    std::mutex mutex;
    const Counted c = OnAudioThread([&mutex] {
        auto *p = new int(3);
        delete p;
        std::vector<float> v(100);
        const std::lock_guard<std::mutex> lock(mutex);
    });
    EXPECT_GE(c.allocations, 4) << "new, delete and the vector's allocation and release";
    EXPECT_GE(c.locks, 1) << "the std::mutex";
}

// GIVEN an engine and its queue as the audio out holds them, and the
// virtual DX7 whose sound turns what it takes into commands
TEST(RealtimeTest, TheAudioThreadNeitherAllocatesNorLocks) {
    const Bytes bank = test::ReadFileContents(std::filesystem::path(VOXMERE_TESTDATA) / "rom1a.syx");
    ASSERT_EQ(bank.size(), kBulkMessageSize) << "rom1a.syx";

    FmEngine engine(48000.0);
    SynthCommandQueue queue;
    std::vector<float> scratch(4096);
    std::vector<float> out(kPeriod * kChannels);
    std::atomic<int> dropped{0};
    Dx7Sound sound([&queue, &dropped](const SynthCommand &c) {
        if (!queue.push(c)) ++dropped;
    });
    VirtualDx7 dx7;
    dx7.setEventSink([&sound](const Dx7Event &e) { sound.hear(e); });
    dx7.receive(bank);
    dx7.receive(Bytes{0xC0, 0});
    ASSERT_EQ(dx7.refusals(), 0) << dx7.lastRefusal();

    constexpr int kPeriods = 600;
    std::atomic<int> rendered{0};
    std::atomic<bool> done{false};
    double energy = 0.0;

    // The program's side, posting while the audio thread runs: 16 notes at
    // once, a new voice, parameter changes, notes off, and again.
    std::thread program([&] {
        int round = 0;
        while (!done.load()) {
            const int program = round % 32;
            dx7.receive(Bytes{0xC0, static_cast<Byte>(program)});
            for (int n = 0; n < 16; ++n)
                dx7.receive(Bytes{0x90, static_cast<Byte>(36 + n * 3), static_cast<Byte>(40 + n * 5)});
            for (int p = 0; p < 155; p += 7) {
                const ParameterChange m = ParameterChangeMessage(p, ParamMax(p) / 2);
                dx7.receive(Bytes(m.begin(), m.end()));
            }
            // Operator 1, a carrier in every algorithm, always on.
            dx7.receive(Bytes{0xF0, 0x43, 0x10, 0x01, 0x1B, static_cast<Byte>(0x20 | (round % 32)), 0xF7});
            const int seen = rendered.load();
            while (!done.load() && rendered.load() < seen + 4)
                std::this_thread::yield();
            for (int n = 0; n < 16; ++n)
                dx7.receive(Bytes{0x80, static_cast<Byte>(36 + n * 3), 0});
            ++round;
        }
    });

    // WHEN the audio thread renders period after period
    const Counted c = OnAudioThread([&] {
        for (int i = 0; i < kPeriods; ++i) {
            RenderPeriod(queue, engine, out.data(), kPeriod, kChannels, scratch);
            for (std::size_t s = 0; s < kPeriod; ++s)
                energy += static_cast<double>(out[s * kChannels]) * out[s * kChannels];
            rendered.fetch_add(1);
            // Leave the program's side room to post between periods.
            if (i % 8 == 0) std::this_thread::yield();
        }
    });
    done = true;
    program.join();
    // Whatever the program posted last is taken too, counted as well.
    const Counted last =
        OnAudioThread([&] { RenderPeriod(queue, engine, out.data(), kPeriod, kChannels, scratch); });

    // THEN it sounded, and nothing was allocated or locked on its thread
    EXPECT_GT(energy, 0.0) << "the notes sounded";
    EXPECT_EQ(c.allocations + last.allocations, 0);
    EXPECT_EQ(c.locks + last.locks, 0);
}

// GIVEN a queue the audio thread fell behind on: full, with a voice and
// note-offs folded in beyond it
TEST(RealtimeTest, CatchingUpOnAFullQueueNeitherAllocatesNorLocks) {
    FmEngine engine(48000.0);
    SynthCommandQueue queue;
    std::vector<float> scratch(4096);
    std::vector<float> out(kPeriod * kChannels);
    SynthCommand c;
    c.kind = SynthCommand::Kind::NoteOn;
    c.velocity = 100;
    for (std::size_t i = 0; i < SynthCommandQueue::kCapacity; ++i) {
        c.note = static_cast<Byte>(36 + i % 16);
        ASSERT_TRUE(queue.push(c));
    }
    c.kind = SynthCommand::Kind::SetVoice;
    ASSERT_TRUE(queue.push(c));
    c.kind = SynthCommand::Kind::NoteOff;
    ASSERT_TRUE(queue.push(c));
    // WHEN the audio thread renders a period
    const Counted counted =
        OnAudioThread([&] { RenderPeriod(queue, engine, out.data(), kPeriod, kChannels, scratch); });
    // THEN it took everything without an allocation or a lock
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(counted.allocations, 0);
    EXPECT_EQ(counted.locks, 0);
}

} // namespace
} // namespace vox
