#pragma once
// "音色ライブラリ": every voice of the folders the user chose, found by name
// or by parameters, grouped by sound, and put into the edit area (heard at
// once) or, bank by bank, into the SOUND LIST. A companion window: the main
// window stays usable while it is open.
//
// Indexing and the search for duplicates run on a worker thread with a
// Catalog of their own on the same database file; the window's own Catalog
// is read on the GUI thread only between runs.

#include "common/controls.h"
#include "library/bank_builder.h"
#include "library/catalog.h"
#include "text/ui_text.h"
#include "voice/voice_diff.h"
#include "workspace/window_ports.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vox {

namespace library_text {
inline constexpr Text kCaption = "音色ライブラリ";
inline constexpr Text kFrame1 = "索引するフォルダ";
inline constexpr Text kCommand1 = "追加…";
inline constexpr Text kCommand2 = "削除";
inline constexpr Text kCommand3 = "再索引";
inline constexpr Text kCommand4 = "中止";
inline constexpr Text kLabel1 = "名前";
inline constexpr Text kLabel2 = "アルゴリズム";
inline constexpr Text kLabel3 = "フィードバック";
inline constexpr Text kLabel4 = "キャリア数";
inline constexpr Text kAny = "すべて";
inline constexpr Text kLabel8 = "分類";
inline constexpr Text kCheck1 = "お気に入りだけ";
inline constexpr Text kLabel9 = "評価";
inline constexpr Text kRatingAtLeast = " 以上";
inline constexpr Text kLabel10 = "タグ";
inline constexpr Text kOption1 = "検索結果";
inline constexpr Text kOption2 = "同じ音";
inline constexpr Text kOption3 = "近い音";
inline constexpr Text kLabel5 = "しきい値";
inline constexpr Text kCommand5 = "重複を探す";
inline constexpr Text kCommand6 = "エディットエリアへ読込";
inline constexpr Text kCommand7 = "バンクを SOUND LIST に読込";
inline constexpr Text kCommand8 = "SOUND LIST へ書込…";
inline constexpr Text kCommand9 = "2音色を比較";
inline constexpr Text kCommand10 = "所在を表示";
inline constexpr Text kChooseFolderTitle = "ライブラリに加えるフォルダ";
// The result table's and the duplicates view's column headings.
inline constexpr Text kColumns[6] = {"名前", "ファイル", "バンク", "音色", "アルゴリズム", "分類"};
// The categories, in the order of VoiceCategory.
inline constexpr Text kCategories[kCategoryCount] = {
    "ベース",   "ブラス",   "ストリングス",     "ピアノ",   "エレクトリックピアノ",
    "オルガン", "鍵盤楽器", "リード",           "パッド",   "ベル・マレット",
    "打楽器",   "撥弦楽器", "ボイス・コーラス", "木管楽器", "効果音",
    "その他"};
// Why a voice is in its category (its rule in the rules file).
inline constexpr Text kWhyContainsBefore = "名前に「";
inline constexpr Text kWhyContainsAfter = "」を含む";
inline constexpr Text kWhyStartsBefore = "名前が「";
inline constexpr Text kWhyStartsAfter = "」で始まる";
inline constexpr Text kWhyWordBefore = "名前に単語「";
inline constexpr Text kWhyWordAfter = "」がある";
inline constexpr Text kWhyLineBefore = "（";
inline constexpr Text kWhyLineMiddle = " の ";
inline constexpr Text kWhyLineAfter = " 行目）";
inline constexpr Text kWhyByHand = "手で選んだ分類";
inline constexpr Text kWhyNoRule = "名前に合う規則がない";
inline constexpr Text kStatusCategory = "分類: ";

// The status line.
inline constexpr Text kStatusVoicesBefore = "登録 ";
inline constexpr Text kStatusVoicesAfter = " 音色";
inline constexpr Text kStatusShownBefore = "　該当 ";
inline constexpr Text kStatusShownAfter = " 件";
inline constexpr Text kStatusLimitBefore = "（先頭 ";
inline constexpr Text kStatusLimitAfter = " 件を表示）";
inline constexpr Text kIndexing = "索引を作成しています… ";
inline constexpr Text kIndexingFiles = " ファイル";
inline constexpr Text kIndexDoneBefore = "索引完了: ファイル ";
inline constexpr Text kIndexDoneBanks = "、バンク ";
inline constexpr Text kIndexDoneVoices = "、音色 ";
inline constexpr Text kIndexDoneRead = "（読込 ";
inline constexpr Text kIndexDoneUnchanged = "、変更なし ";
inline constexpr Text kIndexDoneRemoved = "、削除 ";
inline constexpr Text kIndexDoneRefused = "、音色のないファイル ";
inline constexpr Text kIndexDoneAfter = "）";
inline constexpr Text kIndexCancelled = "索引の作成を中止しました。ライブラリは変更していません。";
inline constexpr Text kSearching = "重複を探しています…";
inline constexpr Text kSameGroupsBefore = "同じ音の組 ";
inline constexpr Text kNearPairsBefore = "近い音の組 ";
inline constexpr Text kGroupsAfter = " 組";
inline constexpr Text kGroupsLimitAfter = " 組を表示）";
inline constexpr Text kSameGroupBefore = "同じ音 ";
inline constexpr Text kSameGroupAfter = " 音色";
inline constexpr Text kNearPairBefore = "距離 ";
inline constexpr Text kAmongFiltered = "（検索条件に合う音色のうち）";
inline constexpr Text kFiltersChanged = "検索条件が変わりました。「重複を探す」でもう一度探してください。";
// Where a voice lies: its name, file and place.
inline constexpr Text kPlaceOpen = "（";
inline constexpr Text kPlaceBank = "　バンク ";
inline constexpr Text kPlaceVoice = "　音色 ";
inline constexpr Text kPlaceSingle = "　1音色データ ";
inline constexpr Text kPlaceClose = "）";

// The comparison of two voices (2音色を比較).
inline constexpr Text kCompareCaption = "音色の比較";
inline constexpr Text kCompareA = "A: ";
inline constexpr Text kCompareB = "B: ";
inline constexpr Text kCompareColumns[3] = {"パラメータ", "音色 A", "音色 B"};
inline constexpr Text kCompareCountBefore = "違うパラメータは ";
inline constexpr Text kCompareCountAfter = " 個です。";
inline constexpr Text kCompareSame = "2つの音色は同じです（違うパラメータはありません）。";
inline constexpr Text kClose = "閉じる";

// Where a voice has been (所在を表示): the places of its sound, and the
// voices near it.
inline constexpr Text kWhereCaption = "音色の所在";
inline constexpr Text kWhereSameBefore = "同じ音のある場所（";
inline constexpr Text kWhereSameAfter = " か所）";
inline constexpr Text kWhereNearBefore = "近い音（しきい値 ";
inline constexpr Text kWhereNearMiddle = " 以内）: ";
inline constexpr Text kWhereNearAfter = " 音色";
inline constexpr Text kDistanceColumn = "距離";

// Boxes.
inline constexpr Text kTitle = "音色ライブラリ";
inline constexpr Text kOpenFailedBefore = "ライブラリのデータベース「";
inline constexpr Text kOpenFailedMiddle = "」を開けませんでした（";
inline constexpr Text kOpenFailedAfter = "）。";
inline constexpr Text kIndexFailedBefore = "ライブラリのデータベース「";
inline constexpr Text kIndexFailedMiddle = "」に索引を書込めませんでした（";
inline constexpr Text kIndexFailedAfter = "）。ライブラリは変更していません。";
inline constexpr Text kFolderKnownBefore = "フォルダ「";
inline constexpr Text kFolderKnownAfter = "」はすでに登録されています。";
inline constexpr Text kNoFolderSelected = "削除するフォルダを選んでください。";
inline constexpr Text kRemoveBefore = "フォルダ「";
inline constexpr Text kRemoveAfter =
    "」とその音色をライブラリから外しますか？（フォルダのファイルは削除しません）";
inline constexpr Text kRemoveTitle = "フォルダの削除";
inline constexpr Text kNoVoiceSelected = "ライブラリの音色を選んでください。";
inline constexpr Text kVoiceGone =
    "選んだ音色はライブラリにもうありません。再索引してから、もう一度選んでください。";
inline constexpr Text kMainWindowHeld =
    "ほかの窓（エディタ、ファイルの窓、SOUND LIST 変更）が開いているため、エディットエリアと SOUND LIST "
    "は変更できません。その窓を閉じてから、もう一度実行してください。";
inline constexpr Text kReplaceBefore =
    "エディットエリアの音色に、SOUND LIST への書込もファイル保存もしていない変更があります。"
    "ライブラリの音色「";
inline constexpr Text kReplaceAfter = "」に置き換えますか？";
inline constexpr Text kReplaceTitle = "エディットエリアの置換え";
inline constexpr Text kSingleBefore = "「";
inline constexpr Text kSingleMiddle = "」は1音色のデータ（";
inline constexpr Text kSingleAfter = "）で、32音色のバンクに入っていません。";
inline constexpr Text kBankUnsaved =
    "SOUND LIST に、ファイル保存もDX7への転送もしていない変更があります。読込むとその変更は失われます。";
inline constexpr Text kBankQuestionBefore = "「";
inline constexpr Text kBankQuestionMiddle = "」のバンク ";
inline constexpr Text kBankQuestionAfter = " を SOUND LIST に読込みますか？";
inline constexpr Text kBankTitle = "SOUND LIST への読込";
inline constexpr Text kChooserNoBank =
    "SOUND LIST に音色がありません。先にDX7またはファイルから32音色を読込んでください。";
inline constexpr Text kThresholdInvalid = "しきい値には 0 から 1000 までの整数を入力してください。";
// Marks on the chosen results (the table's menu).
inline constexpr Text kMenuFavouriteOn = "お気に入りにする";
inline constexpr Text kMenuFavouriteOff = "お気に入りから外す";
inline constexpr Text kMenuRatingNone = "評価なし";
inline constexpr Text kMenuTagAdd = "タグを追加…";
inline constexpr Text kMenuTagRemove = "タグを外す";
inline constexpr Text kMenuCategory = "分類を変更";
inline constexpr Text kMenuCategoryRules = "規則に戻す";
inline constexpr Text kTagPrompt = "追加するタグ";
inline constexpr Text kTagRefusedBefore = "タグ「";
inline constexpr Text kTagRefusedMiddle = "」は使えません（";
inline constexpr Text kMarkFailedBefore = "印をライブラリに書込めませんでした（";
inline constexpr Text kMarkFailedAfter = "）。";
inline constexpr Text kRulesFailedBefore = "分類の規則を読めませんでした（";
inline constexpr Text kRulesFailedAfter = "）。規則を直すまで、音色はすべて「その他」に分類されます。";
inline constexpr Text kBusy = "索引の作成か重複の検索が終わるまでお待ちください。";

// The bank under construction (作成中のバンク).
inline constexpr Text kFrame2 = "作成中のバンク";
inline constexpr Text kCommand11 = "追加";
inline constexpr Text kCommand12 = "検索結果で埋める";
inline constexpr Text kCheck2 = "同じ音は入れない";
inline constexpr Text kCommand13 = "入替";
inline constexpr Text kCommand14 = "消去";
inline constexpr Text kCommand15 = "全消去";
inline constexpr Text kCommand16 = "SOUND LIST へ";
inline constexpr Text kCommand17 = "ファイル保存…";
inline constexpr Text kCommand18 = "DX7へ送信";
inline constexpr Text kBuilderColumns[3] = {"番号", "名前", "元の場所"};
inline constexpr Text kBuilderFree = "（空き）";
inline constexpr Text kBuilderFromSoundList = "SOUND LIST ";
inline constexpr Text kBuilderUsedBefore = "使用 ";
inline constexpr Text kBuilderUsedAfter = " / 32";
inline constexpr Text kBuilderTitle = "作成中のバンク";
inline constexpr Text kBuilderFull =
    "作成中のバンクに空きがありません。位置を消去してから、もう一度実行してください。";
inline constexpr Text kBuilderNoPosition = "作成中のバンクの位置を選んでください。";
inline constexpr Text kBuilderSwapTwo = "入れ替える2つの位置を選んでください。";
inline constexpr Text kBuilderNoVoice = "作成中のバンクに音色がありません。先に音色を入れてください。";
inline constexpr Text kBuilderNoResults = "検索結果がありません。";
inline constexpr Text kBuilderClearAll = "作成中のバンクの音色をすべて消去しますか？";
inline constexpr Text kBuilderInitialBefore = "作成中のバンクには空きが ";
inline constexpr Text kBuilderInitialAfter =
    " か所あります。空きは初期音色（INIT VOICE）で埋めます。続けますか？";
inline constexpr Text kBuilderIntoListBefore = "作成中のバンク（";
inline constexpr Text kBuilderIntoListAfter = " 音色）を SOUND LIST に読込みますか？";
inline constexpr Text kBuilderTransmitNotice =
    "作成中のバンクを SOUND LIST に読込んでから、DX7に送信します。";
inline constexpr Text kBuilderFilledBefore = "検索結果から ";
inline constexpr Text kBuilderFilledAfter = " 音色を入れました";
inline constexpr Text kBuilderSkippedBefore = "（同じ音の ";
inline constexpr Text kBuilderSkippedAfter = " 音色は入れていません）";
inline constexpr Text kBuilderLeftBefore = "（空きがなく ";
inline constexpr Text kBuilderLeftAfter = " 音色は入りませんでした）";
inline constexpr Text kBuilderPeriod = "。";
inline constexpr Text kBuilderSavedBefore = "作成中のバンクを「";
inline constexpr Text kBuilderSavedAfter = "」に保存しました。";
inline constexpr Text kBuilderKindRefusedBefore = "「";
inline constexpr Text kBuilderKindRefusedAfter = "」: バンクは .syx か .v32 で保存してください。";
inline constexpr Text kBuilderStoreFailedBefore = "作成中のバンクをライブラリに書込めませんでした（";
inline constexpr Text kBuilderStoreFailedAfter = "）。";
inline constexpr Text kBuilderSaveTitle = "作成中のバンクの保存";
// A partial set of additional data is not saved (every voice must hold one).
inline constexpr Text kBuilderNotKeptBefore = "　追加データは 32 音色そろっていないため、";
inline constexpr Text kBuilderNotKeptAfter = " 音色分は保存していません。";

// The later models' additional data: a voice that carries it is marked as
// in the SOUND LIST; in the duplicates view the copies of one sound whose
// data differ are numbered (II-1, II-2 …).
inline constexpr Text kSupplementTip = "DX7 II の追加データ（AMEM）があります";
inline constexpr Text kVariantTipBefore = "同じ音の中で追加データ（AMEM）の違う組の ";
inline constexpr Text kVariantTipAfter = " 番目";
// The files of the later models' messages (後継機のデータ…).
inline constexpr Text kIndexDoneFamily = "、後継機のデータのファイル ";
inline constexpr Text kCommand19 = "後継機のデータ…";
inline constexpr Text kFamilyCaption = "後継機のデータのファイル";
inline constexpr Text kFamilyCountBefore = "音色がなく後継機（DX7 II、TX802 など）のデータを持つファイル: ";
inline constexpr Text kFamilyCountAfter = " 個";
inline constexpr Text kFamilyColumns[5] = {"ファイル", "種類", "機種", "メッセージ数", "バイト数"};
} // namespace library_text

