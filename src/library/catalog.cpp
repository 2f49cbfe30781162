// The voice catalogue over SQLite.
//
// Schema (version kSchemaVersion, kept in PRAGMA user_version):
//
//   folders(id INTEGER PRIMARY KEY, path TEXT UNIQUE)          the folders, in the order added
//   files(id INTEGER PRIMARY KEY, folder -> folders.id, path TEXT UNIQUE,
//         size INTEGER, mtime_ns INTEGER,                       what re-indexing compares
//         banks INTEGER, singles INTEGER)                       what the file gave
//   refused(file INTEGER PRIMARY KEY -> files.id, reason INTEGER, count INTEGER)
//                                                               files that gave no voice: ScanReason
//   voices(id INTEGER PRIMARY KEY, file -> files.id,
//          bank INTEGER, voice INTEGER, single INTEGER,         1-based; a single voice: bank = its
//                                                               order among the file's single voices
//          name_bytes BLOB(10), name TEXT, name_lower TEXT,     name as stored, as UTF-8, ASCII lowered
//          algorithm INTEGER, feedback INTEGER, carriers INTEGER,
//          header BLOB(6), params BLOB(155),                    the voice as the file holds it
//          body BLOB(118))                                      SoundBodyOf: the fingerprint
//   index voices_by_file on voices(file)
//
// Added in version 2, what the user keeps; nothing an index run writes:
//
//   sounds(body BLOB PRIMARY KEY, favourite INTEGER, rating INTEGER,
//          category INTEGER)                                    marks on a sound (its body), a row
//                                                               only while one is set; category:
//                                                               VoiceCategory chosen by hand, or NULL
//   tags(body BLOB, tag TEXT COLLATE NOCASE, PRIMARY KEY(body, tag))
//   builder(position INTEGER PRIMARY KEY, record BLOB(161),     the bank under construction,
//           file TEXT, bank INTEGER, voice INTEGER, single INTEGER)   1..32, where each came from
//
// Added in version 3, the later models' data:
//
//   voices.supplement BLOB(35), builder.supplement BLOB(35)   a voice's additional data (AMEM
//                                                               record), NULL for none
//   family(file INTEGER PRIMARY KEY -> files.id, kinds TEXT,   a file of the later models' messages
//          model TEXT, messages INTEGER)                        and no voice: FamilyFile
//
// A catalogue of an older version is upgraded in place when opened, in one
// transaction: the statements of each later version run in turn.
//
// Every file the walk meets is a row of files, also the refused ones, so
// that an unchanged refused file is not read again either. One index run
// is one transaction (WAL journal): a cancelled or failed run rolls back
// and the catalogue stays as it was.
//
// Searching and grouping run in memory: the first query after a change
// loads a compact copy of the voices (about 170 bytes a voice, the sound
// body being most of it) and filters it in C++; SQLite's LIKE over every
// row is several times slower than a name search may take. The copy is
// loaded again when this connection or another one (PRAGMA data_version)
// has written.
#include "library/catalog.h"

#include "voice/algorithms.h"
#include "voice/bank_format.h"
#include "voice/family_data.h"
#include "voice/voice.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace vox {
namespace {

namespace fs = std::filesystem;

// The tables of version 1, as they were first made.
constexpr const char *kSchemaV1 = R"sql(
CREATE TABLE folders(
    id INTEGER PRIMARY KEY,
    path TEXT NOT NULL UNIQUE
);
CREATE TABLE files(
    id INTEGER PRIMARY KEY,
    folder INTEGER NOT NULL REFERENCES folders(id),
    path TEXT NOT NULL UNIQUE,
    size INTEGER NOT NULL,
    mtime_ns INTEGER NOT NULL,
    banks INTEGER NOT NULL,
    singles INTEGER NOT NULL
);
CREATE TABLE refused(
    file INTEGER PRIMARY KEY REFERENCES files(id),
    reason INTEGER NOT NULL,
    count INTEGER NOT NULL
);
CREATE TABLE voices(
    id INTEGER PRIMARY KEY,
    file INTEGER NOT NULL REFERENCES files(id),
    bank INTEGER NOT NULL,
    voice INTEGER NOT NULL,
    single INTEGER NOT NULL,
    name_bytes BLOB NOT NULL,
    name TEXT NOT NULL,
    name_lower TEXT NOT NULL,
    algorithm INTEGER NOT NULL,
    feedback INTEGER NOT NULL,
    carriers INTEGER NOT NULL,
    header BLOB NOT NULL,
    params BLOB NOT NULL,
    body BLOB NOT NULL
);
CREATE INDEX voices_by_file ON voices(file);
)sql";

// kUpgrades[i] makes version i + 2 of version i + 1.
constexpr const char *kUpgrades[] = {
    R"sql(
CREATE TABLE sounds(
    body BLOB PRIMARY KEY,
    favourite INTEGER NOT NULL DEFAULT 0,
    rating INTEGER NOT NULL DEFAULT 0,
    category INTEGER
) WITHOUT ROWID;
CREATE TABLE tags(
    body BLOB NOT NULL,
    tag TEXT NOT NULL COLLATE NOCASE,
    PRIMARY KEY(body, tag)
) WITHOUT ROWID;
CREATE TABLE builder(
    position INTEGER PRIMARY KEY,
    record BLOB NOT NULL,
    file TEXT NOT NULL,
    bank INTEGER NOT NULL,
    voice INTEGER NOT NULL,
    single INTEGER NOT NULL
);
)sql",
    // The files already indexed are read again at the next run (no stored
    // time matches a file's), so that their records and family messages
    // are found; the voices and marks stay meanwhile.
    R"sql(
ALTER TABLE voices ADD COLUMN supplement BLOB;
ALTER TABLE builder ADD COLUMN supplement BLOB;
CREATE TABLE family(
    file INTEGER PRIMARY KEY REFERENCES files(id),
    kinds TEXT NOT NULL,
    model TEXT NOT NULL,
    messages INTEGER NOT NULL
);
UPDATE files SET mtime_ns = -1;
)sql",
};
constexpr int kSchemaVersion = 1 + static_cast<int>(std::size(kUpgrades));

// --- SQLite in small pieces ---------------------------------------------

// Bound texts and blobs are not copied (SQLITE_STATIC): every caller
// binds values that live until the statement has run.
class Statement {
public:
    Statement() = default;
    Statement(sqlite3 *db, const char *sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(Statement &&other) noexcept : stmt_(std::exchange(other.stmt_, nullptr)) {}
    Statement &operator=(Statement &&other) noexcept {
        std::swap(stmt_, other.stmt_);
        return *this;
    }
    explicit operator bool() const { return stmt_ != nullptr; }

    Statement &bind(int i, std::int64_t v) {
        sqlite3_bind_int64(stmt_, i, v);
        return *this;
    }
    Statement &bind(int i, const std::string &text) {
        sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
        return *this;
    }
    Statement &bindNull(int i) {
        sqlite3_bind_null(stmt_, i);
        return *this;
    }
    Statement &bindBlob(int i, const void *data, std::size_t size) {
        sqlite3_bind_blob(stmt_, i, data, static_cast<int>(size), SQLITE_STATIC);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_MISUSE; }
    // Runs a statement that returns no row and makes it ready again.
    bool run() {
        const int rc = step();
        reset();
        return rc == SQLITE_DONE;
    }
    void reset() {
        if (!stmt_) return;
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    std::int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }
    bool isNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }
    std::string text(int col) const {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, col));
        return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, col))) : std::string();
    }
    std::span<const Byte> blob(int col) const {
        const auto *p = static_cast<const Byte *>(sqlite3_column_blob(stmt_, col));
        return {p, p ? static_cast<std::size_t>(sqlite3_column_bytes(stmt_, col)) : 0u};
    }

private:
    sqlite3_stmt *stmt_ = nullptr;
};

bool Exec(sqlite3 *db, const char *sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::int64_t QueryInt(sqlite3 *db, const char *sql, std::int64_t fallback = 0) {
    Statement s(db, sql);
    return s.step() == SQLITE_ROW ? s.integer(0) : fallback;
}

// --- Voices --------------------------------------------------------------

Byte AsciiLower(Byte b) { return b >= 'A' && b <= 'Z' ? static_cast<Byte>(b + ('a' - 'A')) : b; }

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(AsciiLower(static_cast<Byte>(c)));
    return out;
}

