#include "library/library_window.h"

#include "midi/midi_output.h"
#include "workspace/unwritten.h"

#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <exception>
#include <system_error>

namespace vox {

namespace {

// A duplicate search over a large library allocates every group on the
// worker and keeps only those shown; what it freed goes back to the system
// rather than staying in the allocator's arenas.
void ReleaseFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

namespace fs = std::filesystem;
using namespace library_text;

std::string Count(std::size_t n) { return std::to_string(n); }

// A whole number typed into an entry (blanks around it taken), within range.
std::optional<int> WholeNumber(const std::string &text, int min, int max) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    const auto last = text.find_last_not_of(' ');
    const std::string digits = text.substr(first, last - first + 1);
    if (digits.size() > 6 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int value = std::stoi(digits);
    if (value < min || value > max) return std::nullopt;
    return value;
}

// The folder that holds every one of these: the folder itself for one.
fs::path CommonFolder(const std::vector<std::string> &folders) {
    if (folders.empty()) return {};
    fs::path common = fs::path(folders.front()).lexically_normal();
    for (const std::string &f : folders) {
        const fs::path folder = fs::path(f).lexically_normal();
        fs::path shared;
        for (auto a = common.begin(), b = folder.begin(); a != common.end() && b != folder.end() && *a == *b;
             ++a, ++b)
            shared /= *a;
        common = shared;
    }
    return common;
}

// A catalogue voice as the workspace takes it: the stored record in a slot.
Slot SlotOf(const VoiceRecord &record) {
    Slot slot{};
    std::copy(record.begin(), record.end(), slot.begin());
    return slot;
}

} // namespace

LibraryWindowForm::~LibraryWindowForm() {
    if (!run_) return;
    run_->cancel = true;
    if (run_->thread.joinable()) run_->thread.join();
}

// --- Opening and the catalogue ---------------------------------------------

void LibraryWindowForm::open() {
    if (!open_) {
        open_ = true;
        if (ensureCatalog()) {
            refillFolders();
            search();
        }
        showStatus();
    }
    program_.host.showWindow(WindowId::Library);
}

bool LibraryWindowForm::ensureCatalog() {
    if (catalog_) return true;
    std::string error;
    if (catalogFile_.empty()) {
        error = "no database file";
    } else {
        std::error_code ec;
        fs::create_directories(catalogFile_.parent_path(), ec);
        catalog_ = Catalog::Open(catalogFile_, error);
    }
    if (!catalog_) {
        tell(kOpenFailedBefore + catalogFile_.string() + kOpenFailedMiddle + error + kOpenFailedAfter);
        return false;
    }
    // Broken rules are told once and the voices go to Other, as with no rules.
    CategoryRulesRead read = ReadCategoryRules(program_.state.programFolder / kCategoryRulesFile);
    if (!read.error.empty()) tell(kRulesFailedBefore + read.error + kRulesFailedAfter);
    rules_ = std::move(read.rules);
    catalog_->setCategoryRules(rules_);
    builder_ = BankBuilder(catalog_->builder());
    label11 = kBuilderUsedBefore + std::to_string(builder_.used()) + kBuilderUsedAfter;
    ++builderVersion;
    return true;
}

std::string LibraryWindowForm::categoryText(const CatalogVoice &voice) {
    const auto index = static_cast<std::size_t>(voice.category) - 1;
    return index < kCategoryCount ? std::string(kCategories[index]) : std::string();
}

std::string LibraryWindowForm::categoryWhyText(const CatalogVoice &voice) const {
    if (voice.categoryWhy == CategoryReason(rules_, {voice.category, kChosenByHand})) return kWhyByHand;
    const CategoryMatch match = Categorize(rules_, voice.nameBytes);
    if (match.rule < 0 || static_cast<std::size_t>(match.rule) >= rules_.rules.size()) return kWhyNoRule;
    const CategoryRule &rule = rules_.rules[static_cast<std::size_t>(match.rule)];
    std::string text;
    switch (rule.match) {
    case NameMatch::Contains:
        text = kWhyContainsBefore + rule.text + kWhyContainsAfter;
        break;
    case NameMatch::Starts:
        text = kWhyStartsBefore + rule.text + kWhyStartsAfter;
        break;
    case NameMatch::Word:
        text = kWhyWordBefore + rule.text + kWhyWordAfter;
        break;
    }
    return text + kWhyLineBefore + kCategoryRulesFile + kWhyLineMiddle + std::to_string(rule.line) +
           kWhyLineAfter;
}

void LibraryWindowForm::refillFolders() {
    const int keep = list1.selected;
    list1.clear();
    if (!catalog_) return;
    for (const fs::path &folder : catalog_->folders())
        list1.add(folder.string());
    if (keep >= 0 && keep < static_cast<int>(list1.items.size())) list1.selected = keep;
    fileRoot_ = CommonFolder(list1.items);
}

std::string LibraryWindowForm::fileText(const CatalogVoice &voice) const {
    const fs::path file = voice.file.lexically_normal();
    if (!fileRoot_.empty()) {
        const fs::path relative = file.lexically_relative(fileRoot_);
        if (!relative.empty() && *relative.begin() != "..") return relative.string();
    }
    return file.string();
}

std::string LibraryWindowForm::placeText(const CatalogVoice &voice) const {
    std::string text = voice.name + kPlaceOpen + fileText(voice);
    if (voice.singleVoice)
        text += kPlaceSingle + Count(static_cast<std::size_t>(voice.bank));
    else
        text += kPlaceBank + Count(static_cast<std::size_t>(voice.bank)) + kPlaceVoice +
                Count(static_cast<std::size_t>(voice.voice));
    return text + kPlaceClose;
}

void LibraryWindowForm::search() {
    // The worker writes the database while it indexes; the results are read
    // again when it is done.
    if (indexing()) return;
    results.clear();
    matched_ = 0;
    selected = -1;
    chosenRows.clear();
    ++resultsVersion;
    endStepping();
    if (!catalog_) return;
    CatalogQuery query = filters();
    query.sort = sort;
    query.descending = descending;
    query.limit = kLibraryResultLimit;
    results = catalog_->search(query, &matched_);
    voiceCount_ = catalog_->voiceCount();
}

CatalogQuery LibraryWindowForm::filters() const {
    CatalogQuery query;
    query.name = text1;
    if (combo1 > 0) query.algorithm = combo1;
    if (combo2 > 0) query.feedback = combo2 - 1;
    if (combo3 > 0) query.carriers = combo3;
    if (combo4 > 0 && combo4 <= static_cast<int>(kCategoryCount))
        query.category = AllCategories()[static_cast<std::size_t>(combo4 - 1)];
    query.favourite = check1;
    query.minRating = combo5;
    query.tag = TrimmedTag(text3);
    return query;
}

void LibraryWindowForm::filtersChanged() {
    ++filtersVersion_;
    search();
    if (shown != 0 && (!groups.empty() || !groupsStatus_.empty())) dropGroups(kFiltersChanged);
    showStatus();
}

void LibraryWindowForm::dropGroups(std::string status) {
    groups.clear();
    ++groupsVersion;
    groupSelected = groupVoiceSelected = -1;
    groupsStatus_ = std::move(status);
}

void LibraryWindowForm::showStatus() {
    // Each view says what its own search found.
    if (!run_) label6 = shown == 0 ? indexStatus_ : groupsStatus_;
    std::string counts = kStatusVoicesBefore + Count(voiceCount_) + kStatusVoicesAfter;
    if (shown == 0) {
        counts += kStatusShownBefore + Count(matched_) + kStatusShownAfter;
        if (matched_ > results.size())
            counts += kStatusLimitBefore + Count(kLibraryResultLimit) + kStatusLimitAfter;
    }
    label7 = counts;
}

void LibraryWindowForm::tell(const std::string &text, MsgIcon icon) {
    MessageBoxSpec box;
    box.text = text;
    box.title = kTitle;
    box.icon = icon;
    program_.host.messageBox(box);
}

// --- Folders and index runs ------------------------------------------------

void LibraryWindowForm::command1Click() {
    if (busy()) {
        tell(kBusy, MsgIcon::Information);
        return;
    }
    if (!ensureCatalog() || !chooseFolder) return;
    const std::optional<std::string> folder = chooseFolder();
    if (!folder || folder->empty()) return;
    if (!catalog_->addFolder(*folder)) {
        tell(kFolderKnownBefore + *folder + kFolderKnownAfter, MsgIcon::Information);
        return;
    }
    refillFolders();
    list1.selected = static_cast<int>(list1.items.size()) - 1;
    startRun(RunKind::Index);
}

void LibraryWindowForm::command2Click() {
    if (busy()) {
        tell(kBusy, MsgIcon::Information);
        return;
    }
    if (!catalog_ || list1.selected < 0 || list1.selected >= static_cast<int>(list1.items.size())) {
        tell(kNoFolderSelected, MsgIcon::Information);
        return;
    }
    const std::string folder = list1.items[static_cast<std::size_t>(list1.selected)];
    MessageBoxSpec box;
    box.text = kRemoveBefore + folder + kRemoveAfter;
    box.title = kRemoveTitle;
    box.buttons = MsgButtons::YesNo;
    box.icon = MsgIcon::Question;
    if (program_.host.messageBox(box) != MsgResult::Yes) return;
    catalog_->removeFolder(folder);
    list1.selected = -1;
    refillFolders();
    indexStatus_.clear();
    search();
    dropGroups();
    showStatus();
}

void LibraryWindowForm::command3Click() {
    if (busy()) return;
    if (!ensureCatalog()) return;
    startRun(RunKind::Index);
}

void LibraryWindowForm::command4Click() {
    if (indexing()) run_->cancel = true;
}

void LibraryWindowForm::requestCancel() {
    if (run_) run_->cancel = true;
}

void LibraryWindowForm::list1Click(int index) {
    list1.selected = index >= 0 && index < static_cast<int>(list1.items.size()) ? index : -1;
}

void LibraryWindowForm::startRun(RunKind kind, int threshold) {
    auto run = std::make_unique<Run>();
    run->kind = kind;
    Run *r = run.get();
    run_ = std::move(run);
    progressBar1 = {.visible = true, .value = 0, .max = 0}; // busy until the total is known
    label6 = kind == RunKind::Index ? std::string(kIndexing) : std::string(kSearching);
    if (kind != RunKind::Index) {
        dropGroups();
        r->among = filters();
        r->filtersSeen = filtersVersion_;
    }
    r->thread = std::thread([r, file = catalogFile_, rules = rules_, threshold, hook = workerProgress] {
        // Nothing of the program is touched here: the worker has its own
        // connection and hands its results over through the Run.
        try {
            std::string error;
            const std::unique_ptr<Catalog> catalog = Catalog::Open(file, error);
            if (catalog) catalog->setCategoryRules(rules); // the duplicates may filter by category
            if (!catalog) {
                r->error = error;
            } else if (r->kind == RunKind::Index) {
                r->report = catalog->index(
                    [r, &hook](const IndexProgress &p) {
                        r->filesTotal = p.filesTotal;
                        r->filesDone = p.filesDone;
                        if (hook) hook(p);
                    },
                    &r->cancel);
                r->error = r->report.error;
            } else if (r->kind == RunKind::Same) {
                // The groups keep a copy of each voice shown: no more voices
                // than the result table's rows, the largest groups first.
                std::vector<DuplicateGroup> found = catalog->duplicates(r->among);
                r->groupsFound = found.size();
                std::size_t voicesShown = 0;
                for (DuplicateGroup &group : found) {
                    voicesShown += group.voices.size();
                    if (!r->groups.empty() && voicesShown > kLibraryResultLimit) break;
                    r->groups.push_back({kSameGroupBefore + Count(group.voices.size()) + kSameGroupAfter,
                                         std::move(group.voices)});
                }
            } else {
                const std::vector<NearDuplicate> found = catalog->nearDuplicates(threshold, r->among);
                r->groupsFound = found.size();
                for (const NearDuplicate &pair : found) {
                    if (r->groups.size() * 2 >= kLibraryResultLimit) break;
                    r->groups.push_back({kNearPairBefore + std::to_string(pair.distance), {pair.a, pair.b}});
                }
            }
        } catch (const std::exception &e) {
            r->error = e.what();
        }
        r->done.store(true, std::memory_order_release);
    });
}

bool LibraryWindowForm::pollRun() {
    if (!run_) return false;
    if (run_->done.load(std::memory_order_acquire)) {
        takeRun();
        return true;
    }
    if (run_->kind != RunKind::Index) return false;
    const auto total = run_->filesTotal.load();
    const auto done = run_->filesDone.load();
    const ProgressBarState now{
        .visible = true, .value = static_cast<int>(std::min(done, total)), .max = static_cast<int>(total)};
    std::string text = kIndexing + Count(done) + " / " + Count(total) + kIndexingFiles;
    if (now.value == progressBar1.value && now.max == progressBar1.max && text == label6) return false;
    progressBar1 = now;
    label6 = std::move(text);
    return true;
}

void LibraryWindowForm::waitForRun() {
    if (run_) takeRun();
}

void LibraryWindowForm::takeRun() {
    if (run_->thread.joinable()) run_->thread.join();
    std::unique_ptr<Run> run = std::move(run_);
    progressBar1 = {.visible = false};
    if (run->kind == RunKind::Index) {
        const IndexReport &report = run->report;
        if (!run->error.empty()) {
            indexStatus_.clear();
            tell(kIndexFailedBefore + catalogFile_.string() + kIndexFailedMiddle + run->error +
                 kIndexFailedAfter);
        } else if (report.cancelled) {
            indexStatus_ = kIndexCancelled;
        } else {
            indexStatus_ = kIndexDoneBefore + Count(report.files) + kIndexDoneBanks + Count(report.banks) +
                           kIndexDoneVoices + Count(report.voices) + kIndexDoneRead +
                           Count(report.filesRead) + kIndexDoneUnchanged + Count(report.filesUnchanged) +
                           kIndexDoneRemoved + Count(report.filesRemoved);
            if (!report.refused.empty()) indexStatus_ += kIndexDoneRefused + Count(report.refused.size());
            if (!report.family.empty()) indexStatus_ += kIndexDoneFamily + Count(report.family.size());
            indexStatus_ += kIndexDoneAfter;
        }
        refillFolders();
        search();
        dropGroups();
    } else if (run->filtersSeen != filtersVersion_) {
        // Found under filters no longer shown.
        dropGroups(kFiltersChanged);
    } else {
        dropGroups((run->kind == RunKind::Same ? kSameGroupsBefore : kNearPairsBefore) +
                   Count(run->groupsFound) + kGroupsAfter);
        groups = std::move(run->groups);
        if (groups.size() < run->groupsFound)
            groupsStatus_ += kStatusLimitBefore + Count(groups.size()) + kGroupsLimitAfter;
        const CatalogQuery &among = run->among;
        if (!among.name.empty() || among.algorithm || among.feedback || among.carriers || among.category ||
            among.favourite || among.minRating > 0 || !among.tag.empty())
            groupsStatus_ += kAmongFiltered;
        if (!run->error.empty())
            tell(kOpenFailedBefore + catalogFile_.string() + kOpenFailedMiddle + run->error +
                 kOpenFailedAfter);
    }
    showStatus();
    run.reset();
    ReleaseFreedMemory();
}

// --- Search ------------------------------------------------------------------

void LibraryWindowForm::text1Change(const std::string &text) {
    text1 = text;
    filtersChanged();
}

void LibraryWindowForm::combo1Click(int index) {
    combo1 = std::clamp(index, 0, 32);
    filtersChanged();
}

void LibraryWindowForm::combo2Click(int index) {
    combo2 = std::clamp(index, 0, 8);
    filtersChanged();
}

void LibraryWindowForm::combo3Click(int index) {
    combo3 = std::clamp(index, 0, 6);
    filtersChanged();
}

void LibraryWindowForm::combo4Click(int index) {
    combo4 = std::clamp(index, 0, static_cast<int>(kCategoryCount));
    filtersChanged();
}

void LibraryWindowForm::check1Click(bool checked) {
    check1 = checked;
    filtersChanged();
}

void LibraryWindowForm::combo5Click(int index) {
    combo5 = std::clamp(index, 0, kMaxRating);
    filtersChanged();
}

void LibraryWindowForm::text3Change(const std::string &text) {
    text3 = text;
    filtersChanged();
}

void LibraryWindowForm::headingClick(int column) {
    CatalogSort by;
    switch (column) {
    case 0:
        by = CatalogSort::Name;
        break;
    case 1:
        by = CatalogSort::File;
        break;
    case 4:
        by = CatalogSort::Algorithm;
        break;
    default:
        return; // bank and voice numbers sort with their file
    }
    descending = by == sort ? !descending : false;
    sort = by;
    search();
    showStatus();
}

// --- Duplicates --------------------------------------------------------------

void LibraryWindowForm::option1Click() {
    shown = 0;
    showStatus();
}

void LibraryWindowForm::option2Click() {
    if (shown != 1) dropGroups();
    shown = 1;
    endStepping();
    showStatus();
}

void LibraryWindowForm::option3Click() {
    if (shown != 2) dropGroups();
    shown = 2;
    endStepping();
    showStatus();
}

void LibraryWindowForm::command5Click() {
    if (busy()) {
        tell(kBusy, MsgIcon::Information);
        return;
    }
    if (!ensureCatalog()) return;
    if (shown == 2) {
        const std::optional<int> threshold = WholeNumber(text2, 0, kMaxNearThreshold);
        if (!threshold) {
            tell(kThresholdInvalid);
            return;
        }
        startRun(RunKind::Near, *threshold);
        return;
    }
    shown = 1;
    startRun(RunKind::Same);
}

// --- Sending and loading -----------------------------------------------------

const CatalogVoice *LibraryWindowForm::chosenVoice() const {
    if (shown == 0)
        return selected >= 0 && selected < static_cast<int>(results.size())
                   ? &results[static_cast<std::size_t>(selected)]
                   : nullptr;
    if (groupSelected < 0 || groupSelected >= static_cast<int>(groups.size())) return nullptr;
    const auto &voices = groups[static_cast<std::size_t>(groupSelected)].voices;
    return groupVoiceSelected >= 0 && groupVoiceSelected < static_cast<int>(voices.size())
               ? &voices[static_cast<std::size_t>(groupVoiceSelected)]
               : nullptr;
}

void LibraryWindowForm::resultClick(int row) {
    selected = row >= 0 && row < static_cast<int>(results.size()) ? row : -1;
    if (stepping_ && selected >= 0) placeVoice(results[static_cast<std::size_t>(selected)]);
}

void LibraryWindowForm::resultActivate(int row) {
    selected = row >= 0 && row < static_cast<int>(results.size()) ? row : -1;
    if (selected < 0) return;
    stepping_ = placeVoice(results[static_cast<std::size_t>(selected)]);
}

void LibraryWindowForm::groupVoiceClick(int group, int voice) {
    groupSelected = group;
    groupVoiceSelected = voice;
    const CatalogVoice *v = chosenVoice();
    if (!v) groupSelected = groupVoiceSelected = -1;
    if (stepping_ && v) placeVoice(*v);
}

void LibraryWindowForm::groupVoiceActivate(int group, int voice) {
    groupSelected = group;
    groupVoiceSelected = voice;
    const CatalogVoice *v = chosenVoice();
    if (!v) {
        groupSelected = groupVoiceSelected = -1;
        return;
    }
    stepping_ = placeVoice(*v);
}

void LibraryWindowForm::resultsChoose(std::vector<int> rows) {
    std::erase_if(rows, [this](int r) { return r < 0 || r >= static_cast<int>(results.size()); });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    chosenRows = std::move(rows);
}

void LibraryWindowForm::command9Click() {
    if (!command9Enabled() || !catalog_) return;
    if (indexing()) {
        tell(kBusy, MsgIcon::Information);
        return;
    }
    const CatalogVoice &a = results[static_cast<std::size_t>(chosenRows[0])];
    const CatalogVoice &b = results[static_cast<std::size_t>(chosenRows[1])];
    const std::optional<VoiceRecord> ra = catalog_->record(a.id), rb = catalog_->record(b.id);
    if (!ra || !rb) {
        tell(kVoiceGone);
        return;
    }
    VoiceComparison c;
    c.label1 = kCompareA + placeText(a);
    c.label2 = kCompareB + placeText(b);
    c.differences = VoiceDifferences(SlotOf(*ra), SlotOf(*rb));
    c.label3 = c.differences.empty() ? std::string(kCompareSame)
                                     : kCompareCountBefore + Count(c.differences.size()) + kCompareCountAfter;
    comparison = std::move(c);
    ++comparisonVersion;
}

void LibraryWindowForm::command10Click() {
    const CatalogVoice *chosen = chosenVoice();
    if (!chosen || !catalog_) return;
    if (indexing()) {
        tell(kBusy, MsgIcon::Information);
        return;
    }
    const std::optional<int> threshold = WholeNumber(text2, 0, kMaxNearThreshold);
    if (!threshold) {
        tell(kThresholdInvalid);
        return;
    }
    VoiceWhereabouts w;
    w.label1 = placeText(*chosen);
    w.same = catalog_->sameSound(chosen->id);
    if (w.same.empty()) {
        tell(kVoiceGone);
        return;
    }
    w.near = catalog_->nearVoices(chosen->id, *threshold);
    w.label2 = kWhereSameBefore + Count(w.same.size()) + kWhereSameAfter;
    w.label3 = kWhereNearBefore + std::to_string(*threshold) + kWhereNearMiddle + Count(w.near.size()) +
               kWhereNearAfter;
    whereabouts = std::move(w);
    ++whereaboutsVersion;
}

bool LibraryWindowForm::mayChangeMainWindow() {
    if (links_.mainWindowHeld()) {
        tell(kMainWindowHeld);
        endStepping();
        return false;
    }
    // A bank receive or transmit owns the port and will replace the bank.
    if (!PortFree(program_.state, program_.host)) {
        endStepping();
        return false;
    }
    return true;
}

bool LibraryWindowForm::placeVoice(const CatalogVoice &voice) {
    if (!catalog_) return false;
    return placeRecord(
        voice.name, [&] { return catalog_->record(voice.id); },
        [&] { return catalog_->supplement(voice.id); });
}

bool LibraryWindowForm::placeRecord(const std::string &name,
                                    const std::function<std::optional<VoiceRecord>()> &readRecord,
                                    const std::function<std::optional<Supplement>()> &readSupplement) {
    if (!mayChangeMainWindow()) return false;
    // Asked once: the placed voice stands as stored, so stepping on asks
    // again only when the user edited the voice in between.
    if (mainWindow_.editAreaUnwritten()) {
        MessageBoxSpec box;
        box.text = kReplaceBefore + name + kReplaceAfter;
        box.title = kReplaceTitle;
        box.buttons = MsgButtons::YesNo;
        box.icon = MsgIcon::Question;
        box.defaultButton = MsgResult::No;
        if (program_.host.messageBox(box) != MsgResult::Yes) {
            endStepping();
            return false;
        }
    }
    const std::optional<VoiceRecord> record = readRecord();
    if (!record) {
        tell(kVoiceGone);
        endStepping();
        return false;
    }
    // As a 1-voice load: slot 0 and the edit area, then program change 0
    // and the voice.
    program_.workspace.placeVoice(*record, readSupplement());
    SendEditArea(program_.state, program_.host, program_.workspace);
    return true;
}

void LibraryWindowForm::command6Click() {
    const CatalogVoice *voice = chosenVoice();
    if (!voice) {
        tell(kNoVoiceSelected, MsgIcon::Information);
        return;
    }
    placeVoice(*voice);
}

void LibraryWindowForm::command7Click() {
    const CatalogVoice *voice = chosenVoice();
    if (!voice) {
        tell(kNoVoiceSelected, MsgIcon::Information);
        return;
    }
    if (!mayChangeMainWindow() || !catalog_) return;
    if (voice->singleVoice) {
        tell(kSingleBefore + voice->name + kSingleMiddle + voice->file.string() + kSingleAfter,
             MsgIcon::Information);
        return;
    }
    const auto bank = catalog_->bankWithSupplements(voice->id);
    if (!bank) {
        tell(kVoiceGone);
        return;
    }
    if (links_.soundListUnsaved()) {
        MessageBoxSpec box;
        box.text = std::string(kBankUnsaved) + "\r" + kBankQuestionBefore + voice->file.string() +
                   kBankQuestionMiddle + std::to_string(voice->bank) + kBankQuestionAfter;
        box.title = kBankTitle;
        box.buttons = MsgButtons::YesNo;
        box.icon = MsgIcon::Exclamation;
        box.defaultButton = MsgResult::No;
        if (program_.host.messageBox(box) != MsgResult::Yes) return;
    }
    // As the 32-voice load: the receive logs emptied, slots 1..32 positions
    // 0..160, standing as stored; nothing is sent.
    mainWindow_.clearReceiveLogs();
    program_.workspace.replaceBank(bank->voices, bank->supplements);
}

void LibraryWindowForm::command8Click() {
    const CatalogVoice *voice = chosenVoice();
    if (!voice) {
        tell(kNoVoiceSelected, MsgIcon::Information);
        return;
    }
    if (!mayChangeMainWindow()) return;
    // The chooser writes the edit-area voice: refuse before the edit area
    // changes when there is no list to write into.
    if (mainWindow_.soundListEntries().size() != kBankSlots) {
        tell(kChooserNoBank);
        return;
    }
    if (!placeVoice(*voice)) return;
    endStepping(); // the main window is held until the chooser closes
    links_.openOverwriteChooser();
}

void LibraryWindowForm::command19Click() {
    if (busy()) {
        tell(kBusy, MsgIcon::Information);
        return;
    }
    if (!ensureCatalog()) return;
    familyFiles = catalog_->familyFiles();
    familyLabel = kFamilyCountBefore + Count(familyFiles.size()) + kFamilyCountAfter;
    ++familyVersion;
}

std::string SupplementMark(const CatalogVoice &voice) {
    return voice.supplement ? std::string(kSupplementMark) : std::string();
}

std::string VariantMark(const std::vector<CatalogVoice> &voices, std::size_t voice) {
    if (voice >= voices.size() || !voices[voice].supplement) return {};
    std::vector<Supplement> seen;
    std::size_t number = 0;
    for (std::size_t i = 0; i < voices.size(); ++i) {
        if (!voices[i].supplement) continue;
        auto it = std::find(seen.begin(), seen.end(), *voices[i].supplement);
        if (it == seen.end()) it = seen.insert(seen.end(), *voices[i].supplement);
        if (i == voice) number = static_cast<std::size_t>(it - seen.begin()) + 1;
    }
    if (seen.size() < 2) return kSupplementMark;
    return std::string(kSupplementMark) + "-" + std::to_string(number);
}

void LibraryWindowForm::queryUnload() {
    if (!open_ && !run_) return; // a close the form itself asked for
    if (run_) {
        // Between files the index stops and leaves the catalogue as it was.
        run_->cancel = true;
        takeRun();
    }
    endStepping();
    open_ = false;
    program_.host.closeWindow(WindowId::Library);
}

} // namespace vox

