// The cost of reading each kind of voice file the program loads, on the
// bytes of real files (read once, outside the timing).
#include "files/voice_files.h"
#include "voice/init_voice.h"
#include "voice/voice_scan.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <stdexcept>

namespace vox {
namespace {

std::vector<Byte> TestFile(const char *name) {
    const auto r = ReadFileBytes(std::filesystem::path(VOXMERE_TESTDATA) / name);
    if (!r.ok()) throw std::runtime_error(std::string("missing test file ") + name);
    return r.value;
}

void DecodeBankBench(benchmark::State &state, const std::vector<Byte> &bytes, BankKind kind) {
    for (auto _ : state) {
        auto r = DecodeBank(bytes, kind, "bench");
        if (!r.ok()) {
            state.SkipWithError("the file was refused");
            break;
        }
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void DecodeVoiceBench(benchmark::State &state, const std::vector<Byte> &bytes, VoiceKind kind,
                      bool expectOk) {
    for (auto _ : state) {
        auto r = DecodeVoice(bytes, kind, "bench");
        if (r.ok() != expectOk) {
            state.SkipWithError("unexpected read result");
            break;
        }
        benchmark::DoNotOptimize(r);
    }
}

void BM_DecodeBank_BulkDumpSyx(benchmark::State &s) {
    DecodeBankBench(s, TestFile("rom1a.syx"), BankKind::Syx);
}
BENCHMARK(BM_DecodeBank_BulkDumpSyx);

void BM_DecodeBank_HeaderlessSyx(benchmark::State &s) {
    DecodeBankBench(s, TestFile("headerless-4096.syx"), BankKind::Syx);
}
BENCHMARK(BM_DecodeBank_HeaderlessSyx);

void BM_DecodeBank_HeaderlessDx7(benchmark::State &s) {
    DecodeBankBench(s, TestFile("headerless-4096.syx"), BankKind::Dx7);
}
BENCHMARK(BM_DecodeBank_HeaderlessDx7);

void BM_DecodeBank_V32(benchmark::State &s) {
    // The program's own .v32 of the factory bank.
    const auto syx = DecodeBank(TestFile("rom1a.syx"), BankKind::Syx, "rom1a.syx");
    VoiceTable table;
    StoreBank(syx.value, table);
    DecodeBankBench(s, EncodeBankFile(table), BankKind::V32);
}
BENCHMARK(BM_DecodeBank_V32);

void BM_DecodeVoice_V01(benchmark::State &s) {
    const Slot voice = InitialVoice();
    DecodeVoiceBench(s, EncodeVoiceFile(voice), VoiceKind::V01, true);
}
BENCHMARK(BM_DecodeVoice_V01);

void BM_DecodeVoice_SingleVoiceSyx(benchmark::State &s) {
    DecodeVoiceBench(s, TestFile("single-voice.syx"), VoiceKind::Syx, true);
}
BENCHMARK(BM_DecodeVoice_SingleVoiceSyx);

// The MIDI file holds no single-voice dump: this is the cost of finding
// that out and refusing it.
void BM_DecodeVoice_MidRefused(benchmark::State &s) {
    DecodeVoiceBench(s, TestFile("rom1a-bank-in-smf.mid"), VoiceKind::Mid, false);
}
BENCHMARK(BM_DecodeVoice_MidRefused);

// From disk, as the 32-voice load does it (the file is in the page cache).
void BM_ReadBankFile_BulkDumpSyx(benchmark::State &state) {
    const auto file = std::filesystem::path(VOXMERE_TESTDATA) / "rom1a.syx";
    for (auto _ : state) {
        auto r = ReadBankFile(file, BankKind::Syx);
        if (!r.ok()) {
            state.SkipWithError("the file was refused");
            break;
        }
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ReadBankFile_BulkDumpSyx);

// The scan of every voice a file holds (voice/voice_scan), as the library
// runs it on each of thousands of files.
void ScanBench(benchmark::State &state, const std::vector<Byte> &bytes, const char *name,
               std::size_t voices) {
    for (auto _ : state) {
        auto scan = ScanVoiceFile(bytes, name);
        std::size_t found = 0;
        for (const FoundVoices &f : scan.found)
            found += f.voices.size();
        if (found != voices) {
            state.SkipWithError("the scan found other voices than expected");
            break;
        }
        benchmark::DoNotOptimize(scan);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

constexpr std::size_t kOneMiB = 1024 * 1024;

void BM_ScanVoiceFile_Rom1a(benchmark::State &s) { ScanBench(s, TestFile("rom1a.syx"), "rom1a.syx", 32); }
BENCHMARK(BM_ScanVoiceFile_Rom1a);

void BM_ScanVoiceFile_BankInMidiFile(benchmark::State &s) {
    ScanBench(s, TestFile("rom1a-bank-in-smf.mid"), "rom1a-bank-in-smf.mid", 32);
}
BENCHMARK(BM_ScanVoiceFile_BankInMidiFile);

// No F0 at all: refused after one pass over the bytes.
void BM_ScanVoiceFile_TextFile(benchmark::State &s) {
    ScanBench(s, TestFile("text-file-named.v01"), "text-file-named.v01", 0);
}
BENCHMARK(BM_ScanVoiceFile_TextFile);

// 1 MiB of bulk dumps one after the other: 255 whole banks, the last cut.
void BM_ScanVoiceFile_OneMiBOfBanks(benchmark::State &s) {
    const auto dump = TestFile("rom1a.syx");
    std::vector<Byte> bytes;
    while (bytes.size() < kOneMiB)
        bytes.insert(bytes.end(), dump.begin(), dump.end());
    bytes.resize(kOneMiB);
    ScanBench(s, bytes, "big.syx", (kOneMiB / dump.size()) * 32);
}
BENCHMARK(BM_ScanVoiceFile_OneMiBOfBanks);

// 1 MiB of pseudo-random bytes: about 4,000 F0 bytes, none a voice.
void BM_ScanVoiceFile_OneMiBOfNoise(benchmark::State &s) {
    std::vector<Byte> bytes(kOneMiB);
    std::uint32_t seed = 1;
    for (Byte &b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<Byte>(seed >> 24);
    }
    ScanBench(s, bytes, "noise.syx", 0);
}
BENCHMARK(BM_ScanVoiceFile_OneMiBOfNoise);

} // namespace
} // namespace vox