// The algorithm the instrument plays, 1..32: a value above 31 wraps.
int AlgorithmOfRecord(const VoiceRecord &r) {
    return (ParamValue(param::Algorithm, r[ParamPos(param::Algorithm)]) & (kAlgorithmCount - 1)) + 1;
}
int FeedbackOfRecord(const VoiceRecord &r) {
    return ParamValue(param::Feedback, r[ParamPos(param::Feedback)]);
}
int CarriersOf(int algorithm) { return std::popcount(AlgorithmOf(algorithm).carrierMask); }

// The 145 sound parameters of a body, as the instrument reads them.
using SoundParams = std::array<Byte, param::Name1>;

SoundParams ParamsOfBody(const SoundBody &body) {
    PackedVoice packed{};
    std::copy(body.begin(), body.end(), packed.begin());
    Slot slot{};
    UnpackVoice(packed, slot);
    SoundParams params{};
    for (int p = 0; p < param::Name1; ++p)
        params[static_cast<std::size_t>(p)] = static_cast<Byte>(ParamValue(p, slot[ParamPos(p)]));
    return params;
}

// The weight of one step of each parameter; see NearDistance.
constexpr std::array<int, param::Name1> kNearWeights = [] {
    std::array<int, param::Name1> w{};
    for (int p = 0; p < param::Name1; ++p) {
        const int max = ParamMax(p);
        w[static_cast<std::size_t>(p)] = (99 + max / 2) / max;
    }
    w[param::Algorithm] = 0; // never compared: different algorithms are apart
    return w;
}();
constexpr int kLfoWaveChange = 99;

// The distance of two parameter sets on the same algorithm; stops counting
// once past `limit` (and then returns something above it).
int ParamDistance(const SoundParams &a, const SoundParams &b, int limit) {
    int d = 0;
    for (std::size_t p = 0; p < a.size(); ++p) {
        if (a[p] == b[p]) continue;
        if (p == param::LfoWave) {
            d += kLfoWaveChange;
        } else {
            d += kNearWeights[p] * std::abs(int(a[p]) - int(b[p]));
        }
        if (d > limit) return d;
    }
    return d;
}

// Seven partial sums (the six operator blocks, then the common part) of the
// weighted parameters, the LFO wave left out: the L1 distance of two such
// sums never exceeds the distance of the voices, so they prune pairs
// cheaply.
using PartialSums = std::array<int, 7>;
PartialSums PartialSumsOf(const SoundParams &params) {
    PartialSums s{};
    for (std::size_t p = 0; p < params.size(); ++p) {
        if (p == param::LfoWave) continue;
        s[std::min<std::size_t>(p / kOperatorBlockParams, 6)] += kNearWeights[p] * params[p];
    }
    return s;
}

struct FileStat {
    std::uintmax_t size = 0;
    std::int64_t mtimeNs = 0;
};

std::optional<FileStat> StatRegularFile(const fs::path &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return FileStat{static_cast<std::uintmax_t>(st.st_size),
                    static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

bool ReadWholeFile(const fs::path &path, std::vector<Byte> &buffer) {
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    buffer.clear();
    Byte chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        buffer.insert(buffer.end(), chunk, chunk + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

std::optional<Supplement> SupplementOfBlob(std::span<const Byte> blob) {
    if (blob.size() != kSupplementSize) return std::nullopt;
    Supplement s{};
    std::copy(blob.begin(), blob.end(), s.begin());
    return s;
}

// What can be named of a file without voices from the later models'
// messages the scan kept apart.
std::optional<FamilyFile> FamilyOf(std::span<const Byte> bytes, const VoiceScan &scan) {
    if (scan.midiFile) return std::nullopt;
    FamilyFile out;
    std::vector<std::string> kinds;
    bool dx7ii = false, tx802 = false;
    for (const FamilyFound &found : FamilyMessagesIn(bytes, scan)) {
        const FamilyMessage &m = found.message;
        if (!m.kind || !m.good()) continue;
        ++out.messages;
        if (std::find(kinds.begin(), kinds.end(), m.kind->shortName) == kinds.end())
            kinds.emplace_back(m.kind->shortName);
        const std::optional<InstrumentModel> model = ModelOfBlockName(m.name);
        dx7ii |= model == InstrumentModel::Dx7ii;
        tx802 |= model == InstrumentModel::Tx802;
    }
    if (out.messages == 0) return std::nullopt;
    for (const std::string &k : kinds)
        out.kinds += (out.kinds.empty() ? "" : ", ") + k;
    out.model = dx7ii && tx802 ? "DX7 II, TX802" : dx7ii ? "DX7 II" : tx802 ? "TX802" : "";
    return out;
}

bool EndsV32(const fs::path &file) {
    std::string ending = file.extension().string();
    for (char &c : ending)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ending == ".v32";
}

fs::path NormalFolder(const fs::path &folder) {
    fs::path p = fs::absolute(folder).lexically_normal();
    if (!p.has_filename() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
    return p;
}

} // namespace

std::string FingerprintHex(const SoundBody &body) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(body.size() * 2);
    for (Byte b : body) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 0x0F]);
    }
    return hex;
}

int NearDistance(const SoundBody &a, const SoundBody &b) {
    const SoundParams pa = ParamsOfBody(a), pb = ParamsOfBody(b);
    if (pa[param::Algorithm] != pb[param::Algorithm]) return kNearApart;
    return ParamDistance(pa, pb, kNearApart);
}

// --- The in-memory copy --------------------------------------------------

namespace {

// One voice as searching needs it: 48 bytes, and its body beside it.
struct Row {
    std::int64_t id = 0;
    std::uint32_t file = 0; // index into Cache::files
    std::uint16_t bank = 1;
    std::uint8_t voice = 1;
    bool single = false;
    std::uint8_t algorithm = 1, feedback = 0, carriers = 1;
    std::uint8_t lowerLength = 0;
    std::uint8_t sortFrom = 0; // the first character of `lower` that is no blank
    std::array<Byte, kNameLength> nameBytes{};
    std::array<char, kNameLength * 2> lower{}; // the name as shown (NameBytesToUtf8), ASCII lowered
    // The name a sort by name reads: leading blanks (control codes show as
    // blanks) do not count, so such names sort among the others.
    std::string_view sortName() const {
        return {lower.data() + sortFrom, static_cast<std::size_t>(lowerLength - sortFrom)};
    }
};

struct BodyHash {
    std::size_t operator()(const SoundBody &b) const {
        return std::hash<std::string_view>{}(
            std::string_view(reinterpret_cast<const char *>(b.data()), b.size()));
    }
};

struct Cache {
    std::vector<fs::path> files;
    std::vector<std::uint32_t> fileRank; // position of each file in path order
    std::vector<Row> rows;
    std::vector<SoundBody> bodies; // beside rows
    // The rows whose voice carries additional data, and the data: few in
    // most collections, so kept apart from the rows.
    std::unordered_map<std::uint32_t, Supplement> supplements;
    std::array<std::vector<std::uint32_t>, 3> order; // per CatalogSort but Rating, built when first asked
    std::array<std::vector<std::uint32_t>, 3> rank;  // the position of each row in `order`
    // The distinct sounds, numbered: built when marks are first needed.
    std::vector<std::uint32_t> soundOf; // beside rows
    std::unordered_map<SoundBody, std::uint32_t, BodyHash> soundIndex;
    // The category the rules give each row's name: built when first asked.
    std::vector<CategoryMatch> ruled;
};

// The marks of the sounds the cache holds, loaded apart from it: a mark
// changed by this connection reloads only these.
struct Marks {
    bool any = false;                            // the tables hold anything
    std::vector<std::uint8_t> favourite, rating; // per sound
    std::vector<std::uint8_t> category;          // per sound: VoiceCategory, 0 = from the rules
    std::unordered_map<std::uint32_t, std::vector<std::string>> tags;  // sound -> its tags, sorted
    std::unordered_map<std::string, std::vector<std::uint32_t>> byTag; // lowered tag -> sounds
};

} // namespace

struct Catalog::Impl {
    sqlite3 *db = nullptr;
    fs::path path;

    mutable std::optional<Cache> cache;
    mutable std::int64_t cacheDataVersion = -1;
    mutable std::optional<Marks> marks;
    CategoryRules rules;
    mutable std::string lastError;

    ~Impl() { sqlite3_close_v2(db); }

