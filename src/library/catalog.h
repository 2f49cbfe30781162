#pragma once
// The voice catalogue: every voice in the folders the user chose, kept in
// an SQLite database, found by name or by parameters, grouped by sound.
// Plain C++ over the SQLite C library, no Qt: the library window, the
// command line and the tests share it.
//
// One Catalog is one database connection and is used from one thread at a
// time; the window indexes on a worker thread with a Catalog of its own on
// the same database file and reads results on the GUI thread with another.

#include "library/voice_category.h"
#include "voice/voice_scan.h"
#include "voice/voice_supplement.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vox {

// One voice of the catalogue, as a search result.
struct CatalogVoice {
    std::int64_t id = 0;                       // the database's row id
    std::filesystem::path file;                // as found under a folder
    int bank = 1;                              // 1-based within the file
    int voice = 1;                             // 1-based within the bank (1 for a single voice)
    bool singleVoice = false;                  // from a single-voice dump or a 1-voice file
    std::array<Byte, kNameLength> nameBytes{}; // as stored
    std::string name;                          // the ten characters as UTF-8
    int algorithm = 1;                         // 1..32
    int feedback = 0;                          // 0..7
    int carriers = 1;                          // 1..6, from the algorithm table
    SoundBody body{};                          // the fingerprint of the sound
    // What the user marked on the sound (every voice with this body shares it).
    bool favourite = false;
    int rating = 0;                // 0 = not rated, 1..5
    std::vector<std::string> tags; // as written, sorted
    VoiceCategory category = VoiceCategory::Other;
    std::string categoryWhy; // CategoryReason: "name contains BASS", "chosen by hand"
    // The later models' additional data stored beside a bank voice (the
    // AMEM next to its bulk dump, or a .v32's companion); none for a Mk I
    // voice. It plays no part in the fingerprint: a voice and its copy
    // with a record are one sound.
    std::optional<Supplement> supplement;
};

// The fingerprint as text: 236 lower-case hex digits of the sound body.
std::string FingerprintHex(const SoundBody &body);

// Rating: the highest rating first, equal ratings by name.
enum class CatalogSort : std::uint8_t { Name = 0, File = 1, Algorithm = 2, Rating = 3 };

inline constexpr int kMaxRating = 5;

// Every filter set is applied; an unset filter lets every voice through.
struct CatalogQuery {
    std::string name;             // substring of the name, case-insensitive (ASCII); "" = any
    std::optional<int> algorithm; // 1..32
    std::optional<int> feedback;  // 0..7
    std::optional<int> carriers;  // 1..6
    std::string tag;              // a tag the sound carries, any case; "" = any
    bool favourite = false;       // only favourites
    int minRating = 0;            // rated at least this (1..5); 0 = any
    std::optional<VoiceCategory> category;
    CatalogSort sort = CatalogSort::Name;
    bool descending = false;
    std::size_t limit = 0; // 0 = no limit
};

// Why a tag cannot be stored, in English; empty when it can. A tag is
// trimmed of blanks first (TrimmedTag), then must hold 1 to 40 bytes and
// no control character.
std::string TagError(std::string_view tag);
std::string TrimmedTag(std::string_view tag);

// What the user marked on one sound.
struct SoundMarks {
    bool favourite = false;
    int rating = 0;
    std::vector<std::string> tags;         // sorted
    std::optional<VoiceCategory> category; // chosen by hand
};

// One position of the bank under construction: the voice as the
// catalogue holds it and where it came from.
struct BuilderEntry {
    VoiceRecord record{}; // header and 155 parameters, name included
    std::filesystem::path file;
    int bank = 1;
    int voice = 1;
    bool singleVoice = false;
    std::optional<Supplement> supplement; // the additional data that came with the voice
    bool operator==(const BuilderEntry &) const = default;
};
using BuilderPositions = std::array<std::optional<BuilderEntry>, kBankSlots>;

// A file that gave no voice, and why.
struct RefusedFile {
    std::filesystem::path file;
    ScanReason reason = ScanReason::None;
    std::size_t count = 0;
};

// A file that holds no voice but the later models' own messages
// (performances, system set-up, micro tunings, fractional scalings, voice
// supplements): what can be named of it without reading inner fields.
struct FamilyFile {
    std::filesystem::path file;
    std::string kinds; // the messages' short names in file order, each once: "PMEM", "PCED, SYSTEM"
    std::string model; // "DX7 II" or "TX802" as the block names say ("8973", "8952"); "" when none does
    std::size_t messages = 0; // whole messages whose byte count and checksum agree
    std::uintmax_t size = 0;  // bytes of the file
    bool operator==(const FamilyFile &) const = default;
};

struct IndexProgress {
    std::size_t filesDone = 0;
    std::size_t filesTotal = 0;
};

struct IndexReport {
    bool cancelled = false;
    std::string error;         // "" unless the database failed (English)
    std::size_t files = 0;     // files holding voices, after the run
    std::size_t banks = 0;     // banks, after the run
    std::size_t voices = 0;    // voices, after the run
    std::size_t filesRead = 0; // files read this run (new or changed)
    std::size_t filesUnchanged = 0;
    std::size_t filesRemoved = 0;     // gone since the last run, dropped
    std::vector<RefusedFile> refused; // every file under the folders that gives no voice, after the run
                                      // (the files of the later models' messages apart)
    std::vector<FamilyFile> family;   // those files, after the run
    std::vector<std::filesystem::path> missingFolders; // folders not found this run (their files dropped)
};

