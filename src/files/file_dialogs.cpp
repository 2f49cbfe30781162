#include "files/file_dialogs.h"

#include "common/program_folders.h"
#include "files/voice_files.h"
#include "files/volumes.h"
#include "midi/midi_output.h"
#include "voice/text.h"
#include "voice/voice_scan.h"
#include "voice/voice_supplement.h"
#include "workspace/unwritten.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <system_error>

namespace vox {
namespace {

namespace fs = std::filesystem;
using namespace file_dialog_text;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool WildcardMatch(std::string_view name, std::string_view pattern) {
    // Iterative * and ? match, with backtracking to the last star.
    std::size_t n = 0, p = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool Hidden(const fs::path &entry) {
    const std::string name = entry.filename().string();
    return !name.empty() && name[0] == '.';
}

bool LessNoCase(const std::string &a, const std::string &b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Lower(x) < Lower(y); });
}

bool EndsWith(const std::string &text, std::string_view end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The save dialogs keep a name that already ends in their ending, all
// lower case or all upper case, and add it otherwise.
std::string WithEnding(const std::string &name, std::string_view lower, std::string_view upper) {
    return (EndsWith(name, lower) || EndsWith(name, upper)) ? name : name + std::string(lower);
}

// Any byte below 20h, and DEL: a file name cannot hold them, or they do
// not show.
bool HasControlCharacter(const std::string &name) {
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// Fills the %-codes of a text in one pass, so that a file name holding
// "%C" stays as it is.
std::string Fill(const std::string &pattern, const std::map<char, std::string> &values) {
    std::string text;
    for (const char *c = pattern.c_str(); *c; ++c) {
        if (c[0] == '%' && c[1] != 0) {
            if (const auto it = values.find(c[1]); it != values.end()) {
                text += it->second;
                ++c;
                continue;
            }
        }
        text += *c;
    }
    return text;
}

std::string NameOf(const VoiceRecord &record) {
    return NameBytesToUtf8(std::span<const Byte>(record).subspan(kNamePos, kNameLength));
}

// Each bank or single voice of the file, by its number, where it starts
// and its (first) voice's name: enough to tell them apart.
std::vector<std::string> ChoiceItems(const VoiceScan &scan, bool banks) {
    std::vector<std::string> items;
    const std::size_t count = banks ? scan.bankCount() : scan.singleVoiceCount();
    for (std::size_t n = 0; n < count; ++n) {
        const FoundVoices *found = banks ? scan.bank(n) : scan.singleVoice(n);
        if (!found || found->voices.empty()) break;
        items.push_back(Fill(banks ? kBankItem : kVoiceItem, {{'N', std::to_string(n + 1)},
                                                              {'O', std::to_string(found->offset)},
                                                              {'V', NameOf(found->voices.front())}}));
    }
    return items;
}

// Asks which bank (or single voice) to load when the file holds more than
// one; 0 when it holds one or none (the reader then says what is wrong).
// Nothing when the user cancels.
std::optional<std::size_t> Pick(Host &host, const VoiceScan &scan, bool banks, const fs::path &file) {
    const std::vector<std::string> items = ChoiceItems(scan, banks);
    if (items.size() < 2) return 0;
    const std::string text =
        Fill(banks ? kChooseBank : kChooseVoice, {{'F', file.string()}, {'C', std::to_string(items.size())}});
    const std::optional<int> chosen =
        host.chooseItem(banks ? kChooseBankTitle : kChooseVoiceTitle, text, items);
    if (!chosen || *chosen < 0 || static_cast<std::size_t>(*chosen) >= items.size()) return std::nullopt;
    return static_cast<std::size_t>(*chosen);
}

} // namespace

std::string ProposedFileName(std::string_view voiceName) {
    std::string name;
    for (std::size_t at = 0; at < voiceName.size();) {
        const auto lead = static_cast<unsigned char>(voiceName[at]);
        const std::size_t length = Utf8Length(voiceName, at);
        const std::string_view character = voiceName.substr(at, length);
        at += length;
        if (length == 1) {
            const char c = character[0];
            if (lead < 0x20 || lead == 0x7F || lead >= 0x80) continue; // control, or a stray byte
            if (std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) {
                name += '_';
                continue;
            }
        } else if (length == 2 && lead == 0xC2 && static_cast<unsigned char>(character[1]) < 0xA0) {
            continue; // U+0080..U+009F, the second set of control characters
        }
        name += character;
    }
    const std::size_t first = name.find_first_not_of(" .");
    if (first == std::string::npos) return {};
    const std::size_t last = name.find_last_not_of(' ');
    return name.substr(first, last - first + 1);
}

bool MatchesPattern(const std::string &fileName, const std::string &patterns) {
    std::size_t from = 0;
    while (from <= patterns.size()) {
        const std::size_t end = std::min(patterns.find(';', from), patterns.size());
        if (end > from && WildcardMatch(fileName, std::string_view(patterns).substr(from, end - from)))
            return true;
        from = end + 1;
    }
    return false;
}

// --- The shared dialog ---------------------------------------------------

FileDialogForm::FileDialogForm(FormContext program, MainWindowPort &mainWindow, const Setup &setup)
    : volumeSource(ListVolumes), program_(program), mainWindow_(mainWindow), setup_(setup),
      window_(setup.window) {
    caption = setup.caption;
    command1 = {setup.action, kCancel};
    pattern = setup.pattern;
}

fs::path FileDialogForm::defaultFolder() const { return WritableFolder(program_.state) / setup_.folder; }

void FileDialogForm::prepare() {
    const fs::path folder = defaultFolder();
    // The folder is part of the program's layout; put it back if it has
    // gone, so that a save there works.
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) fs::create_directories(folder, ec);
    volumes_ = volumeSource ? volumeSource() : ListVolumes();
    if (volumes_.empty()) volumes_.push_back(folder.root_path().string());
    drive1.items = volumes_;
    text1 = folder.string();
    text2.clear();
    moveTo(folder);
    isOpen = true;
}

void FileDialogForm::show() {
    isOpen = true;
    if (setup_.disablesMainWhenShown) mainWindow_.setEnabled(false);
    program_.host.showWindow(window_);
}

void FileDialogForm::open() {
    prepare();
    show();
}

void FileDialogForm::moveTo(const fs::path &wanted) {
    std::error_code ec;
    fs::path folder = fs::absolute(wanted, ec).lexically_normal();
    if (folder.has_relative_path() && folder.filename().empty()) folder = folder.parent_path();
    // A folder that cannot be listed shows its nearest existing parent.
    while (!fs::is_directory(folder, ec) && folder.has_relative_path())
        folder = folder.parent_path();
    listFolder_ = folder;

    dir1.clear();
    dir1Paths.clear();
    fs::path walk = folder.root_path();
    int depth = 0;
    dir1.add(walk.string());
    dir1Paths.push_back(walk.string());
    for (const fs::path &part : folder.relative_path()) {
        if (part.empty()) continue;
        walk /= part;
        ++depth;
        dir1.add(std::string(static_cast<std::size_t>(2 * depth), ' ') + part.string());
        dir1Paths.push_back(walk.string());
    }
    dir1.selected = static_cast<int>(dir1.items.size()) - 1;

    std::vector<std::string> folders, files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (Hidden(it->path())) continue;
        std::error_code typeError;
        const std::string name = it->path().filename().string();
        if (it->is_directory(typeError))
            folders.push_back(name);
        else if (it->is_regular_file(typeError) && MatchesPattern(name, pattern))
            files.push_back(name);
    }
    std::sort(folders.begin(), folders.end(), LessNoCase);
    std::sort(files.begin(), files.end(), LessNoCase);
    for (const std::string &name : folders) {
        dir1.add(std::string(static_cast<std::size_t>(2 * (depth + 1)), ' ') + name);
        dir1Paths.push_back((folder / name).string());
    }
    file1.clear();
    for (std::string &name : files)
        file1.add(std::move(name));