// What the result table shows at most; the status line says when more match.
inline constexpr std::size_t kLibraryResultLimit = 10000;
inline constexpr int kMaxNearThreshold = 1000;

// The comparison window's texts: the two voices, each parameter that
// differs with both values, and how many differ.
struct VoiceComparison {
    std::string label1, label2; // voice A, voice B: name, file and place
    std::vector<VoiceDifference> differences;
    std::string label3; // the count, or that the two are the same
};

// The whereabouts window's texts and lists: the voice, every place that
// holds its sound (itself included), and the voices near it.
struct VoiceWhereabouts {
    std::string label1;              // the voice: name, file and place
    std::string label2;              // how many places hold its sound
    std::vector<CatalogVoice> same;  // those places, in file order
    std::string label3;              // the threshold and how many voices are near
    std::vector<NearDuplicate> near; // b of each, closest first
};

// The mark of a voice that carries additional data ("II"), "" for one
// without.
std::string SupplementMark(const CatalogVoice &voice);
// The mark of a group's voice: with two or more different records among
// the group, the number of its record in the order they first appear
// ("II-1", "II-2" …); with one, "II"; "" for a voice without.
std::string VariantMark(const std::vector<CatalogVoice> &voices, std::size_t voice);

// A group of the duplicates view: voices that sound the same, or a pair of
// near voices.
struct VoiceGroup {
    std::string heading;
    std::vector<CatalogVoice> voices;
};

