#pragma once
// "音色探索": the editor's exploring tools over the edit area. ランダム
// shakes the voice by the amount, 交配 breeds it with the partner chosen
// from the SOUND LIST, バリエーション offers eight voices to audition (1..8)
// and 採用 keeps the one heard, so the next バリエーション starts from it;
// the morph slider blends the voice into the partner. The locks keep what
// they name under every tool. Each result enters the edit area as one step
// of the history and goes to the instrument at once; one drag of the morph
// slider is one step.

#include "editor/voice_explore.h"
#include "text/ui_text.h"
#include "workspace/window_ports.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vox {

namespace explore_text {
inline constexpr Text kCaption = "音色探索";
inline constexpr Text kLabel1 = "変化の量";
inline constexpr Text kLabel3 = "シード";
inline constexpr Text kLabel4 = "（空欄で毎回変わる）";
inline constexpr Text kFrame1 = "保つもの";
inline constexpr Text kCheck1 = "アルゴリズムを保つ";
inline constexpr Text kCheck2 = "エンベロープを保つ";
inline constexpr Text kCheck3 = "周波数を保つ";
inline constexpr Text kCheckOp1 = "OP1を保つ";
inline constexpr Text kCheckOp2 = "OP2を保つ";
inline constexpr Text kCheckOp3 = "OP3を保つ";
inline constexpr Text kCheckOp4 = "OP4を保つ";
inline constexpr Text kCheckOp5 = "OP5を保つ";
inline constexpr Text kCheckOp6 = "OP6を保つ";
inline constexpr Text kCheck5 = "名前を保つ";
inline constexpr Text kCommand1 = "ランダム";
inline constexpr Text kCommand2 = "交配";
inline constexpr Text kCommand3 = "バリエーション";
inline constexpr Text kCommand4 = "採用";
inline constexpr Text kFrame2 = "モーフィング";
inline constexpr Text kLabel5 = "相手の音色";
inline constexpr Text kSeedInvalid = "シードには 0 から 18446744073709551615 までの整数を入力してください。";
inline constexpr Text kInvalidTitle = "音色探索の確認";
} // namespace explore_text

// The seed as typed: blanks around it and full-width digits are taken;
// nullopt for anything else.
std::optional<std::uint64_t> ReadSeed(std::string_view text);

class ExploreForm {
public:
    explicit ExploreForm(FormContext program) : program_(program) {}

    // --- Controls ---
    int hScroll1 = 30;                         // 変化の量, percent
    std::string text1;                         // シード; empty: a new one each time
    bool check1 = false;                       // アルゴリズムを保つ
    bool check2 = false;                       // エンベロープを保つ
    bool check3 = false;                       // 周波数を保つ
    std::array<bool, kOperatorCount> check4{}; // OP1..OP6を保つ
    bool check5 = false;                       // 名前を保つ
    std::vector<std::string> combo1Items;      // the SOUND LIST's entries
    int combo1Index = -1;                      // the partner, entry combo1Index + 1
    int hScroll2 = 0;                          // the morph, percent of the way to the partner
    bool variationsVisible = false;            // 1..8 and 採用
    int chosenVariation = -1;                  // the one in the edit area, 0..7

    // Told after each result entered the edit area, so the editor shows it.
    std::function<void()> editAreaChanged;
    // A new seed for an empty seed field.
    std::function<std::uint64_t()> newSeed;

    // Fresh each time: the partner list as the SOUND LIST stands; shows the window.
    void open();
    void close();
    bool isOpen() const { return open_; }
    std::string amountText() const { return std::to_string(hScroll1) + " %"; }
    std::string morphText() const { return std::to_string(hScroll2) + " %"; }
    // 交配 and the morph need a partner: a bank in the SOUND LIST.
    bool partnerEnabled() const { return !combo1Items.empty(); }
    bool toolsEnabled() const;
    bool adoptEnabled() const { return variationsVisible && chosenVariation >= 0; }

    void hScroll1Change(int percent);
    void text1Change(const std::string &text) { text1 = text; }
    void combo1Click(int index);
    void command1Click();      // ランダム
    void command2Click();      // 交配
    void command3Click();      // バリエーション
    void command4Click();      // 採用
    void command5Click(int n); // variation n (0..7) into the edit area
    // The morph slider: pressed, moved (dragged, or stepped without a
    // press), released. A press opens the step a release closes.
    void hScroll2Press();
    void hScroll2Change(int percent);
    void hScroll2Release();
    void queryUnload() { close(); }

    ExploreLocks locks() const;

private:
    std::optional<std::uint64_t> seed();
    const Slot *partner() const;
    // The voice into the edit area as one step (or into the open drag's),
    // sent as FollowEditArea sends it.
    void apply(const Slot &voice);
    void startOver(); // a tool other than the variations: their set ends
    void morphTo(int percent);

    FormContext program_;
    bool open_ = false;
    std::optional<Slot> variationBase_; // what the variations shown came from
    std::vector<Slot> variations_;
    std::optional<Slot> morphBase_, morphResult_;
    bool dragging_ = false, sending_ = false, releaseWaits_ = false;
    std::optional<int> morphWaits_; // a value that came while one was sent
};

} // namespace vox