    drive1.selected = static_cast<int>(VolumeIndexOf(folder, volumes_));
}

void FileDialogForm::drive1Change(int index) {
    if (index < 0 || index >= static_cast<int>(volumes_.size())) return;
    // The chosen drive's current folder: the program's working folder when
    // it lies on that drive, else the drive's top. Text1 stays as it is.
    std::error_code ec;
    const fs::path working = fs::current_path(ec);
    const auto at = static_cast<std::size_t>(index);
    moveTo(!ec && VolumeIndexOf(working, volumes_) == at ? working : fs::path(volumes_[at]));
    drive1.selected = index;
}

void FileDialogForm::dir1Click(int index) {
    if (index < 0 || index >= static_cast<int>(dir1Paths.size())) return;
    const std::string folder = dir1Paths[static_cast<std::size_t>(index)];
    text1 = folder;
    moveTo(folder);
}

void FileDialogForm::file1Click(int index) {
    if (index < 0 || index >= static_cast<int>(file1.items.size())) return;
    file1.selected = index;
    text2 = file1.items[static_cast<std::size_t>(index)];
}

void FileDialogForm::file1DoubleClick(int index) {
    file1Click(index);
    if (setup_.doubleClickActs && index >= 0 && index < static_cast<int>(file1.items.size()))
        command1Click(0);
}