class LibraryWindowForm {
public:
    LibraryWindowForm(FormContext program, MainWindowPort &mainWindow, LibraryPort &links)
        : program_(program), mainWindow_(mainWindow), links_(links) {}
    ~LibraryWindowForm(); // cancels a run and waits for its thread
    LibraryWindowForm(const LibraryWindowForm &) = delete;
    LibraryWindowForm &operator=(const LibraryWindowForm &) = delete;

    // The database file; the app puts it in the user's data folder.
    void setCatalogFile(const std::filesystem::path &file) { catalogFile_ = file; }
    const std::filesystem::path &catalogFile() const { return catalogFile_; }
    // Asks the user for a folder (the view's folder dialog); nullopt when
    // the user cancelled.
    std::function<std::optional<std::string>()> chooseFolder;

    // --- Controls ---
    ListBoxState list1;       // the folders
    std::string text1;        // the name searched for
    int combo1 = 0;           // algorithm: 0 any, n algorithm n
    int combo2 = 0;           // feedback: 0 any, n feedback n - 1
    int combo3 = 0;           // carriers: 0 any, n that many
    int combo4 = 0;           // category: 0 any, n the n-th of AllCategories()
    bool check1 = false;      // favourites only
    int combo5 = 0;           // rating: 0 any, n at least n
    std::string text3;        // a tag the sound carries
    int shown = 0;            // 0 results (Option1), 1 same sound (Option2), 2 near (Option3)
    std::string text2 = "20"; // the near-duplicate threshold
    std::vector<CatalogVoice> results;
    int selected = -1;           // row of `results`
    std::vector<int> chosenRows; // the rows chosen together (multi-selection), in row order
    CatalogSort sort = CatalogSort::Name;
    bool descending = false;
    std::vector<VoiceGroup> groups;
    int groupSelected = -1, groupVoiceSelected = -1; // voice of a group; -1 none
    ProgressBarState progressBar1{.visible = false};
    std::string label6; // the status line: what the last run did, or the running one's progress
    std::string label7; // the counts: voices in the library, results shown
    // The comparison window, filled by 2音色を比較.
    std::optional<VoiceComparison> comparison;
    // The whereabouts window, filled by 所在を表示.
    std::optional<VoiceWhereabouts> whereabouts;
    // The files of the later models' messages (後継機のデータ…), as the
    // last index left them; familyVersion is bumped when they are shown.
    std::vector<FamilyFile> familyFiles;
    std::string familyLabel;
    int familyVersion = 0;
    // Bumped whenever `results` or `groups` is filled anew, so the view
    // rebuilds its table only then and keeps the selection otherwise; and
    // whenever a comparison is made, so the view shows its window.
    int resultsVersion = 0, groupsVersion = 0, comparisonVersion = 0, whereaboutsVersion = 0;
    // Bumped when a mark changed what the duplicates view's voices show.
    int groupMarksVersion = 0;
    bool isOpen() const { return open_; }
    // A run (index or duplicates) is going on: the folder commands wait.
    bool busy() const { return run_ != nullptr; }
    bool indexing() const { return run_ && run_->kind == RunKind::Index; }
    // 2音色を比較 takes exactly two chosen results.
    bool command9Enabled() const { return shown == 0 && chosenRows.size() == 2; }
    // 所在を表示 takes the chosen voice.
    bool command10Enabled() const { return chosenVoice() != nullptr; }
    // The file of a result as the table shows it: its path under the
    // indexed folder (under their common folder when there are several),
    // so that two files of one name in different folders read apart.
    std::string fileText(const CatalogVoice &voice) const;
    // A voice by name, file and place: "BRASS 1（sub/a.syx　バンク 1　音色 2）".
    std::string placeText(const CatalogVoice &voice) const;
    // The category of a result and why it is there, as the window shows them.
    static std::string categoryText(const CatalogVoice &voice);
    std::string categoryWhyText(const CatalogVoice &voice) const;
    // The step-through: once a voice went into the edit area by
    // double-click or Enter, each newly selected result goes there too.
    bool steppingThrough() const { return stepping_; }