    void invalidate() const {
        cache.reset();
        marks.reset();
    }
    const Cache &ensureCache() const;
    void ensureSounds() const;
    const Marks &ensureMarks() const;
    const std::vector<CategoryMatch> &ensureRuled() const;
    CategoryMatch categoryOf(std::uint32_t row) const;
    // A write of marks: the statement run, the empty row dropped, the marks reloaded.
    bool writeMark(const char *sql, const SoundBody &body, const std::function<void(Statement &)> &bind);
    const std::vector<std::uint32_t> &orderOf(CatalogSort sort) const;
    CatalogVoice voiceOf(std::uint32_t row) const;
    // Compares rows in file order: path, banks before single voices, bank, voice.
    bool fileLess(std::uint32_t a, std::uint32_t b) const;
    bool nameLess(std::uint32_t a, std::uint32_t b) const;

    std::string error(const std::string &what) const { return what + ": " + sqlite3_errmsg(db); }
    bool dropFile(std::int64_t fileId);
    std::int64_t folderId(const fs::path &folder) const;
};

const Cache &Catalog::Impl::ensureCache() const {
    const std::int64_t version = QueryInt(db, "PRAGMA data_version", -1);
    if (cache && version == cacheDataVersion) return *cache;
    cache.emplace();
    marks.reset();
    cacheDataVersion = version;
    Cache &c = *cache;

    std::unordered_map<std::int64_t, std::uint32_t> fileIndex;
    Statement files(db, "SELECT id, path FROM files ORDER BY path");
    while (files.step() == SQLITE_ROW) {
        fileIndex.emplace(files.integer(0), static_cast<std::uint32_t>(c.files.size()));
        c.files.emplace_back(files.text(1));
    }
    // Sorted by path in the query; SQLite's binary collation is the byte
    // order std::string compares in, so the rank is the index.
    c.fileRank.resize(c.files.size());
    std::iota(c.fileRank.begin(), c.fileRank.end(), 0u);

    const std::int64_t count = QueryInt(db, "SELECT count(*) FROM voices");
    c.rows.reserve(static_cast<std::size_t>(count));
    c.bodies.reserve(static_cast<std::size_t>(count));
    Statement voices(db,
                     "SELECT id, file, bank, voice, single, name_bytes, algorithm, feedback, carriers, body, "
                     "supplement FROM voices ORDER BY id");
    auto file = fileIndex.end();
    while (voices.step() == SQLITE_ROW) {
        // Rows come file by file; look the file up only when it changes.
        if (file == fileIndex.end() || file->first != voices.integer(1))
            file = fileIndex.find(voices.integer(1));
        const auto name = voices.blob(5);
        const auto body = voices.blob(9);
        if (file == fileIndex.end() || name.size() != kNameLength || body.size() != kSoundBodySize) continue;
        Row r;
        r.id = voices.integer(0);
        r.file = file->second;
        r.bank = static_cast<std::uint16_t>(voices.integer(2));
        r.voice = static_cast<std::uint8_t>(voices.integer(3));
        r.single = voices.integer(4) != 0;
        std::copy(name.begin(), name.end(), r.nameBytes.begin());
        r.algorithm = static_cast<std::uint8_t>(voices.integer(6));
        r.feedback = static_cast<std::uint8_t>(voices.integer(7));
        r.carriers = static_cast<std::uint8_t>(voices.integer(8));
        for (const char c : AsciiLower(NameBytesToUtf8(r.nameBytes)))
            if (r.lowerLength < r.lower.size()) r.lower[r.lowerLength++] = c;
        while (r.sortFrom < r.lowerLength && r.lower[r.sortFrom] == ' ')
            ++r.sortFrom;
        if (const std::optional<Supplement> s = SupplementOfBlob(voices.blob(10)))
            c.supplements.emplace(static_cast<std::uint32_t>(c.rows.size()), *s);
        c.rows.push_back(r);
        SoundBody b{};
        std::copy(body.begin(), body.end(), b.begin());
        c.bodies.push_back(b);
    }
    return c;
}

void Catalog::Impl::ensureSounds() const {
    Cache &c = *cache;
    if (c.soundOf.size() == c.rows.size()) return;
    c.soundOf.resize(c.rows.size());
    c.soundIndex.reserve(c.rows.size());
    for (std::size_t i = 0; i < c.rows.size(); ++i)
        c.soundOf[i] =
            c.soundIndex.emplace(c.bodies[i], static_cast<std::uint32_t>(c.soundIndex.size())).first->second;
}

const Marks &Catalog::Impl::ensureMarks() const {
    if (marks) return *marks;
    marks.emplace();
    Marks &m = *marks;
    m.any = QueryInt(db, "SELECT EXISTS(SELECT 1 FROM sounds) OR EXISTS(SELECT 1 FROM tags)") != 0;
    if (!m.any) return m;
    ensureSounds();
    const Cache &c = *cache;
    const std::size_t n = c.soundIndex.size();
    m.favourite.assign(n, 0);
    m.rating.assign(n, 0);
    m.category.assign(n, 0);
    const auto soundOfBody = [&](std::span<const Byte> blob) -> std::optional<std::uint32_t> {
        if (blob.size() != kSoundBodySize) return std::nullopt;
        SoundBody b{};
        std::copy(blob.begin(), blob.end(), b.begin());
        const auto it = c.soundIndex.find(b);
        if (it == c.soundIndex.end()) return std::nullopt; // no voice of it in the catalogue now
        return it->second;
    };
    Statement sounds(db, "SELECT body, favourite, rating, category FROM sounds");
    while (sounds.step() == SQLITE_ROW) {
        const auto sound = soundOfBody(sounds.blob(0));
        if (!sound) continue;
        m.favourite[*sound] = sounds.integer(1) != 0;
        m.rating[*sound] =
            static_cast<std::uint8_t>(std::clamp<std::int64_t>(sounds.integer(2), 0, kMaxRating));
        if (!sounds.isNull(3) && CategoryOfValue(static_cast<int>(sounds.integer(3))))
            m.category[*sound] = static_cast<std::uint8_t>(sounds.integer(3));
    }
    Statement tags(db, "SELECT body, tag FROM tags ORDER BY tag");
    while (tags.step() == SQLITE_ROW) {
        const auto sound = soundOfBody(tags.blob(0));
        if (!sound) continue;
        std::string tag = tags.text(1);
        m.byTag[AsciiLower(tag)].push_back(*sound);
        m.tags[*sound].push_back(std::move(tag));
    }
    return m;
}

const std::vector<CategoryMatch> &Catalog::Impl::ensureRuled() const {
    Cache &c = *cache;
    if (c.ruled.size() == c.rows.size()) return c.ruled;
    c.ruled.resize(c.rows.size());
    // Names repeat across a collection (copied banks, copied voices): each
    // distinct name is read once.
    std::unordered_map<std::string_view, CategoryMatch> seen;
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
        const Row &r = c.rows[i];
        const std::string_view key(reinterpret_cast<const char *>(r.nameBytes.data()), r.nameBytes.size());
        auto [it, fresh] = seen.try_emplace(key);
        if (fresh) it->second = Categorize(rules, r.nameBytes);
        c.ruled[i] = it->second;
    }
    return c.ruled;
}

CategoryMatch Catalog::Impl::categoryOf(std::uint32_t row) const {
    const Marks &m = ensureMarks();
    if (m.any) {
        const std::uint8_t chosen = m.category[cache->soundOf[row]];
        if (chosen != 0) return {static_cast<VoiceCategory>(chosen), kChosenByHand};
    }
    if (cache->ruled.size() == cache->rows.size()) return cache->ruled[row];
    return Categorize(rules, cache->rows[row].nameBytes);
}

bool Catalog::Impl::fileLess(std::uint32_t a, std::uint32_t b) const {
    const Row &x = cache->rows[a], &y = cache->rows[b];
    const auto key = [&](const Row &r) {
        return std::tuple(cache->fileRank[r.file], r.single, r.bank, r.voice);
    };
    return key(x) < key(y);
}

bool Catalog::Impl::nameLess(std::uint32_t a, std::uint32_t b) const {
    const Row &x = cache->rows[a], &y = cache->rows[b];
    const std::string_view nx = x.sortName(), ny = y.sortName();
    // A name of blanks only says nothing: after the named ones.
    if (nx.empty() != ny.empty()) return ny.empty();
    if (nx != ny) return nx < ny;
    if (x.nameBytes != y.nameBytes) return x.nameBytes < y.nameBytes;
    return fileLess(a, b);
}