void FileDialogForm::command1Click(int index) {
    if (!isOpen) return;
    if (index == 0) {
        if (action()) finish();
    } else if (index == 1) {
        finish();
    }
}

void FileDialogForm::queryClose() {
    if (isOpen) command1Click(1);
}

void FileDialogForm::finish() {
    mainWindow_.setEnabled(true);
    isOpen = false;
    program_.host.closeWindow(window_);
}

fs::path FileDialogForm::actionPath(const std::string &fileName) const { return fs::path(text1) / fileName; }

bool FileDialogForm::nameGiven() {
    if (!text2.empty()) return true;
    tell(kEnterName);
    return false;
}

bool FileDialogForm::nameUsable() {
    // The system would cut the name at a NUL and save, and ask about,
    // another file than the one named.
    if (!HasControlCharacter(text2)) return true;
    tell(kBadNameCharacter);
    return false;
}

bool FileDialogForm::overwriteAllowed(const fs::path &file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return true;
    MessageBoxSpec box;
    box.text = kOverwrite;
    box.buttons = MsgButtons::YesNo;
    box.title = kOverwriteTitle;
    return program_.host.messageBox(box) == MsgResult::Yes;
}

void FileDialogForm::tell(const std::string &text) { ShowMessage(program_.host, text); }

// --- form3: save 32 voices -----------------------------------------------

Form3::Form3(FormContext program, MainWindowPort &mainWindow)
    : FileDialogForm(program, mainWindow,
                     {WindowId::form3, kForm3Caption, kSave, kForm3Pattern, kBankFolder, false, false}) {}

bool Form3::action() {
    if (!nameGiven() || !nameUsable()) return false;
    const fs::path file = actionPath(WithEnding(text2, ".v32", ".V32"));
    if (!overwriteAllowed(file)) return false;
    const WriteResult written = WriteFileReplacing(file, EncodeBankFile(program_.workspace.voiceTable()));
    if (!written.ok) {
        tell(WriteErrorMessage(file, written.reason));
        return false;
    }
    // The additional data goes beside it, whole; a companion left from a
    // bank saved there before would pair wrongly later, so it goes.
    const BankSupplements supplements = program_.workspace.bankSupplements();
    const fs::path companion = SupplementCompanion(file);
    if (AllHeld(supplements)) {
        const WriteResult beside = WriteFileReplacing(companion, BuildAmem(supplements));
        if (!beside.ok) tell(WriteErrorMessage(companion, beside.reason));
    } else {
        std::error_code ec;
        fs::remove(companion, ec);
        if (AnyHeld(supplements)) {
            const auto held = std::count_if(supplements.begin(), supplements.end(),
                                            [](const auto &r) { return r.has_value(); });
            tell(kSupplementPartialBefore + std::to_string(held) + kSupplementPartialAfter);
        }
    }
    program_.workspace.markBankStored();
    return true;
}

// --- Form4: load 32 voices -----------------------------------------------

Form4::Form4(FormContext program, MainWindowPort &mainWindow)
    : FileDialogForm(program, mainWindow,
                     {WindowId::Form4, kForm4Caption, kLoad, kForm4Pattern, kBankFolder, true, true}) {}