    // --- The bank under construction (作成中のバンク) ---
    // Kept in the catalogue: every change is stored at once, and the bank
    // is read back when the catalogue opens.
    const BankBuilder &builder() const { return builder_; }
    std::vector<int> builderChosen; // positions 1..32 chosen, in order
    bool check2 = true;             // 同じ音は入れない: fills pass over sounds the bank holds
    std::string label11;            // positions in use
    int builderVersion = 0;         // bumped with every change of a position
    // A position's cells: its number, the voice's name, where it came from.
    std::string builderCell(std::size_t position, int column) const;
    // Asks where to save the bank (the view's save dialog); nullopt when cancelled.
    std::function<std::optional<std::string>()> chooseBankFile;

    void builderChoose(std::vector<int> positions);
    // Double-click or Enter on a position: its voice into the edit area and
    // out to the instrument, as a result's is.
    void builderActivate(int position);
    void command11Click(); // 追加: the chosen results into the first free positions
    void command12Click(); // 検索結果で埋める: the results in their order
    void check2Click(bool checked) { check2 = checked; }
    void command13Click(); // 入替: the two chosen positions
    void command14Click(); // 消去: the chosen positions
    void command15Click(); // 全消去, after asking
    void command16Click(); // SOUND LIST へ: the bank replaces the SOUND LIST
    void command17Click(); // ファイル保存…: .syx or .v32
    void command18Click(); // DX7へ送信: into the SOUND LIST, then its transmit
    // Drops: results (rows of `results`) or SOUND LIST entries (1..32) on
    // a position go there and into the positions after it, replacing what
    // they held; position 0 (below the last) takes the first free ones.
    void builderDropResults(const std::vector<int> &rows, int position);
    void builderDropSoundList(const std::vector<int> &entries, int position);
    // A position dragged to another: those between close up.
    void builderMove(int from, int to);