const std::vector<std::uint32_t> &Catalog::Impl::orderOf(CatalogSort sort) const {
    if (sort == CatalogSort::Rating) sort = CatalogSort::Name; // the rating reorders the name order
    std::vector<std::uint32_t> &order = cache->order[static_cast<std::size_t>(sort)];
    if (order.size() == cache->rows.size()) return order;
    order.resize(cache->rows.size());
    std::iota(order.begin(), order.end(), 0u);
    std::vector<std::uint32_t> &rank = cache->rank[static_cast<std::size_t>(sort)];
    switch (sort) {
    case CatalogSort::Name:
    case CatalogSort::Rating:
    case CatalogSort::Algorithm: {
        // Sorted on a key of the algorithm (when asked for) and the first
        // seven bytes of the lowered name, held beside the row number, so
        // that most comparisons touch neither the rows nor the names.
        struct Keyed {
            std::uint64_t key;
            std::uint32_t row;
        };
        std::vector<Keyed> keyed(order.size());
        for (std::uint32_t i = 0; i < keyed.size(); ++i) {
            const Row &r = cache->rows[i];
            const std::string_view name = r.sortName();
            std::uint64_t key = sort == CatalogSort::Algorithm ? r.algorithm : 0;
            for (std::size_t b = 0; b < 7; ++b)
                key = (key << 8) | (name.empty() ? 0xFF : b < name.size() ? static_cast<Byte>(name[b]) : 0);
            keyed[i] = {key, i};
        }
        std::sort(keyed.begin(), keyed.end(), [this](const Keyed &a, const Keyed &b) {
            return a.key != b.key ? a.key < b.key : nameLess(a.row, b.row);
        });
        for (std::size_t i = 0; i < keyed.size(); ++i)
            order[i] = keyed[i].row;
        break;
    }
    case CatalogSort::File:
        std::sort(order.begin(), order.end(), [this](auto a, auto b) { return fileLess(a, b); });
        break;
    }
    rank.resize(order.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        rank[order[i]] = i;
    return order;
}

CatalogVoice Catalog::Impl::voiceOf(std::uint32_t index) const {
    const Row &r = cache->rows[index];
    CatalogVoice v;
    v.id = r.id;
    v.file = cache->files[r.file];
    v.bank = r.bank;
    v.voice = r.voice;
    v.singleVoice = r.single;
    v.nameBytes = r.nameBytes;
    v.name = NameBytesToUtf8(r.nameBytes);
    v.algorithm = r.algorithm;
    v.feedback = r.feedback;
    v.carriers = r.carriers;
    v.body = cache->bodies[index];
    if (const auto s = cache->supplements.find(index); s != cache->supplements.end())
        v.supplement = s->second;
    const Marks &m = ensureMarks();
    if (m.any) {
        const std::uint32_t sound = cache->soundOf[index];
        v.favourite = m.favourite[sound] != 0;
        v.rating = m.rating[sound];
        if (const auto t = m.tags.find(sound); t != m.tags.end()) v.tags = t->second;
    }
    const CategoryMatch category = categoryOf(index);
    v.category = category.category;
    v.categoryWhy = CategoryReason(rules, category);
    return v;
}

bool Catalog::Impl::dropFile(std::int64_t fileId) {
    static constexpr const char *kDrops[] = {
        "DELETE FROM voices WHERE file = ?", "DELETE FROM refused WHERE file = ?",
        "DELETE FROM family WHERE file = ?", "DELETE FROM files WHERE id = ?"};
    for (const char *sql : kDrops) {
        Statement s(db, sql);
        if (!s.bind(1, fileId).run()) return false;
    }
    return true;
}

std::int64_t Catalog::Impl::folderId(const fs::path &folder) const {
    const std::string path = NormalFolder(folder).string();
    Statement s(db, "SELECT id FROM folders WHERE path = ?");
    s.bind(1, path);
    return s.step() == SQLITE_ROW ? s.integer(0) : 0;
}

// --- Opening -------------------------------------------------------------

Catalog::Catalog() : impl_(std::make_unique<Impl>()) {}
Catalog::~Catalog() = default;

std::unique_ptr<Catalog> Catalog::Open(const fs::path &file, std::string &error) {
    std::unique_ptr<Catalog> catalog(new Catalog());
    Impl &impl = *catalog->impl_;
    impl.path = file;
    const std::string name = file.string();
    const auto fail = [&](const std::string &why) {
        error = why;
        return nullptr;
    };
    if (fs::is_directory(file)) return fail("cannot open the catalogue " + name + ": it is a folder");
    if (sqlite3_open_v2(name.c_str(), &impl.db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        return fail(impl.error("cannot open the catalogue " + name));
    sqlite3_busy_timeout(impl.db, 10000);

    // The first read finds out whether the file is a database at all.
    Statement version(impl.db, "PRAGMA user_version");
    if (!version || version.step() != SQLITE_ROW)
        return fail(impl.error("cannot open the catalogue " + name));
    const std::int64_t schema = version.integer(0);
    version = Statement();
    if (schema > kSchemaVersion)
        return fail("the catalogue " + name + " was written by a newer version of VOXMERE (schema " +
                    std::to_string(schema) + "; this version reads schema " + std::to_string(kSchemaVersion) +
                    ")");
    if (schema == 0 && QueryInt(impl.db, "SELECT count(*) FROM sqlite_master") != 0)
        return fail("the file " + name + " is a database but not a VOXMERE voice catalogue");
    if (!Exec(impl.db, "PRAGMA journal_mode = WAL"))
        return fail(impl.error("cannot open the catalogue " + name));
    if (schema < kSchemaVersion) {
        // Made or upgraded under the write lock; another connection may have
        // done it meanwhile, so the version is read again inside.
        if (!Exec(impl.db, "BEGIN IMMEDIATE")) return fail(impl.error("cannot write the catalogue " + name));
        const std::int64_t now = QueryInt(impl.db, "PRAGMA user_version", -1);
        std::string sql;
        if (now == 0) sql = kSchemaV1;
        for (int v = static_cast<int>(std::max<std::int64_t>(now, 1)); v < kSchemaVersion; ++v)
            sql += kUpgrades[v - 1];
        sql += "PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";";
        if (now < 0 || (now < kSchemaVersion && !Exec(impl.db, sql.c_str())) || !Exec(impl.db, "COMMIT")) {
            std::string why = impl.error(
                (schema == 0 ? "cannot create the catalogue " : "cannot upgrade the catalogue ") + name);
            Exec(impl.db, "ROLLBACK");
            return fail(why);
        }
    }
    // In WAL mode NORMAL cannot corrupt the file; at worst the last run is
    // lost at a power cut, and indexing runs again.
    Exec(impl.db, "PRAGMA synchronous = NORMAL");
    Exec(impl.db, "PRAGMA cache_size = -16000");
    Exec(impl.db, "PRAGMA temp_store = MEMORY");
    return catalog;
}

// --- Folders -------------------------------------------------------------

std::vector<fs::path> Catalog::folders() const {
    std::vector<fs::path> out;
    Statement s(impl_->db, "SELECT path FROM folders ORDER BY id");
    while (s.step() == SQLITE_ROW)
        out.emplace_back(s.text(0));
    return out;
}

bool Catalog::addFolder(const fs::path &folder) {
    if (impl_->folderId(folder) != 0) return false;
    Statement s(impl_->db, "INSERT INTO folders(path) VALUES(?)");
    return s.bind(1, NormalFolder(folder).string()).run();
}

bool Catalog::removeFolder(const fs::path &folder) {
    const std::int64_t id = impl_->folderId(folder);
    if (id == 0) return false;
    sqlite3 *db = impl_->db;
    if (!Exec(db, "BEGIN IMMEDIATE")) return false;
    bool ok = true;
    {
        static constexpr const char *kDrops[] = {
            "DELETE FROM voices WHERE file IN (SELECT id FROM files WHERE folder = ?1)",
            "DELETE FROM refused WHERE file IN (SELECT id FROM files WHERE folder = ?1)",
            "DELETE FROM family WHERE file IN (SELECT id FROM files WHERE folder = ?1)",
            "DELETE FROM files WHERE folder = ?1", "DELETE FROM folders WHERE id = ?1"};
        for (const char *sql : kDrops) {
            Statement s(db, sql);
            ok = ok && s.bind(1, id).run();
        }
    }
    ok = ok && Exec(db, "COMMIT");
    if (!ok) Exec(db, "ROLLBACK");
    impl_->invalidate();
    return ok;
}

// --- Indexing ------------------------------------------------------------

IndexReport Catalog::index(const std::function<void(const IndexProgress &)> &progress,
                           const std::atomic<bool> *cancel) {
    IndexReport report;
    sqlite3 *db = impl_->db;
    impl_->invalidate();

    // Every regular file under every folder, in folder order, then path
    // order; a file reached from two folders belongs to the first.
    struct Found {
        fs::path path;
        std::int64_t folder = 0;
        FileStat stat;
    };
    std::vector<Found> found;
    std::unordered_set<std::string> seen;
    {
        Statement folders(db, "SELECT id, path FROM folders ORDER BY id");
        while (folders.step() == SQLITE_ROW) {
            const std::int64_t folderId = folders.integer(0);
            const fs::path folder = folders.text(1);
            std::error_code ec;
            if (!fs::is_directory(folder, ec)) {
                report.missingFolders.push_back(folder);
                continue;
            }
            std::vector<Found> here;
            for (fs::recursive_directory_iterator
                     it(folder, fs::directory_options::skip_permission_denied, ec),
                 end;
                 !ec && it != end; it.increment(ec)) {
                // A large tree takes a while to walk; a cancel then ends the
                // run before anything was written.
                if (cancel && cancel->load(std::memory_order_relaxed)) {
                    report.cancelled = true;
                    return report;
                }
                if (it->is_directory(ec)) continue;
                const std::optional<FileStat> st = StatRegularFile(it->path());
                if (st) here.push_back({it->path(), folderId, *st});
            }
            std::sort(here.begin(), here.end(),
                      [](const Found &a, const Found &b) { return a.path < b.path; });
            for (Found &f : here)
                if (seen.insert(f.path.string()).second) found.push_back(std::move(f));
        }
    }

    const auto fail = [&](const std::string &what) {
        report.error = impl_->error(what);
        Exec(db, "ROLLBACK");
        return report;
    };
    if (!Exec(db, "BEGIN IMMEDIATE")) {
        report.error = impl_->error("cannot write the catalogue " + impl_->path.string());
        return report;
    }

    struct Known {
        std::int64_t id = 0;
        std::int64_t folder = 0;
        FileStat stat;
        bool seen = false;
    };
    std::unordered_map<std::string, Known> known;
    {
        Statement s(db, "SELECT id, path, size, mtime_ns, folder FROM files");
        while (s.step() == SQLITE_ROW)
            known.emplace(s.text(1),
                          Known{s.integer(0), s.integer(4),
                                FileStat{static_cast<std::uintmax_t>(s.integer(2)), s.integer(3)}});
    }

    // A .v32 whose companion (SupplementCompanion) is new, changed or gone
    // is read again, even when the .v32 itself is unchanged.
    std::unordered_set<std::string> changed;
    {
        std::unordered_set<std::string> here;
        for (const Found &f : found) {
            here.insert(f.path.string());
            const auto k = known.find(f.path.string());
            if (k == known.end() || k->second.stat.size != f.stat.size ||
                k->second.stat.mtimeNs != f.stat.mtimeNs)
                changed.insert(f.path.string());
        }
        for (const auto &[path, k] : known)
            if (!here.contains(path)) changed.insert(path);
    }

    Statement insertFile(
        db, "INSERT INTO files(folder, path, size, mtime_ns, banks, singles) VALUES(?,?,?,?,?,?)");
    Statement updateFile(
        db, "UPDATE files SET folder = ?, size = ?, mtime_ns = ?, banks = ?, singles = ? WHERE id = ?");
    Statement dropVoices(db, "DELETE FROM voices WHERE file = ?");
    Statement dropRefusal(db, "DELETE FROM refused WHERE file = ?");
    Statement insertRefusal(db, "INSERT INTO refused(file, reason, count) VALUES(?,?,?)");
    Statement dropFamily(db, "DELETE FROM family WHERE file = ?");
    Statement insertFamily(db, "INSERT INTO family(file, kinds, model, messages) VALUES(?,?,?,?)");
    Statement insertVoice(
        db, "INSERT INTO voices(file, bank, voice, single, name_bytes, name, name_lower, algorithm, "
            "feedback, carriers, header, params, body, supplement) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    if (!insertFile || !updateFile || !dropVoices || !dropRefusal || !insertRefusal || !dropFamily ||
        !insertFamily || !insertVoice)
        return fail("cannot prepare the catalogue " + impl_->path.string());

    IndexProgress step{0, found.size()};
    if (progress) progress(step);
    std::vector<Byte> bytes;
    bool first = true;
    for (const Found &f : found) {
        if (!first && progress) progress(step);
        first = false;
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            Exec(db, "ROLLBACK");
            report.cancelled = true;
            break;
        }
        auto k = known.find(f.path.string());
        if (k != known.end()) {
            k->second.seen = true;
            if (k->second.stat.size == f.stat.size && k->second.stat.mtimeNs == f.stat.mtimeNs &&
                k->second.folder == f.folder &&
                !(EndsV32(f.path) && changed.contains(SupplementCompanion(f.path).string()))) {
                ++report.filesUnchanged;
                ++step.filesDone;
                continue;
            }
        }

        VoiceScan scan;
        if (f.stat.size > kMaxScanSize) {
            // Refused by its size alone: a stray recording in a folder is
            // not read into memory only to be refused.
            scan.refusal = ScanReason::TooLarge;
        } else if (!ReadWholeFile(f.path, bytes)) {
            // Unreadable now (permissions, gone mid-run): not in the catalogue.
            if (k != known.end() && !impl_->dropFile(k->second.id))
                return fail("cannot write the catalogue " + impl_->path.string());
            ++step.filesDone;
            continue;
        } else {
            scan = ScanVoiceFile(bytes, f.path.filename().string());
        }
        ++report.filesRead;

        const std::int64_t banks = static_cast<std::int64_t>(scan.bankCount());
        const std::int64_t singles = static_cast<std::int64_t>(scan.singleVoiceCount());
        std::int64_t fileId = 0;
        if (k != known.end()) {
            fileId = k->second.id;
            if (!dropVoices.bind(1, fileId).run() || !dropRefusal.bind(1, fileId).run() ||
                !dropFamily.bind(1, fileId).run() ||
                !updateFile.bind(1, f.folder)
                     .bind(2, static_cast<std::int64_t>(f.stat.size))
                     .bind(3, f.stat.mtimeNs)
                     .bind(4, banks)
                     .bind(5, singles)
                     .bind(6, fileId)
                     .run())
                return fail("cannot write the catalogue " + impl_->path.string());
        } else {
            if (!insertFile.bind(1, f.folder)
                     .bind(2, f.path.string())
                     .bind(3, static_cast<std::int64_t>(f.stat.size))
                     .bind(4, f.stat.mtimeNs)
                     .bind(5, banks)
                     .bind(6, singles)
                     .run())
                return fail("cannot write the catalogue " + impl_->path.string());
            fileId = sqlite3_last_insert_rowid(db);
        }

        // A file of the later models' messages is a file of its own kind,
        // not one refused.
        const std::optional<FamilyFile> family = banks + singles == 0 ? FamilyOf(bytes, scan) : std::nullopt;
        if (family) {
            if (!insertFamily.bind(1, fileId)
                     .bind(2, family->kinds)
                     .bind(3, family->model)
                     .bind(4, static_cast<std::int64_t>(family->messages))
                     .run())
                return fail("cannot write the catalogue " + impl_->path.string());
        } else if (banks + singles == 0) {
            const ScanReason reason =
                scan.refusal == ScanReason::None ? ScanReason::NotVoiceData : scan.refusal;
            if (!insertRefusal.bind(1, fileId)
                     .bind(2, static_cast<std::int64_t>(reason))
                     .bind(3, static_cast<std::int64_t>(scan.refusalCount))
                     .run())
                return fail("cannot write the catalogue " + impl_->path.string());
        }

        int bankNumber = 0, singleNumber = 0;
        for (const FoundVoices &group : scan.found) {
            const bool single = !group.isBank();
            const int bank = single ? ++singleNumber : ++bankNumber;
            // The bank's additional data, paired as a load pairs it: the
            // AMEM beside its bulk dump, or the companion of a .v32.
            BankSupplements supplements{};
            if (!single && group.source == VoiceSource::V32File) {
                std::vector<Byte> beside;
                if (ReadWholeFile(SupplementCompanion(f.path), beside))
                    if (const auto records = SupplementsOfAmem(beside)) supplements = *records;
            } else if (!single) {
                supplements = SupplementsBeside(bytes, scan, static_cast<std::size_t>(bank - 1)).records;
            }
            int voiceNumber = 0;
            for (const VoiceRecord &record : group.voices) {
                ++voiceNumber;
                const std::optional<Supplement> &supplement =
                    supplements[static_cast<std::size_t>(voiceNumber - 1) % kBankSlots];
                if (supplement)
                    insertVoice.bindBlob(14, supplement->data(), supplement->size());
                else
                    insertVoice.bindNull(14);
                const std::span<const Byte> name(record.data() + kNamePos, kNameLength);
                const std::string text = NameBytesToUtf8(name);
                const int algorithm = AlgorithmOfRecord(record);
                const SoundBody body = SoundBodyOf(record);
                if (!insertVoice.bind(1, fileId)
                         .bind(2, bank)
                         .bind(3, single ? 1 : voiceNumber)
                         .bind(4, single ? 1 : 0)
                         .bindBlob(5, name.data(), name.size())
                         .bind(6, text)
                         .bind(7, AsciiLower(text))
                         .bind(8, algorithm)
                         .bind(9, FeedbackOfRecord(record))
                         .bind(10, CarriersOf(algorithm))
                         .bindBlob(11, record.data(), kParamBase)
                         .bindBlob(12, record.data() + kParamBase, kParamCount)
                         .bindBlob(13, body.data(), body.size())
                         .run())
                    return fail("cannot write the catalogue " + impl_->path.string());
            }
        }
        ++step.filesDone;
    }

    if (!report.cancelled) {
        for (const auto &[path, k] : known) {
            if (k.seen) continue;
            if (!impl_->dropFile(k.id)) return fail("cannot write the catalogue " + impl_->path.string());
            ++report.filesRemoved;
        }
        if (!Exec(db, "COMMIT")) return fail("cannot write the catalogue " + impl_->path.string());
        if (progress) progress(step);
    } else {
        report.filesRead = report.filesUnchanged = 0;
    }

    report.files =
        static_cast<std::size_t>(QueryInt(db, "SELECT count(*) FROM files WHERE banks + singles > 0"));
    report.banks = static_cast<std::size_t>(QueryInt(db, "SELECT coalesce(sum(banks), 0) FROM files"));
    report.voices = static_cast<std::size_t>(QueryInt(db, "SELECT count(*) FROM voices"));
    report.refused = refusedFiles();
    report.family = familyFiles();
    impl_->invalidate();
    return report;
}

std::vector<RefusedFile> Catalog::refusedFiles() const {
    std::vector<RefusedFile> out;
    Statement s(
        impl_->db,
        "SELECT f.path, r.reason, r.count FROM refused r JOIN files f ON f.id = r.file ORDER BY f.path");
    while (s.step() == SQLITE_ROW)
        out.push_back(
            {s.text(0), static_cast<ScanReason>(s.integer(1)), static_cast<std::size_t>(s.integer(2))});
    return out;
}

std::vector<FamilyFile> Catalog::familyFiles() const {
    std::vector<FamilyFile> out;
    Statement s(impl_->db, "SELECT f.path, m.kinds, m.model, m.messages, f.size FROM family m "
                           "JOIN files f ON f.id = m.file ORDER BY f.path");
    while (s.step() == SQLITE_ROW)
        out.push_back({s.text(0), s.text(1), s.text(2), static_cast<std::size_t>(s.integer(3)),
                       static_cast<std::uintmax_t>(s.integer(4))});
    return out;
}

// --- Searching -----------------------------------------------------------

std::vector<CatalogVoice> Catalog::search(const CatalogQuery &query, std::size_t *matched) const {
    const Cache &c = impl_->ensureCache();
    // A sort by rating is the name order, then stably by rating.
    const CatalogSort sort = query.sort == CatalogSort::Rating ? CatalogSort::Name : query.sort;
    const std::vector<std::uint32_t> &order = impl_->orderOf(sort);
    const std::string needle = AsciiLower(query.name);

    // The marks the filters read, per sound; the rules' categories per row.
    const bool byMarks = query.favourite || query.minRating > 0 || !query.tag.empty();
    const Marks &m = impl_->ensureMarks();
    if (byMarks && !m.any) {
        if (matched) *matched = 0;
        return {};
    }
    std::vector<bool> tagged;
    if (!query.tag.empty()) {
        const auto it = m.byTag.find(AsciiLower(TrimmedTag(query.tag)));
        if (it == m.byTag.end()) {
            if (matched) *matched = 0;
            return {};
        }
        tagged.resize(m.favourite.size());
        for (std::uint32_t sound : it->second)
            tagged[sound] = true;
    }
    const std::vector<CategoryMatch> *ruled = query.category ? &impl_->ensureRuled() : nullptr;

    const auto matches = [&](std::uint32_t i) {
        const Row &r = c.rows[i];
        if (query.algorithm && r.algorithm != *query.algorithm) return false;
        if (query.feedback && r.feedback != *query.feedback) return false;
        if (query.carriers && r.carriers != *query.carriers) return false;
        if (m.any) {
            const std::uint32_t sound = c.soundOf[i];
            if (query.favourite && !m.favourite[sound]) return false;
            if (m.rating[sound] < query.minRating) return false;
            if (!tagged.empty() && !tagged[sound]) return false;
            if (ruled) {
                const std::uint8_t chosen = m.category[sound];
                const VoiceCategory category =
                    chosen != 0 ? static_cast<VoiceCategory>(chosen) : (*ruled)[i].category;
                if (category != *query.category) return false;
            }
        } else if (ruled && (*ruled)[i].category != *query.category) {
            return false;
        }
        if (needle.empty()) return true;
        const std::string_view name(r.lower.data(), r.lowerLength);
        return name.find(needle) != std::string_view::npos;
    };
    // Filter in storage order (one pass through memory), then put what
    // passed in the order asked for: by its rank when few passed, by
    // walking the order when many did.
    std::vector<std::uint32_t> passed;
    for (std::uint32_t i = 0; i < c.rows.size(); ++i)
        if (matches(i)) passed.push_back(i);
    if (passed.size() * 8 < c.rows.size()) {
        const std::vector<std::uint32_t> &rank = c.rank[static_cast<std::size_t>(sort)];
        std::sort(passed.begin(), passed.end(), [&](auto a, auto b) { return rank[a] < rank[b]; });
    } else {
        std::vector<bool> keep(c.rows.size());
        for (std::uint32_t i : passed)
            keep[i] = true;
        passed.clear();
        for (std::uint32_t i : order)
            if (keep[i]) passed.push_back(i);
    }
    if (query.sort == CatalogSort::Rating && m.any)
        std::stable_sort(passed.begin(), passed.end(),
                         [&](auto a, auto b) { return m.rating[c.soundOf[a]] > m.rating[c.soundOf[b]]; });
    if (query.descending) std::reverse(passed.begin(), passed.end());
    if (matched) *matched = passed.size();
    if (query.limit != 0 && passed.size() > query.limit) passed.resize(query.limit);

    std::vector<CatalogVoice> out;
    out.reserve(passed.size());
    for (std::uint32_t i : passed)
        out.push_back(impl_->voiceOf(i));
    return out;
}

std::size_t Catalog::voiceCount() const {
    return static_cast<std::size_t>(QueryInt(impl_->db, "SELECT count(*) FROM voices"));
}

// --- Marks on sounds -----------------------------------------------------

std::string TrimmedTag(std::string_view tag) {
    while (!tag.empty() && tag.front() == ' ')
        tag.remove_prefix(1);
    while (!tag.empty() && tag.back() == ' ')
        tag.remove_suffix(1);
    return std::string(tag);
}

std::string TagError(std::string_view tag) {
    const std::string trimmed = TrimmedTag(tag);
    if (trimmed.empty()) return "a tag cannot be empty";
    if (trimmed.size() > 40) return "the tag \"" + trimmed + "\" is longer than 40 bytes";
    for (const char c : trimmed)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "a tag cannot hold control characters";
    return {};
}

bool Catalog::Impl::writeMark(const char *sql, const SoundBody &body,
                              const std::function<void(Statement &)> &bind) {
    marks.reset();
    Statement s(db, sql);
    Statement drop(db,
                   "DELETE FROM sounds WHERE body = ? AND favourite = 0 AND rating = 0 AND category IS NULL");
    if (!s || !drop) {
        lastError = error("cannot write the catalogue " + path.string());
        return false;
    }
    s.bindBlob(1, body.data(), body.size());
    bind(s);
    if (!s.run() || !drop.bindBlob(1, body.data(), body.size()).run()) {
        lastError = error("cannot write the catalogue " + path.string());
        return false;
    }
    return true;
}

SoundMarks Catalog::marks(const SoundBody &body) const {
    SoundMarks out;
    Statement s(impl_->db, "SELECT favourite, rating, category FROM sounds WHERE body = ?");
    s.bindBlob(1, body.data(), body.size());
    if (s.step() == SQLITE_ROW) {
        out.favourite = s.integer(0) != 0;
        out.rating = static_cast<int>(s.integer(1));
        if (!s.isNull(2)) out.category = CategoryOfValue(static_cast<int>(s.integer(2)));
    }
    Statement t(impl_->db, "SELECT tag FROM tags WHERE body = ? ORDER BY tag");
    t.bindBlob(1, body.data(), body.size());
    while (t.step() == SQLITE_ROW)
        out.tags.push_back(t.text(0));
    return out;
}

bool Catalog::setFavourite(const SoundBody &body, bool favourite) {
    return impl_->writeMark("INSERT INTO sounds(body, favourite) VALUES(?1, ?2) "
                            "ON CONFLICT(body) DO UPDATE SET favourite = excluded.favourite",
                            body, [&](Statement &s) { s.bind(2, favourite ? 1 : 0); });
}

bool Catalog::setRating(const SoundBody &body, int rating) {
    if (rating < 0 || rating > kMaxRating) {
        impl_->lastError =
            "a rating is 0 (none) to " + std::to_string(kMaxRating) + ", not " + std::to_string(rating);
        return false;
    }
    return impl_->writeMark("INSERT INTO sounds(body, rating) VALUES(?1, ?2) "
                            "ON CONFLICT(body) DO UPDATE SET rating = excluded.rating",
                            body, [&](Statement &s) { s.bind(2, rating); });
}

bool Catalog::setCategory(const SoundBody &body, std::optional<VoiceCategory> category) {
    return impl_->writeMark("INSERT INTO sounds(body, category) VALUES(?1, ?2) "
                            "ON CONFLICT(body) DO UPDATE SET category = excluded.category",
                            body, [&](Statement &s) {
                                if (category)
                                    s.bind(2, static_cast<std::int64_t>(*category));
                                else
                                    s.bindNull(2);
                            });
}

bool Catalog::addTag(const SoundBody &body, std::string_view tag) {
    if (std::string why = TagError(tag); !why.empty()) {
        impl_->lastError = why;
        return false;
    }
    const std::string trimmed = TrimmedTag(tag);
    return impl_->writeMark("INSERT OR IGNORE INTO tags(body, tag) VALUES(?1, ?2)", body,
                            [&](Statement &s) { s.bind(2, trimmed); });
}

bool Catalog::removeTag(const SoundBody &body, std::string_view tag) {
    const std::string trimmed = TrimmedTag(tag);
    return impl_->writeMark("DELETE FROM tags WHERE body = ?1 AND tag = ?2", body,
                            [&](Statement &s) { s.bind(2, trimmed); });
}

std::vector<std::pair<std::string, std::size_t>> Catalog::tagCounts() const {
    std::vector<std::pair<std::string, std::size_t>> out;
    Statement s(impl_->db, "SELECT min(tag), count(*) FROM tags GROUP BY tag ORDER BY tag");
    while (s.step() == SQLITE_ROW)
        out.emplace_back(s.text(0), static_cast<std::size_t>(s.integer(1)));
    return out;
}

void Catalog::setCategoryRules(CategoryRules rules) {
    impl_->rules = std::move(rules);
    if (impl_->cache) impl_->cache->ruled.clear();
}

const CategoryRules &Catalog::categoryRules() const { return impl_->rules; }

std::string Catalog::lastError() const { return impl_->lastError; }

// --- The bank under construction -----------------------------------------

BuilderPositions Catalog::builder() const {
    BuilderPositions out;
    Statement s(
        impl_->db,
        "SELECT position, record, file, bank, voice, single, supplement FROM builder ORDER BY position");
    while (s.step() == SQLITE_ROW) {
        const std::int64_t position = s.integer(0);
        const auto record = s.blob(1);
        if (position < 1 || position > static_cast<std::int64_t>(kBankSlots) || record.size() != kRecordSize)
            continue;
        BuilderEntry e;
        std::copy(record.begin(), record.end(), e.record.begin());
        e.file = s.text(2);
        e.bank = static_cast<int>(s.integer(3));
        e.voice = static_cast<int>(s.integer(4));
        e.singleVoice = s.integer(5) != 0;
        e.supplement = SupplementOfBlob(s.blob(6));
        out[static_cast<std::size_t>(position - 1)] = std::move(e);
    }
    return out;
}

bool Catalog::saveBuilder(const BuilderPositions &positions) {
    sqlite3 *db = impl_->db;
    const auto fail = [&] {
        impl_->lastError = impl_->error("cannot write the catalogue " + impl_->path.string());
        Exec(db, "ROLLBACK");
        return false;
    };
    if (!Exec(db, "BEGIN IMMEDIATE")) {
        impl_->lastError = impl_->error("cannot write the catalogue " + impl_->path.string());
        return false;
    }
    if (!Exec(db, "DELETE FROM builder")) return fail();
    Statement insert(db, "INSERT INTO builder(position, record, file, bank, voice, single, supplement) "
                         "VALUES(?,?,?,?,?,?,?)");
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (!positions[i]) continue;
        const BuilderEntry &e = *positions[i];
        const std::string file = e.file.string();
        if (e.supplement)
            insert.bindBlob(7, e.supplement->data(), e.supplement->size());
        else
            insert.bindNull(7);
        if (!insert.bind(1, static_cast<std::int64_t>(i + 1))
                 .bindBlob(2, e.record.data(), e.record.size())
                 .bind(3, file)
                 .bind(4, e.bank)
                 .bind(5, e.voice)
                 .bind(6, e.singleVoice ? 1 : 0)
                 .run())
            return fail();
    }
    if (!Exec(db, "COMMIT")) return fail();
    return true;
}

// --- Duplicates ----------------------------------------------------------

namespace {
// The ids of the voices a search finds; nullopt when it finds them all. It
// goes through search() so that every filter a query has counts here too.
std::optional<std::unordered_set<std::int64_t>> FoundIds(const Catalog &catalog, CatalogQuery among) {
    among.limit = 1;
    CatalogQuery every;
    every.limit = 1;
    std::size_t found = 0, all = 0;
    catalog.search(among, &found);
    catalog.search(every, &all);
    if (found == all) return std::nullopt;
    among.limit = 0;
    std::unordered_set<std::int64_t> ids;
    for (const CatalogVoice &v : catalog.search(among))
        ids.insert(v.id);
    return ids;
}
} // namespace

std::vector<DuplicateGroup> Catalog::duplicates(const CatalogQuery &among) const {
    const auto found = FoundIds(*this, among);
    const Cache &c = impl_->ensureCache();
    // Rows in file order, then stably by body: equal bodies fall together,
    // each group in file order.
    std::vector<std::uint32_t> rows = impl_->orderOf(CatalogSort::File);
    if (found) std::erase_if(rows, [&](std::uint32_t r) { return !found->contains(c.rows[r].id); });
    std::stable_sort(rows.begin(), rows.end(), [&](auto a, auto b) {
        return std::memcmp(c.bodies[a].data(), c.bodies[b].data(), kSoundBodySize) < 0;
    });
    struct Span {
        std::size_t from, to;
    };
    std::vector<Span> spans;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i + 1;
        while (j < rows.size() && c.bodies[rows[j]] == c.bodies[rows[i]])
            ++j;
        if (j - i >= 2) spans.push_back({i, j});
        i = j;
    }
    // Largest first; among equals, by the file order of the first voice.
    std::sort(spans.begin(), spans.end(), [&](const Span &a, const Span &b) {
        if (a.to - a.from != b.to - b.from) return a.to - a.from > b.to - b.from;
        return impl_->fileLess(rows[a.from], rows[b.from]);
    });
    std::vector<DuplicateGroup> groups;
    groups.reserve(spans.size());
    for (const Span &s : spans) {
        DuplicateGroup g;
        g.body = c.bodies[rows[s.from]];
        for (std::size_t i = s.from; i < s.to; ++i)
            g.voices.push_back(impl_->voiceOf(rows[i]));
        groups.push_back(std::move(g));
    }
    return groups;
}

