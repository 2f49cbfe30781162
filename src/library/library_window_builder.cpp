// The library window's bank under construction: voices from the results
// and the SOUND LIST into 32 positions, and the finished bank into the
// SOUND LIST, a file or the instrument.
#include "library/library_window.h"

#include "workspace/unwritten.h"

#include <algorithm>
#include <cctype>

namespace vox {

using namespace library_text;

namespace {

std::string Number(std::size_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// Positions chosen, valid and each once, in order.
std::vector<int> Positions(std::vector<int> positions) {
    std::erase_if(positions, [](int p) { return p < 1 || p > static_cast<int>(kBankSlots); });
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

} // namespace

std::string LibraryWindowForm::builderCell(std::size_t position, int column) const {
    if (column == 0) return Number(position);
    const std::optional<BuilderEntry> &entry = builder_.at(position);
    if (!entry) return column == 1 ? std::string(kBuilderFree) : std::string();
    if (column == 1) {
        std::array<Byte, kNameLength> name{};
        std::copy_n(entry->record.begin() + kNamePos, kNameLength, name.begin());
        return NameBytesToUtf8(name);
    }
    if (entry->file.empty()) return kBuilderFromSoundList + Number(static_cast<std::size_t>(entry->voice));
    CatalogVoice place;
    place.file = entry->file;
    place.bank = entry->bank;
    place.voice = entry->voice;
    place.singleVoice = entry->singleVoice;
    std::string text = fileText(place);
    text += entry->singleVoice ? " #" + std::to_string(entry->bank)
                               : " " + std::to_string(entry->bank) + "-" + std::to_string(entry->voice);
    return text;
}

void LibraryWindowForm::builderChanged() {
    ++builderVersion;
    label11 = kBuilderUsedBefore + std::to_string(builder_.used()) + kBuilderUsedAfter;
    if (catalog_ && !catalog_->saveBuilder(builder_.positions()))
        tell(kBuilderStoreFailedBefore + catalog_->lastError() + kBuilderStoreFailedAfter);
}

void LibraryWindowForm::builderChoose(std::vector<int> positions) { builderChosen = Positions(positions); }

void LibraryWindowForm::builderActivate(int position) {
    const auto p = static_cast<std::size_t>(position);
    const std::optional<BuilderEntry> &entry = builder_.at(p);
    if (!entry) return;
    placeRecord(
        builderCell(p, 1), [&] { return std::optional<VoiceRecord>(entry->record); },
        [&] { return entry->supplement; });
}

void LibraryWindowForm::builderPlace(std::vector<BuilderEntry> entries, int position) {
    if (entries.empty()) return;
    std::size_t left = 0;
    if (position >= 1 && position <= static_cast<int>(kBankSlots)) {
        auto p = static_cast<std::size_t>(position);
        for (BuilderEntry &e : entries)
            if (!builder_.put(p++, std::move(e))) ++left;
    } else {
        for (BuilderEntry &e : entries)
            if (!builder_.add(std::move(e))) ++left;
    }
    builderChanged();
    if (left == entries.size()) tell(kBuilderFull, MsgIcon::Information);
}

void LibraryWindowForm::builderDropResults(const std::vector<int> &rows, int position) {
    if (!catalog_) return;
    std::vector<BuilderEntry> entries;
    for (int r : rows) {
        if (r < 0 || r >= static_cast<int>(results.size())) continue;
        const CatalogVoice &v = results[static_cast<std::size_t>(r)];
        const std::optional<VoiceRecord> record = catalog_->record(v.id);
        if (!record) {
            tell(kVoiceGone);
            return;
        }
        entries.push_back(EntryOf(v, *record));
    }
    builderPlace(std::move(entries), position);
}

void LibraryWindowForm::builderDropSoundList(const std::vector<int> &entries, int position) {
    std::vector<BuilderEntry> placed;
    for (int n : entries) {
        if (n < 1 || n > static_cast<int>(kBankSlots)) continue;
        BuilderEntry e;
        const Slot &slot = program_.workspace.slot(n);
        std::copy_n(slot.begin(), kRecordSize, e.record.begin());
        e.voice = n; // no file: "SOUND LIST n"
        e.supplement = program_.workspace.supplement(n);
        placed.push_back(std::move(e));
    }
    builderPlace(std::move(placed), position);
}

void LibraryWindowForm::builderMove(int from, int to) {
    if (from == to || !builder_.move(static_cast<std::size_t>(from), static_cast<std::size_t>(to))) return;
    builderChosen = {to};
    builderChanged();
}

void LibraryWindowForm::command11Click() {
    std::vector<int> rows;
    if (shown == 0) rows = chosenRows.empty() && selected >= 0 ? std::vector<int>{selected} : chosenRows;
    if (shown != 0 || rows.empty()) {
        // The duplicates view's voice, or nothing chosen.
        const CatalogVoice *voice = chosenVoice();
        if (!voice || !catalog_) {
            tell(kNoVoiceSelected, MsgIcon::Information);
            return;
        }
        const std::optional<VoiceRecord> record = catalog_->record(voice->id);
        if (!record) {
            tell(kVoiceGone);
            return;
        }
        builderPlace({EntryOf(*voice, *record)}, 0);
        return;
    }
    builderDropResults(rows, 0);
}

void LibraryWindowForm::command12Click() {
    if (!catalog_) return;
    if (results.empty()) {
        tell(kBuilderNoResults, MsgIcon::Information);
        return;
    }
    if (!builder_.firstFree()) {
        tell(kBuilderFull, MsgIcon::Information);
        return;
    }
    const BankBuilder::FillReport report = builder_.fill(
        results, [this](const CatalogVoice &v) { return catalog_->record(v.id); }, check2);
    std::string text = kBuilderFilledBefore + std::to_string(report.placed) + kBuilderFilledAfter;
    if (report.sameSound > 0)
        text += kBuilderSkippedBefore + std::to_string(report.sameSound) + kBuilderSkippedAfter;
    if (report.left > 0) text += kBuilderLeftBefore + std::to_string(report.left) + kBuilderLeftAfter;
    label6 = text + kBuilderPeriod;
    builderChanged();
}

void LibraryWindowForm::command13Click() {
    if (builderChosen.size() != 2) {
        tell(kBuilderSwapTwo, MsgIcon::Information);
        return;
    }
    builder_.swap(static_cast<std::size_t>(builderChosen[0]), static_cast<std::size_t>(builderChosen[1]));
    builderChanged();
}

void LibraryWindowForm::command14Click() {
    if (builderChosen.empty()) {
        tell(kBuilderNoPosition, MsgIcon::Information);
        return;
    }
    for (int p : builderChosen)
        builder_.clear(static_cast<std::size_t>(p));
    builderChanged();
}

void LibraryWindowForm::command15Click() {
    if (builder_.used() == 0) return;
    MessageBoxSpec box;
    box.text = kBuilderClearAll;
    box.title = kBuilderTitle;
    box.buttons = MsgButtons::YesNo;
    box.icon = MsgIcon::Question;
    box.defaultButton = MsgResult::No;
    if (program_.host.messageBox(box) != MsgResult::Yes) return;
    builder_.clearAll();
    builderChosen.clear();
    builderChanged();
}

std::optional<BankBuilder::Built> LibraryWindowForm::builtBank() {
    const std::size_t used = builder_.used();
    if (used == 0) {
        tell(kBuilderNoVoice, MsgIcon::Information);
        return std::nullopt;
    }
    if (used < kBankSlots) {
        MessageBoxSpec box;
        box.text = kBuilderInitialBefore + std::to_string(kBankSlots - used) + kBuilderInitialAfter;
        box.title = kBuilderTitle;
        box.buttons = MsgButtons::YesNo;
        box.icon = MsgIcon::Question;
        box.defaultButton = MsgResult::Yes;
        if (program_.host.messageBox(box) != MsgResult::Yes) return std::nullopt;
    }
    return builder_.build();
}

bool LibraryWindowForm::builderIntoSoundList(bool transmit) {
    if (!mayChangeMainWindow()) return false;
    const std::optional<BankBuilder::Built> bank = builtBank();
    if (!bank) return false;
    MessageBoxSpec box;
    box.title = kBankTitle;
    box.buttons = MsgButtons::YesNo;
    box.defaultButton = MsgResult::No;
    box.icon = MsgIcon::Question;
    box.text = kBuilderIntoListBefore + std::to_string(builder_.used()) + kBuilderIntoListAfter;
    if (links_.soundListUnsaved()) {
        box.icon = MsgIcon::Exclamation;
        box.text = std::string(kBankUnsaved) + "\r" + box.text;
    }
    if (transmit) box.text = std::string(kBuilderTransmitNotice) + "\r" + box.text;
    if (program_.host.messageBox(box) != MsgResult::Yes) return false;
    // The question may have stood while a receive started.
    if (!mayChangeMainWindow()) return false;
    mainWindow_.clearReceiveLogs();
    program_.workspace.replaceBank(bank->voices, bank->supplements);
    return true;
}

void LibraryWindowForm::command16Click() { builderIntoSoundList(false); }

void LibraryWindowForm::command18Click() {
    if (builderIntoSoundList(true)) links_.transmitSoundList();
}

void LibraryWindowForm::command17Click() {
    if (builder_.used() == 0) {
        tell(kBuilderNoVoice, MsgIcon::Information);
        return;
    }
    if (!chooseBankFile) return;
    const std::optional<std::string> chosen = chooseBankFile();
    if (!chosen) return;
    const std::filesystem::path file = *chosen;
    // A bank is kept as a bulk dump or as the program's own 32 records;
    // any other name is refused before anything is asked.
    std::string extension = file.extension().string();
    for (char &c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != ".syx" && extension != ".v32") {
        tell(kBuilderKindRefusedBefore + file.string() + kBuilderKindRefusedAfter);
        return;
    }
    const std::optional<BankBuilder::Built> bank = builtBank();
    if (!bank) return;
    if (const std::string failed = links_.saveBank(file, bank->voices, bank->supplements); !failed.empty()) {
        tell(failed);
        return;
    }
    label6 = kBuilderSavedBefore + file.string() + kBuilderSavedAfter;
    // Only a whole set goes with the bank: say what stayed behind.
    if (!AllHeld(bank->supplements) && AnyHeld(bank->supplements)) {
        const auto held = std::count_if(bank->supplements.begin(), bank->supplements.end(),
                                        [](const auto &r) { return r.has_value(); });
        label6 += kBuilderNotKeptBefore + std::to_string(held) + kBuilderNotKeptAfter;
    }
}

} // namespace vox