bool Form4::action() {
    if (!nameGiven()) return false;
    const fs::path file = actionPath(text2);
    const BankKind kind = BankKindOfName(text2);
    if (kind == BankKind::Other) {
        // No reader for the name: said before the file is opened.
        tell(ReadErrorMessage(ReadBankFile(file, kind).error));
        return false;
    }
    // Read, check and choose everything first: a refused file or a choice
    // cancelled changes nothing.
    const auto content = ReadFileBytes(file);
    if (!content.ok()) {
        tell(ReadErrorMessage(content.error));
        return false;
    }
    std::size_t chosen = 0;
    // The program's own file is one bank at one place; the other kinds are
    // read through the scan, which numbers the banks as the reader does.
    if (kind != BankKind::V32) {
        const auto pick = Pick(program_.host, ScanVoiceFile(content.value, {}), true, file);
        if (!pick) return false;
        chosen = *pick;
    }
    // A file of single voices only is refused with the button that takes it.
    const auto bank = DecodeBank(content.value, kind, file, chosen);
    if (!bank.ok()) {
        tell(ReadErrorMessage(bank.error));
        return false;
    }
    // The additional data beside it: the AMEM next to its bulk dump, or the
    // companion of the program's own file.
    PairedSupplements paired;
    fs::path pairedFrom = file;
    if (kind != BankKind::V32) {
        paired = SupplementsBeside(content.value, ScanVoiceFile(content.value, {}), chosen);
    } else if (std::error_code ec; fs::exists(SupplementCompanion(file), ec)) {
        pairedFrom = SupplementCompanion(file);
        const auto beside = ReadFileBytes(pairedFrom);
        const auto records = beside.ok() ? SupplementsOfAmem(beside.value) : std::nullopt;
        if (records) paired.records = *records;
        paired.damaged = !records;
    }
    if (!MayDiscard(program_.host, program_.workspace, Replaces::Bank)) return false;
    mainWindow_.clearReceiveLogs();
    program_.workspace.replaceBank(bank.value, paired.records);
    mainWindow_.reportDone(Tr("「") + file.filename().string() + kLoadedBankAfter);
    // Taken as the instrument takes it, but not without a word.
    if (bank.checksumWrong) tell(ChecksumWarning(file));
    if (paired.damaged) tell(kSupplementDamagedBefore + pairedFrom.string() + kSupplementDamagedAfter);
    return true;
}

// --- Form5: save one voice -----------------------------------------------

Form5::Form5(FormContext program, MainWindowPort &mainWindow)
    : FileDialogForm(program, mainWindow,
                     {WindowId::Form5, kForm5Caption, kSave, kForm5Pattern, kVoiceFolder, false, false}) {}

void Form5::openFromMainWindow(const std::string &name) {
    prepare();
    fromEditor_ = false;
    text2 = ProposedFileName(name);
    show();
}

void Form5::openFromEditor(const std::string &voiceName) {
    prepare();
    fromEditor_ = true;
    text2 = ProposedFileName(voiceName);
}

bool Form5::action() {
    if (!nameGiven() || !nameUsable()) return false;
    const fs::path file = actionPath(WithEnding(text2, ".v01", ".V01"));
    if (!overwriteAllowed(file)) return false;
    const WriteResult written = WriteFileReplacing(file, EncodeVoiceFile(program_.workspace.editBuffer()));
    if (!written.ok) {
        tell(WriteErrorMessage(file, written.reason));
        return false;
    }
    program_.workspace.markEditAreaStored();
    return true;
}

void Form5::finish() {
    // Opened over the editor, the main window stays disabled: the editor
    // is still open and enables it when it closes.
    if (fromEditor_) {
        isOpen = false;
        fromEditor_ = false;
        program_.host.closeWindow(window());
        return;
    }
    FileDialogForm::finish();
}

// --- Form6: load one voice -----------------------------------------------

Form6::Form6(FormContext program, MainWindowPort &mainWindow)
    : FileDialogForm(program, mainWindow,
                     {WindowId::Form6, kForm6Caption, kLoad, kForm6Pattern, kVoiceFolder, true, false}) {}

bool Form6::action() {
    if (!nameGiven()) return false;
    const fs::path file = actionPath(text2);
    const auto content = ReadFileBytes(file);
    if (!content.ok()) {
        tell(ReadErrorMessage(content.error));
        return false;
    }
    const VoiceKind kind = VoiceKindOfName(text2);
    std::size_t chosen = 0;
    // A 1-voice file is one voice; the reader takes the voices of other
    // files from the scan (of a MID name, only when it is a Standard MIDI
    // File), numbered as here.
    if (kind != VoiceKind::V01) {
        const VoiceScan scan = ScanVoiceFile(content.value, {});
        if (kind != VoiceKind::Mid || scan.midiFile) {
            const auto pick = Pick(program_.host, scan, false, file);
            if (!pick) return false;
            chosen = *pick;
        }
    }
    // A bank is refused with the button that takes it.
    const auto voice = DecodeVoice(content.value, kind, file, chosen);
    if (!voice.ok()) {
        tell(ReadErrorMessage(voice.error));
        return false;
    }
    if (!MayDiscard(program_.host, program_.workspace, Replaces::EditArea)) return false;
    program_.workspace.placeVoice(voice.value);
    mainWindow_.reportDone(Tr("「") + file.filename().string() + kLoadedVoiceAfter);
    mainWindow_.setEnabled(true);
    SendEditArea(program_.state, program_.host, program_.workspace);
    if (voice.checksumWrong) tell(ChecksumWarning(file));
    return true;
}

} // namespace vox