    // --- Events ---
    // Opens the catalogue if need be, fills the window; shows it.
    void open();
    void command1Click(); // 追加…: a folder, then an index run
    void command2Click(); // 削除: the selected folder, after asking
    void command3Click(); // 再索引
    void command4Click(); // 中止: the running index
    void list1Click(int index);
    // The search as the user types and picks.
    void text1Change(const std::string &text);
    void combo1Click(int index);
    void combo2Click(int index);
    void combo3Click(int index);
    void combo4Click(int index);
    void check1Click(bool checked);
    void combo5Click(int index);
    void text3Change(const std::string &text);
    // A click on a column heading: name, file and algorithm sort; a second
    // click on the same one turns the order round.
    void headingClick(int column);
    void option1Click();
    void option2Click();
    void option3Click();
    void text2Change(const std::string &text) { text2 = text; }
    void command5Click(); // 重複を探す
    // The result table: selection, and double-click or Enter.
    void resultClick(int row);
    void resultActivate(int row);
    // The rows chosen together changed (Ctrl or Shift and a click).
    void resultsChoose(std::vector<int> rows);
    void command9Click(); // 2音色を比較: the two chosen results
    // 所在を表示: the chosen voice's places and the voices within the
    // threshold (しきい値) of it, over the whole library.
    void command10Click();
    // 後継機のデータ…: the files that hold the later models' messages and
    // no voice, with what can be named of them.
    void command19Click();
    // The duplicates view, alike for a voice of a group.
    void groupVoiceClick(int group, int voice);
    void groupVoiceActivate(int group, int voice);
    void command6Click(); // エディットエリアへ読込: the chosen voice
    void command7Click(); // バンクを SOUND LIST に読込
    void command8Click(); // SOUND LIST へ書込…
    // The close box: ends a run cleanly (the catalogue stays as it was) and
    // closes.
    void queryUnload();