// Near-duplicates without comparing every pair: the distinct bodies are
// grouped by algorithm and sorted by the sum of their weighted parameters.
// |sum(a) - sum(b)| never exceeds the distance of a and b, so each body is
// compared only with those whose sum lies within the threshold above its
// own; the seven partial sums prune again before the full comparison.
// The work grows with the number of bodies times the number of bodies in
// that window: with a small threshold, a few per body.
std::vector<NearDuplicate> Catalog::nearDuplicates(int threshold, const CatalogQuery &among) const {
    std::vector<NearDuplicate> out;
    if (threshold < 0) return out;
    threshold = std::min(threshold, kNearApart - 1);
    const auto found = FoundIds(*this, among);
    const Cache &c = impl_->ensureCache();

    // One row per distinct body: the first in file order.
    std::vector<std::uint32_t> rows = impl_->orderOf(CatalogSort::File);
    if (found) std::erase_if(rows, [&](std::uint32_t r) { return !found->contains(c.rows[r].id); });
    std::stable_sort(rows.begin(), rows.end(), [&](auto a, auto b) {
        return std::memcmp(c.bodies[a].data(), c.bodies[b].data(), kSoundBodySize) < 0;
    });
    rows.erase(
        std::unique(rows.begin(), rows.end(), [&](auto a, auto b) { return c.bodies[a] == c.bodies[b]; }),
        rows.end());

    struct Point {
        std::uint32_t row;
        int algorithm;
        int sum;
        PartialSums partial;
        SoundParams params;
    };
    std::vector<Point> points;
    points.reserve(rows.size());
    for (std::uint32_t r : rows) {
        Point p{r, 0, 0, {}, ParamsOfBody(c.bodies[r])};
        p.algorithm = p.params[param::Algorithm];
        p.partial = PartialSumsOf(p.params);
        p.sum = std::accumulate(p.partial.begin(), p.partial.end(), 0);
        points.push_back(p);
    }
    std::sort(points.begin(), points.end(), [](const Point &a, const Point &b) {
        return std::tie(a.algorithm, a.sum) < std::tie(b.algorithm, b.sum);
    });

    struct Pair {
        std::uint32_t a, b;
        int distance;
    };
    std::vector<Pair> pairs;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point &a = points[i];
        for (std::size_t j = i + 1; j < points.size(); ++j) {
            const Point &b = points[j];
            if (b.algorithm != a.algorithm || b.sum - a.sum > threshold) break;
            int bound = 0;
            for (std::size_t k = 0; k < a.partial.size() && bound <= threshold; ++k)
                bound += std::abs(a.partial[k] - b.partial[k]);
            if (bound > threshold) continue;
            const int d = ParamDistance(a.params, b.params, threshold);
            if (d > threshold) continue;
            const bool aFirst = impl_->fileLess(a.row, b.row);
            pairs.push_back({aFirst ? a.row : b.row, aFirst ? b.row : a.row, d});
        }
    }
    std::sort(pairs.begin(), pairs.end(), [&](const Pair &x, const Pair &y) {
        if (x.distance != y.distance) return x.distance < y.distance;
        if (x.a != y.a) return impl_->fileLess(x.a, y.a);
        return impl_->fileLess(x.b, y.b);
    });
    out.reserve(pairs.size());
    for (const Pair &p : pairs)
        out.push_back({impl_->voiceOf(p.a), impl_->voiceOf(p.b), p.distance});
    return out;
}

