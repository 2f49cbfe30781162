// Arbitrary bytes through the command-line tool's readers: inspect (from
// the bytes and from a file) and convert to every output kind. The first
// input byte picks the file name's ending; the rest is the file.
#include "files/file_convert.h"
#include "files/file_report.h"
#include "fuzz_check.h"
#include "voice/bank_format.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

namespace {

using namespace vox;

using fuzz::Check;
using fuzz::SameData;

constexpr std::array<const char *, 7> kEndings{".syx", ".v32", ".v01", ".mid", ".dx7", ".32", ".bin"};

// One folder per process, so parallel fuzzing jobs do not share files;
// removed when the run ends.
struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        path = std::filesystem::temp_directory_path() / ("voxmere-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::filesystem::path &Folder() {
    static const TempFolder folder;
    return folder.path;
}

void CheckReport(const FileReport &r, std::span<const Byte> bytes, const std::string &ending) {
    Check(r.readable, "bytes in hand reported unreadable");
    Check(!r.valid || r.problems.empty(), "valid with problems");
    Check(r.kind != FileKind::Unknown || !r.problems.empty(), "unknown kind without a problem");
    for (const auto &p : r.problems)
        Check(!p.empty(), "empty problem sentence");
    int last = 0;
    for (const auto &v : r.voices) {
        Check(v.number > last && v.number <= static_cast<int>(kBankSlots), "voice numbers out of order");
        last = v.number;
    }
    const std::string name = "f" + ending;
    const bool bank = DecodeBank(bytes, BankKindOfName(name), name).ok();
    const bool voice = DecodeVoice(bytes, VoiceKindOfName(name), name).ok();
    Check((r.loadsAs == LoadsAs::Bank) == bank, "report's bank load differs from the loader");
    Check(r.loadsAs != LoadsAs::Voice || (voice && !bank), "report's voice load differs from the loader");
    // A file the report calls valid under its own name's kind loads.
    if (r.valid) {
        if (r.kind == FileKind::V32 || (r.kind == FileKind::BulkDump && ending == ".syx") ||
            (r.kind == FileKind::HeaderlessBank && (ending == ".dx7" || ending == ".32" || ending == ".syx")))
            Check(r.loadsAs == LoadsAs::Bank, "valid bank that does not load");
        if (r.kind == FileKind::V01 || (r.kind == FileKind::SingleVoiceDump && ending == ".syx"))
            Check(r.loadsAs == LoadsAs::Voice, "valid voice that does not load");
        // A MIDI file holds a bank or a voice.
        if (r.kind == FileKind::MidiFile && ending == ".mid")
            Check(r.loadsAs != LoadsAs::None, "valid MIDI file that does not load");
    }
}

void CheckDumpFrame(const std::vector<Byte> &b, std::size_t size, const std::array<Byte, 6> &header) {
    Check(b.size() == size, "dump length");
    Check(std::equal(header.begin(), header.end(), b.begin()), "dump header");
    Check(b.back() == kSysExEnd, "dump does not end F7");
    for (std::size_t i = 1; i + 1 < b.size(); ++i)
        Check(b[i] <= 0x7F, "dump data byte above 7F");
    Check(b[size - 2] == ChecksumOf(std::span<const Byte>(b.data() + 6, size - 8)), "dump checksum");
}

void CheckEncoded(const LoadedVoices &in, OutputKind kind, std::optional<int> voice) {
    const Encoded e = EncodeFor(in, kind, voice);
    const bool picksOne = voice.has_value();
    const int count = in.isBank ? static_cast<int>(kBankSlots) : 1;
    if (picksOne && (*voice < 1 || *voice > count)) {
        Check(!e.error.empty() && e.bytes.empty(), "out-of-range voice accepted");
        return;
    }
    const bool bank = in.isBank && !picksOne;
    const bool refused = (bank && kind == OutputKind::V01) || (!bank && kind == OutputKind::V32);
    Check(refused == !e.error.empty(), "EncodeFor refused what it can write, or wrote what it cannot");
    if (refused) return;
    Check(e.voices == (bank ? 32 : 1), "voice count");
    const VoiceRecord &one =
        !in.isBank ? in.voice : in.bank[static_cast<std::size_t>(picksOne ? *voice - 1 : 0)];
    switch (kind) {
    case OutputKind::V32: {
        Check(e.bytes.size() == kBankFileSize, ".v32 length");
        const auto back = DecodeBank(e.bytes, BankKind::V32, "x.v32");
        Check(back.ok(), ".v32 of our own refused");
        for (std::size_t v = 0; back.ok() && v < kBankSlots; ++v)
            Check(SameData(back.value[v], in.bank[v]), ".v32 reads back different voices");
        break;
    }
    case OutputKind::V01:
        Check(e.bytes.size() == kRecordSize, ".v01 length");
        for (std::size_t i = kParamBase; i < kRecordSize && e.bytes.size() == kRecordSize; ++i)
            Check(e.bytes[i] == (one[i] & 0x7F), ".v01 parameter differs from the voice");
        break;
    case OutputKind::Syx:
        if (bank) {
            // A bank whose 32 voices carry additional data has its AMEM
            // first, the records as they came.
            const bool amem = AllHeld(in.supplements);
            Check(e.supplementsKept == amem, "additional data kept or dropped against what the bank holds");
            Check(e.bytes.size() == (amem ? kAmemMessageSize : 0) + kBulkMessageSize, "bank .syx length");
            if (amem && e.bytes.size() > kAmemMessageSize) {
                const std::span<const Byte> head(e.bytes.data(), kAmemMessageSize);
                const auto records = SupplementsOfAmem(head);
                Check(records.has_value() && *records == in.supplements,
                      "AMEM written differs from the bank's");
            }
            const std::vector<Byte> dump(
                e.bytes.end() - static_cast<std::ptrdiff_t>(std::min(e.bytes.size(), kBulkMessageSize)),
                e.bytes.end());
            CheckDumpFrame(dump, kBulkMessageSize, kBankHeader);
        } else {
            CheckDumpFrame(e.bytes, kImageSize, kVoiceHeader);
            for (std::size_t i = kParamBase; i < kChecksumPos; ++i)
                Check(e.bytes[i] == (one[i] & 0x7F), "single dump parameter differs from the voice");
            Check(DecodeVoice(e.bytes, VoiceKind::Syx, "x.syx").ok(), "own single dump refused");
        }
        break;
    case OutputKind::Unknown:
        Check(false, "unknown kind encoded");
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    const std::string ending = kEndings[data[0] % kEndings.size()];
    const Byte pick = data[0] / kEndings.size(); // --voice for the convert, 0: none
    const std::span<const Byte> bytes(data + 1, size - 1);

    const std::filesystem::path file = Folder() / ("input" + ending);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        Check(static_cast<bool>(out), "temp file write");
    }

    const FileReport fromBytes = InspectBytes(file, bytes);
    CheckReport(fromBytes, bytes, ending);
    const FileReport fromFile = InspectFile(file);
    Check(fromFile.kind == fromBytes.kind && fromFile.valid == fromBytes.valid &&
              fromFile.loadsAs == fromBytes.loadsAs && fromFile.problems == fromBytes.problems &&
              fromFile.voices.size() == fromBytes.voices.size(),
          "InspectFile and InspectBytes disagree");

    const auto loaded = ReadAnyVoiceFile(file);
    if (!loaded.ok()) {
        Check(loaded.error.failure != ReadFailure::None, "refusal without a reason");
        Check(!ReadErrorEnglish(loaded.error).empty(), "refusal without a text");
        return 0;
    }
    // The tool reads exactly what the program's loaders read.
    const std::string name = file.filename().string();
    if (loaded.value.isBank) {
        const auto b = DecodeBank(bytes, BankKindOfName(name), file);
        Check(b.ok() && b.value == loaded.value.bank, "convert read a bank the loader does not");
    } else {
        const VoiceKind vk = BankKindOfName(name) == BankKind::Syx ? VoiceKind::Syx : VoiceKindOfName(name);
        const auto v = DecodeVoice(bytes, vk, file);
        Check(v.ok() && v.value == loaded.value.voice, "convert read a voice the loader does not");
    }
    for (OutputKind k : {OutputKind::V32, OutputKind::V01, OutputKind::Syx}) {
        CheckEncoded(loaded.value, k, std::nullopt);
        if (pick) CheckEncoded(loaded.value, k, static_cast<int>(pick) - 2); // -1..34: both ends too
    }
    Check(!EncodeFor(loaded.value, OutputKind::Unknown, std::nullopt).error.empty(), "unknown kind written");
    return 0;
}
