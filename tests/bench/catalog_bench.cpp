// The voice catalogue on a generated collection: the folder named by
// VOXMERE_BENCH_COLLECTION (scripts/bench-catalog.sh writes one with
// scripts/make-collection.py). Without it these benchmarks are skipped.
// The database lives in a temporary folder removed at the end.
#include "library/bank_builder.h"
#include "library/catalog.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace vox {
namespace {

namespace fs = std::filesystem;

const char *CollectionFolder() { return std::getenv("VOXMERE_BENCH_COLLECTION"); }

// One temporary folder for the process's databases.
struct BenchFolder {
    fs::path path;
    BenchFolder() {
        std::string pattern = (fs::temp_directory_path() / "voxmere-catalog-bench-XXXXXX").string();
        if (mkdtemp(pattern.data())) path = pattern;
    }
    ~BenchFolder() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
};
BenchFolder &Folder() {
    static BenchFolder folder;
    return folder;
}

// Resident memory of the process in kB (VmRSS).
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

// A catalogue of the whole collection, indexed once per process.
Catalog *Indexed(benchmark::State &state) {
    static std::unique_ptr<Catalog> catalog;
    if (!CollectionFolder()) {
        state.SkipWithError("set VOXMERE_BENCH_COLLECTION to a folder from scripts/make-collection.py");
        return nullptr;
    }
    if (!catalog) {
        std::string error;
        catalog = Catalog::Open(Folder().path / "indexed.db", error);
        if (!catalog) {
            state.SkipWithError(error.c_str());
            return nullptr;
        }
        catalog->addFolder(CollectionFolder());
        catalog->index();
    }
    return catalog.get();
}

void BM_CatalogFirstIndex(benchmark::State &state) {
    if (!CollectionFolder()) {
        state.SkipWithError("set VOXMERE_BENCH_COLLECTION");
        return;
    }
    IndexReport report;
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path db = Folder().path / ("first-" + std::to_string(run++) + ".db");
        state.ResumeTiming();
        std::string error;
        auto catalog = Catalog::Open(db, error);
        if (!catalog) {
            state.SkipWithError(error.c_str());
            break;
        }
        catalog->addFolder(CollectionFolder());
        report = catalog->index();
        state.PauseTiming();
        catalog.reset();
        std::error_code ec;
        for (const char *suffix : {"", "-wal", "-shm"})
            fs::remove(db.string() + suffix, ec);
        state.ResumeTiming();
    }
    state.counters["files"] = static_cast<double>(report.files);
    state.counters["voices"] = static_cast<double>(report.voices);
    state.counters["refused"] = static_cast<double>(report.refused.size());
}
BENCHMARK(BM_CatalogFirstIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CatalogReindexUnchanged(benchmark::State &state) {
    Catalog *catalog = Indexed(state);
    if (!catalog) return;
    IndexReport report;
    for (auto _ : state)
        report = catalog->index();
    state.counters["read"] = static_cast<double>(report.filesRead);
    state.counters["unchanged"] = static_cast<double>(report.filesUnchanged);
}
BENCHMARK(BM_CatalogReindexUnchanged)->Unit(benchmark::kMillisecond);

// The first query after opening (or after a change): the compact copy is
// loaded. Also the memory it takes.
void BM_CatalogLoadForSearch(benchmark::State &state) {
    if (!Indexed(state)) return;
    long grown = 0;
    std::size_t voices = 0;
    for (auto _ : state) {
        std::string error;
        auto catalog = Catalog::Open(Folder().path / "indexed.db", error);
        const long before = ResidentKb();
        CatalogQuery q;
        q.limit = 1;
        benchmark::DoNotOptimize(catalog->search(q));
        grown = std::max(grown, ResidentKb() - before);
        voices = catalog->voiceCount();
    }
    state.counters["rss_kB"] = static_cast<double>(grown);
    state.counters["voices"] = static_cast<double>(voices);
}
BENCHMARK(BM_CatalogLoadForSearch)->Unit(benchmark::kMillisecond);

// One search timed over `catalog`; the first, outside the timing, builds
// the copy, the order, and the marks and categories where there are some.
void TimeSearch(benchmark::State &state, Catalog *catalog, const CatalogQuery &query) {
    if (!catalog) return;
    catalog->search(query);
    std::size_t found = 0;
    for (auto _ : state) {
        const auto results = catalog->search(query);
        found = results.size();
        benchmark::DoNotOptimize(results.data());
    }
    state.counters["found"] = static_cast<double>(found);
}
void SearchBench(benchmark::State &state, const CatalogQuery &query) {
    TimeSearch(state, Indexed(state), query);
}
void BM_CatalogSearchName(benchmark::State &state) {
    CatalogQuery q;
    q.name = "piano";
    SearchBench(state, q);
}
BENCHMARK(BM_CatalogSearchName)->Unit(benchmark::kMillisecond);
void BM_CatalogSearchNameRare(benchmark::State &state) {
    CatalogQuery q;
    q.name = "metal 7";
    SearchBench(state, q);
}
BENCHMARK(BM_CatalogSearchNameRare)->Unit(benchmark::kMillisecond);
void BM_CatalogSearchNameAndAlgorithm(benchmark::State &state) {
    CatalogQuery q;
    q.name = "b";
    q.algorithm = 5;
    q.sort = CatalogSort::Algorithm;
    SearchBench(state, q);
}
BENCHMARK(BM_CatalogSearchNameAndAlgorithm)->Unit(benchmark::kMillisecond);
void BM_CatalogSearchEverything(benchmark::State &state) { SearchBench(state, CatalogQuery{}); }
BENCHMARK(BM_CatalogSearchEverything)->Unit(benchmark::kMillisecond);

// --- Curating: marks, categories, a bank from a search --------------------

// The indexed catalogue with the program's category rules and marks on a
// share of the sounds, as a user who curates a large collection has them:
// every 20th distinct sound (in file order) tagged "warm", every 50th a
// favourite, every 10th rated 1..5 in turn. Set once per process.
Catalog *Curated(benchmark::State &state) {
    static bool marked = false;
    Catalog *catalog = Indexed(state);
    if (!catalog || marked) return catalog;
    CategoryRulesRead rules = ReadCategoryRules(fs::path(VOXMERE_PROGRAM_DIR) / kCategoryRulesFile);
    if (!rules.error.empty()) {
        state.SkipWithError(rules.error.c_str());
        return nullptr;
    }
    catalog->setCategoryRules(std::move(rules.rules));
    CatalogQuery all;
    all.sort = CatalogSort::File;
    std::vector<SoundBody> sounds;
    {
        std::vector<CatalogVoice> voices = catalog->search(all);
        std::sort(voices.begin(), voices.end(), [](const auto &a, const auto &b) { return a.body < b.body; });
        for (std::size_t i = 0; i < voices.size(); ++i)
            if (i == 0 || voices[i].body != voices[i - 1].body) sounds.push_back(voices[i].body);
    }
    for (std::size_t i = 0; i < sounds.size(); ++i) {
        if (i % 20 == 0) catalog->addTag(sounds[i], "warm");
        if (i % 50 == 0) catalog->setFavourite(sounds[i], true);
        if (i % 10 == 0) catalog->setRating(sounds[i], static_cast<int>(i / 10 % 5) + 1);
    }
    marked = true;
    return catalog;
}

void CuratedSearch(benchmark::State &state, const CatalogQuery &query) {
    TimeSearch(state, Curated(state), query);
}
void BM_CatalogSearchTag(benchmark::State &state) {
    CatalogQuery q;
    q.tag = "warm";
    CuratedSearch(state, q);
}
BENCHMARK(BM_CatalogSearchTag)->Unit(benchmark::kMillisecond);
void BM_CatalogSearchFavourite(benchmark::State &state) {
    CatalogQuery q;
    q.favourite = true;
    CuratedSearch(state, q);
}
BENCHMARK(BM_CatalogSearchFavourite)->Unit(benchmark::kMillisecond);
void BM_CatalogSearchRatingByRating(benchmark::State &state) {
    CatalogQuery q;
    q.minRating = 4;
    q.sort = CatalogSort::Rating;
    CuratedSearch(state, q);
}
BENCHMARK(BM_CatalogSearchRatingByRating)->Unit(benchmark::kMillisecond);
void BM_CatalogSearchCategory(benchmark::State &state) {
    CatalogQuery q;
    q.category = VoiceCategory::Bass;
    CuratedSearch(state, q);
}
BENCHMARK(BM_CatalogSearchCategory)->Unit(benchmark::kMillisecond);
void BM_CatalogSearchCategoryAndTag(benchmark::State &state) {
    CatalogQuery q;
    q.category = VoiceCategory::Pad;
    q.tag = "warm";
    CuratedSearch(state, q);
}
BENCHMARK(BM_CatalogSearchCategoryAndTag)->Unit(benchmark::kMillisecond);
// The name search again with the marks loaded: what each result now carries.
void BM_CatalogSearchNameCurated(benchmark::State &state) {
    CatalogQuery q;
    q.name = "piano";
    CuratedSearch(state, q);
}
BENCHMARK(BM_CatalogSearchNameCurated)->Unit(benchmark::kMillisecond);

// The first category search after the rules were set: every name placed.
void BM_CatalogCategorizeAll(benchmark::State &state) {
    Catalog *catalog = Curated(state);
    if (!catalog) return;
    CatalogQuery q;
    q.category = VoiceCategory::Bass;
    q.limit = 1;
    catalog->search(q);
    for (auto _ : state) {
        state.PauseTiming();
        CategoryRules rules = catalog->categoryRules();
        catalog->setCategoryRules(std::move(rules));
        state.ResumeTiming();
        benchmark::DoNotOptimize(catalog->search(q));
    }
}
BENCHMARK(BM_CatalogCategorizeAll)->Unit(benchmark::kMillisecond);

// A mark set and the next search by it: the marks are loaded again.
void BM_CatalogTagThenSearch(benchmark::State &state) {
    Catalog *catalog = Curated(state);
    if (!catalog) return;
    CatalogQuery q;
    q.tag = "warm";
    const SoundBody body = catalog->search(q)[0].body;
    bool on = false;
    for (auto _ : state) {
        on = !on;
        if (on)
            catalog->addTag(body, "bench");
        else
            catalog->removeTag(body, "bench");
        benchmark::DoNotOptimize(catalog->search(q));
    }
}
BENCHMARK(BM_CatalogTagThenSearch)->Unit(benchmark::kMillisecond);

// A bank from a search, as voxmere-tool bank and the window make it: the
// search, then the first 32 results (or the first of each sound) read from
// the database into the builder, then the 32 voices.
void FillBench(benchmark::State &state, CatalogQuery query, bool distinct) {
    Catalog *catalog = Curated(state);
    if (!catalog) return;
    catalog->search(query);
    std::size_t found = 0, placed = 0;
    for (auto _ : state) {
        const auto results = catalog->search(query);
        BankBuilder builder;
        const auto report = builder.fill(
            results, [&](const CatalogVoice &v) { return catalog->record(v.id); }, distinct);
        benchmark::DoNotOptimize(builder.build());
        found = results.size();
        placed = report.placed;
    }
    state.counters["found"] = static_cast<double>(found);
    state.counters["placed"] = static_cast<double>(placed);
}
void BM_CatalogFillBankName(benchmark::State &state) {
    CatalogQuery q;
    q.name = "piano";
    FillBench(state, q, false);
}
BENCHMARK(BM_CatalogFillBankName)->Unit(benchmark::kMillisecond);
void BM_CatalogFillBankNameDistinct(benchmark::State &state) {
    CatalogQuery q;
    q.name = "piano";
    FillBench(state, q, true);
}
BENCHMARK(BM_CatalogFillBankNameDistinct)->Unit(benchmark::kMillisecond);
void BM_CatalogFillBankCategoryDistinctByRating(benchmark::State &state) {
    CatalogQuery q;
    q.category = VoiceCategory::Brass;
    q.sort = CatalogSort::Rating;
    FillBench(state, q, true);
}
BENCHMARK(BM_CatalogFillBankCategoryDistinctByRating)->Unit(benchmark::kMillisecond);

void BM_CatalogDuplicates(benchmark::State &state) {
    Catalog *catalog = Indexed(state);
    if (!catalog) return;
    catalog->search({}); // the copy, outside the timing
    std::size_t groups = 0, voices = 0;
    for (auto _ : state) {
        const auto all = catalog->duplicates();
        groups = all.size();
        voices = 0;
        for (const auto &g : all)
            voices += g.voices.size();
    }
    state.counters["groups"] = static_cast<double>(groups);
    state.counters["voices"] = static_cast<double>(voices);
}
BENCHMARK(BM_CatalogDuplicates)->Unit(benchmark::kMillisecond);

void BM_CatalogNearDuplicates(benchmark::State &state) {
    Catalog *catalog = Indexed(state);
    if (!catalog) return;
    catalog->search({});
    std::size_t pairs = 0;
    for (auto _ : state)
        pairs = catalog->nearDuplicates(static_cast<int>(state.range(0))).size();
    state.counters["pairs"] = static_cast<double>(pairs);
}
BENCHMARK(BM_CatalogNearDuplicates)->Arg(10)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vox