// --- Stored voices -------------------------------------------------------

namespace {
std::optional<VoiceRecord> RecordOf(const Statement &s, int headerCol, int paramsCol) {
    const auto header = s.blob(headerCol);
    const auto params = s.blob(paramsCol);
    if (header.size() != kParamBase || params.size() != kParamCount) return std::nullopt;
    VoiceRecord r{};
    std::copy(header.begin(), header.end(), r.begin());
    std::copy(params.begin(), params.end(), r.begin() + kParamBase);
    return r;
}
} // namespace

std::optional<VoiceRecord> Catalog::record(std::int64_t id) const {
    Statement s(impl_->db, "SELECT header, params FROM voices WHERE id = ?");
    s.bind(1, id);
    if (s.step() != SQLITE_ROW) return std::nullopt;
    return RecordOf(s, 0, 1);
}

std::optional<BankRecords> Catalog::bank(std::int64_t id) const {
    const auto whole = bankWithSupplements(id);
    return whole ? std::optional<BankRecords>(whole->voices) : std::nullopt;
}

std::optional<Supplement> Catalog::supplement(std::int64_t id) const {
    Statement s(impl_->db, "SELECT supplement FROM voices WHERE id = ?");
    s.bind(1, id);
    if (s.step() != SQLITE_ROW) return std::nullopt;
    return SupplementOfBlob(s.blob(0));
}