namespace vox {

// --- Marks -----------------------------------------------------------------

std::vector<const CatalogVoice *> LibraryWindowForm::chosenVoices() const {
    std::vector<const CatalogVoice *> out;
    if (shown == 0)
        for (int r : chosenRows)
            if (r >= 0 && r < static_cast<int>(results.size()))
                out.push_back(&results[static_cast<std::size_t>(r)]);
    if (out.empty())
        if (const CatalogVoice *v = chosenVoice()) out.push_back(v);
    return out;
}

void LibraryWindowForm::mark(const std::function<bool(const SoundBody &)> &write) {
    if (busy()) {
        tell(kBusy, MsgIcon::Information);
        return;
    }
    const std::vector<const CatalogVoice *> voices = chosenVoices();
    if (!catalog_ || voices.empty()) {
        tell(kNoVoiceSelected, MsgIcon::Information);
        return;
    }
    std::vector<std::int64_t> chosenIds;
    for (int r : chosenRows)
        if (r >= 0 && r < static_cast<int>(results.size()))
            chosenIds.push_back(results[static_cast<std::size_t>(r)].id);
    const std::int64_t selectedId = selected >= 0 && selected < static_cast<int>(results.size())
                                        ? results[static_cast<std::size_t>(selected)].id
                                        : 0;
    std::vector<SoundBody> bodies;
    for (const CatalogVoice *v : voices) {
        bodies.push_back(v->body);
        if (!write(v->body)) {
            tell(kMarkFailedBefore + catalog_->lastError() + kMarkFailedAfter);
            break;
        }
    }
    refreshGroupMarks(bodies);
    // The marks may take a voice out of the filters; those still shown stay chosen.
    search();
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (results[i].id == selectedId) selected = static_cast<int>(i);
        if (std::find(chosenIds.begin(), chosenIds.end(), results[i].id) != chosenIds.end())
            chosenRows.push_back(static_cast<int>(i));
    }
    showStatus();
}