    // Marks on the sounds of the chosen results (every chosen row, else the
    // chosen voice); the results are searched again and stay chosen.
    void markFavourite(bool favourite);
    void markRating(int rating); // 0 none, 1..kMaxRating
    void markTagAdd(const std::string &tag);
    void markTagRemove(const std::string &tag);
    void markCategory(int index); // 0 back to the rules, n the n-th of AllCategories()
    // The tags the chosen sounds carry, sorted (タグを外す offers them).
    std::vector<std::string> chosenTags() const;
    // Asks for a tag (the view's input box); nullopt when cancelled.
    std::function<std::optional<std::string>()> askTag;

    // Takes a finished run's results and the progress of a running one; the
    // view calls it from a timer. True when anything shown changed.
    bool pollRun();
    // Blocks until the run ends, then takes it (tests, and the close).
    void waitForRun();
    // The cancel flag of the running index, for tests that must stop a run
    // from its worker; set only, never read here.
    void requestCancel();
    // Told on the worker thread after each progress step (tests only).
    std::function<void(const IndexProgress &)> workerProgress;

    // The voice the commands act on: the selected result, or the selected
    // voice of the duplicates view; nullptr when none.
    const CatalogVoice *chosenVoice() const;
    // The search's filters as shown (name, algorithm, feedback, carriers,
    // category, favourite, rating, tag):
    // the result table and both duplicate searches go by them.
    CatalogQuery filters() const;

private:
    enum class RunKind { Index, Same, Near };
    struct Run {
        RunKind kind = RunKind::Index;
        std::thread thread;
        std::atomic<bool> cancel{false};
        std::atomic<bool> done{false};
        std::atomic<std::size_t> filesDone{0}, filesTotal{0};
        // Written by the worker before `done`, read after it.
        IndexReport report;
        std::vector<VoiceGroup> groups;
        std::size_t groupsFound = 0; // groups may hold only the first of them
        std::string error;
        CatalogQuery among;  // the filters the duplicates were searched among
        int filtersSeen = 0; // filtersVersion_ when the run started
    };