std::optional<Catalog::BankWithSupplements> Catalog::bankWithSupplements(std::int64_t id) const {
    Statement which(impl_->db, "SELECT file, bank, single FROM voices WHERE id = ?");
    which.bind(1, id);
    if (which.step() != SQLITE_ROW || which.integer(2) != 0) return std::nullopt;
    Statement s(
        impl_->db,
        "SELECT voice, header, params, supplement FROM voices WHERE file = ? AND bank = ? AND single = 0 "
        "ORDER BY voice");
    s.bind(1, which.integer(0)).bind(2, which.integer(1));
    BankWithSupplements bank{};
    std::size_t count = 0;
    while (s.step() == SQLITE_ROW) {
        const std::int64_t voice = s.integer(0);
        const std::optional<VoiceRecord> r = RecordOf(s, 1, 2);
        if (!r || voice < 1 || voice > static_cast<std::int64_t>(kBankSlots)) return std::nullopt;
        bank.voices[static_cast<std::size_t>(voice - 1)] = *r;
        bank.supplements[static_cast<std::size_t>(voice - 1)] = SupplementOfBlob(s.blob(3));
        ++count;
    }
    if (count != kBankSlots) return std::nullopt;
    return bank;
}

// --- One voice's equals and neighbours ------------------------------------