void LibraryWindowForm::refreshGroupMarks(const std::vector<SoundBody> &bodies) {
    bool changed = false;
    for (VoiceGroup &group : groups)
        for (CatalogVoice &v : group.voices) {
            if (std::find(bodies.begin(), bodies.end(), v.body) == bodies.end()) continue;
            const SoundMarks m = catalog_->marks(v.body);
            v.favourite = m.favourite;
            v.rating = m.rating;
            v.tags = m.tags;
            const CategoryMatch match =
                m.category ? CategoryMatch{*m.category, kChosenByHand} : Categorize(rules_, v.nameBytes);
            v.category = match.category;
            v.categoryWhy = CategoryReason(rules_, match);
            changed = true;
        }
    if (changed) ++groupMarksVersion;
}

void LibraryWindowForm::markFavourite(bool favourite) {
    mark([&](const SoundBody &body) { return catalog_->setFavourite(body, favourite); });
}

void LibraryWindowForm::markRating(int rating) {
    const int value = std::clamp(rating, 0, kMaxRating);
    mark([&](const SoundBody &body) { return catalog_->setRating(body, value); });
}

void LibraryWindowForm::markTagAdd(const std::string &tag) {
    if (const std::string why = TagError(tag); !why.empty()) {
        tell(kTagRefusedBefore + tag + kTagRefusedMiddle + why + kMarkFailedAfter);
        return;
    }
    mark([&](const SoundBody &body) { return catalog_->addTag(body, TrimmedTag(tag)); });
}

void LibraryWindowForm::markTagRemove(const std::string &tag) {
    mark([&](const SoundBody &body) { return catalog_->removeTag(body, tag); });
}

void LibraryWindowForm::markCategory(int index) {
    std::optional<VoiceCategory> category;
    if (index > 0 && index <= static_cast<int>(kCategoryCount))
        category = AllCategories()[static_cast<std::size_t>(index - 1)];
    mark([&](const SoundBody &body) { return catalog_->setCategory(body, category); });
}

std::vector<std::string> LibraryWindowForm::chosenTags() const {
    std::vector<std::string> tags;
    for (const CatalogVoice *v : chosenVoices())
        for (const std::string &t : v->tags)
            if (std::find(tags.begin(), tags.end(), t) == tags.end()) tags.push_back(t);
    std::sort(tags.begin(), tags.end());
    return tags;
}

} // namespace vox