    bool ensureCatalog();
    void startRun(RunKind kind, int threshold = 0);
    void takeRun();
    void refillFolders();
    void search();
    // A filter changed: the table follows it, and groups found under the
    // old filters go.
    void filtersChanged();
    void dropGroups(std::string status = {});
    void showStatus();
    void tell(const std::string &text, MsgIcon icon = MsgIcon::Exclamation);
    bool mayChangeMainWindow();
    std::vector<const CatalogVoice *> chosenVoices() const;
    void mark(const std::function<bool(const SoundBody &)> &write);
    // The voice into the edit area and out to the instrument, as a 1-voice
    // load does; false when the user kept the edit area or it failed.
    bool placeVoice(const CatalogVoice &voice);
    // `supplement` gives the additional data that goes with the voice.
    bool placeRecord(const std::string &name, const std::function<std::optional<VoiceRecord>()> &record,
                     const std::function<std::optional<Supplement>()> &supplement);
    void endStepping() { stepping_ = false; }
    // The marks of the duplicates view's voices of these sounds, read again.
    void refreshGroupMarks(const std::vector<SoundBody> &bodies);
    // Stores the builder's positions and says what it holds.
    void builderChanged();
    void builderPlace(std::vector<BuilderEntry> entries, int position);
    // Whether a bank with free positions may be made (asks), and the bank.
    std::optional<BankBuilder::Built> builtBank();
    bool builderIntoSoundList(bool transmit);

    FormContext program_;
    MainWindowPort &mainWindow_;
    LibraryPort &links_;
    std::filesystem::path catalogFile_;
    std::filesystem::path fileRoot_; // what the file column leaves out of a path
    std::unique_ptr<Catalog> catalog_;
    CategoryRules rules_; // the program folder's, read when the catalogue opens
    BankBuilder builder_;
    std::unique_ptr<Run> run_;
    std::size_t voiceCount_ = 0;
    std::size_t matched_ = 0; // voices the last search found, beyond those kept in `results`
    // What the last index run said, shown under the result table; what the
    // duplicate search of the groups shown said, shown under them.
    std::string indexStatus_, groupsStatus_;
    int filtersVersion_ = 0; // bumped with every change of a filter
    bool open_ = false;
    bool stepping_ = false;
};

} // namespace vox