// Voices that sound the same: equal sound bodies.
struct DuplicateGroup {
    SoundBody body{};
    std::vector<CatalogVoice> voices; // two or more
};

// Two voices whose parameters lie within the threshold of each other.
struct NearDuplicate {
    CatalogVoice a, b;
    int distance = 0;
};

class Catalog {
public:
    // Opens (creating if needed) the database at `file`. On failure returns
    // nullptr and sets `error` (English).
    static std::unique_ptr<Catalog> Open(const std::filesystem::path &file, std::string &error);
    ~Catalog();
    Catalog(const Catalog &) = delete;
    Catalog &operator=(const Catalog &) = delete;

    // The folders indexed, in the order added.
    std::vector<std::filesystem::path> folders() const;
    bool addFolder(const std::filesystem::path &folder);    // false if already there
    bool removeFolder(const std::filesystem::path &folder); // drops its voices too

    // Walks every folder: reads new files and files whose size or
    // modification time changed, drops files that are gone. `progress` is
    // called on the calling thread before the first file and after each
    // file; `cancel` stops the run between files, leaving the catalogue as
    // it was before the run. A run that another connection's run holds up
    // waits for it (up to 10 s, then fails with `error`).
    IndexReport index(const std::function<void(const IndexProgress &)> &progress = {},
                      const std::atomic<bool> *cancel = nullptr);

    // `matched`, when given, gets how many voices passed before the limit.
    std::vector<CatalogVoice> search(const CatalogQuery &query, std::size_t *matched = nullptr) const;
    std::size_t voiceCount() const;

    // Groups of two or more voices with equal sound bodies, largest first.
    // Only the voices `among` finds take part (its filters; its sort and
    // limit play no part).
    std::vector<DuplicateGroup> duplicates(const CatalogQuery &among = {}) const;
    // Pairs of voices with different bodies whose distance is at most
    // `threshold` (see NearDistance), closest first. Each sound body is
    // represented by one voice (the first in file order); its equals are
    // in duplicates(). Only the voices `among` finds take part.
    std::vector<NearDuplicate> nearDuplicates(int threshold, const CatalogQuery &among = {}) const;

    // The stored voice (header and 155 parameters) of a result.
    std::optional<VoiceRecord> record(std::int64_t id) const;
    // The 32 voices of the bank a result belongs to, from the catalogue;
    // nullopt for a single voice.
    std::optional<BankRecords> bank(std::int64_t id) const;
    // The same bank with each voice's additional data (none where a voice
    // came without).
    struct BankWithSupplements {
        BankRecords voices{};
        BankSupplements supplements{};
    };
    std::optional<BankWithSupplements> bankWithSupplements(std::int64_t id) const;
    // The additional data stored with a result; nullopt when it has none
    // or is gone.
    std::optional<Supplement> supplement(std::int64_t id) const;

    // The refusals of the last run that read those files.
    std::vector<RefusedFile> refusedFiles() const;
    // The files of the later models' messages, by path.
    std::vector<FamilyFile> familyFiles() const;

    // Marks on a sound, kept by its body: they hold for every voice of that
    // sound in any file and bank, and outlive index runs and removed files.
    // A failed write returns false and leaves the reason in lastError().
    SoundMarks marks(const SoundBody &body) const;
    bool setFavourite(const SoundBody &body, bool favourite);
    bool setRating(const SoundBody &body, int rating); // 0..kMaxRating
    bool addTag(const SoundBody &body, std::string_view tag);
    bool removeTag(const SoundBody &body, std::string_view tag); // true also when it was not there
    // nullopt: the category comes from the rules again.
    bool setCategory(const SoundBody &body, std::optional<VoiceCategory> category);
    // Every tag in use, sorted, with how many sounds carry it.
    std::vector<std::pair<std::string, std::size_t>> tagCounts() const;

    // The rules that categorize names (none: every voice is Other until set).
    void setCategoryRules(CategoryRules rules);
    const CategoryRules &categoryRules() const;

    // The bank under construction, kept in the catalogue across runs.
    BuilderPositions builder() const;
    bool saveBuilder(const BuilderPositions &positions);

    std::string lastError() const;

    // Every voice that sounds as voice `id` does (its own body), itself
    // included, in file order; empty when there is no such voice.
    std::vector<CatalogVoice> sameSound(std::int64_t id) const;
    // Every voice with another body within `threshold` of voice `id`'s
    // (NearDistance), as pairs with that voice as `a`: closest first, then
    // in file order. Not thinned to one voice a body, as nearDuplicates is.
    std::vector<NearDuplicate> nearVoices(std::int64_t id, int threshold) const;

private:
    Catalog();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The parameter distance of near-duplicates, a weighted L1 distance over
// the 145 sound parameters (name excluded), each read as the instrument
// reads it (ParamValue). A step of a parameter weighs 99 / its range,
// rounded, so that sweeping any one parameter over its whole range costs
// about 99: a step of a rate, level, depth, output level or fine frequency
// weighs 1, of transpose 2, of coarse frequency 3, of detune 7, of rate
// scaling, key velocity, feedback or pitch sensitivity 14, of a curve or
// amplitude sensitivity 33, of oscillator mode or either key sync 99. The
// LFO wave is a choice, not a scale: any change weighs 99. Voices on
// different algorithms are never near: their distance is kNearApart, more
// than any threshold. A threshold of 10 thus allows, say, ten steps of
// levels and rates, or one step of detune and three of levels.
inline constexpr int kNearApart = 1 << 20;
int NearDistance(const SoundBody &a, const SoundBody &b);

} // namespace vox