std::vector<CatalogVoice> Catalog::sameSound(std::int64_t id) const {
    const Cache &c = impl_->ensureCache();
    const auto self = std::find_if(c.rows.begin(), c.rows.end(), [id](const Row &r) { return r.id == id; });
    std::vector<CatalogVoice> out;
    if (self == c.rows.end()) return out;
    const SoundBody &body = c.bodies[static_cast<std::size_t>(self - c.rows.begin())];
    for (std::uint32_t r : impl_->orderOf(CatalogSort::File))
        if (c.bodies[r] == body) out.push_back(impl_->voiceOf(r));
    return out;
}

std::vector<NearDuplicate> Catalog::nearVoices(std::int64_t id, int threshold) const {
    const Cache &c = impl_->ensureCache();
    const auto self = std::find_if(c.rows.begin(), c.rows.end(), [id](const Row &r) { return r.id == id; });
    std::vector<NearDuplicate> out;
    if (self == c.rows.end() || threshold < 0) return out;
    threshold = std::min(threshold, kNearApart - 1);
    const auto selfRow = static_cast<std::uint32_t>(self - c.rows.begin());
    const SoundParams params = ParamsOfBody(c.bodies[selfRow]);
    std::vector<std::pair<int, std::uint32_t>> near; // distance, row; rows in file order
    for (std::uint32_t r : impl_->orderOf(CatalogSort::File)) {
        // Voices on another algorithm are never near.
        if (c.rows[r].algorithm != self->algorithm || c.bodies[r] == c.bodies[selfRow]) continue;
        const SoundParams other = ParamsOfBody(c.bodies[r]);
        if (other[param::Algorithm] != params[param::Algorithm]) continue;
        const int d = ParamDistance(params, other, threshold);
        if (d <= threshold) near.emplace_back(d, r);
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const auto &x, const auto &y) { return x.first < y.first; });
    const CatalogVoice voice = impl_->voiceOf(selfRow);
    for (const auto &[d, r] : near)
        out.push_back({voice, impl_->voiceOf(r), d});
    return out;
}

} // namespace vox
