#pragma once
// The one rule for work not yet written: an action that would discard it
// asks once, with the answer that keeps it as the default; with nothing
// unwritten it goes on at once.

#include "common/host.h"
#include "common/program_state.h"
#include "text/ui_text.h"
#include "workspace/workspace.h"

#include <string>

namespace vox {

namespace unwritten_text {
inline constexpr Text kVoice =
    "エディットエリアの音色に、SOUND LIST への書込もファイル保存もしていない変更があります。";
inline constexpr Text kBank = "SOUND LIST に、ファイル保存もDX7への転送もしていない変更があります。";
inline constexpr Text kQuitQuestion = "終了すると変更は失われます。終了しますか？";
inline constexpr Text kQuitTitle = "終了の確認";
inline constexpr Text kReplaceQuestion = "続けるとその変更は失われます。続けますか？";
inline constexpr Text kReplaceTitle = "変更の確認";
// A command the running transfer holds off.
inline constexpr Text kTransferRunning =
    "DX7との32音色のやりとりが終わるまでお待ちください（受信は「受信中止」で止められます）。";
} // namespace unwritten_text

// What an action replaces.
enum class Replaces { EditArea = 1, Bank = 2, Both = 3 };

struct DiscardQuestion {
    Text question = unwritten_text::kReplaceQuestion;
    Text title = unwritten_text::kReplaceTitle;
};

// True when the action may go on: nothing it replaces is unwritten, or the
// user answered Yes. `editorName` counts a name the open editor holds and
// has not applied as unwritten edit-area work.
bool MayDiscard(Host &host, const Workspace &workspace, Replaces what, bool editorName = false,
                DiscardQuestion ask = {});

// Program change to CurrentSlot (0 for slot 0), then the edit-area voice
// as a single-voice dump: what the edit area shows is what the DX7 holds.
void SendEditArea(ProgramState &state, Host &host, const Workspace &workspace);

// The most parameter changes an undo sends the instrument in one go: a
// third of the voice, 357 bytes, within its 380-byte receive ring.
inline constexpr int kMostChangesInABurst = 51;

// Undoes (or redoes) one step of the edit area and makes the instrument
// follow: the parameters that differ as parameter changes when there are
// few, else the voice whole (with its program change when the entry the
// edit area names changed). False when there was no step to take, or a
// transfer owns the port (said so).
bool StepHistory(ProgramState &state, Host &host, Workspace &workspace, bool redo);

// Makes the instrument follow the edit area after it changed from
// `before` (slot `slotBefore`): the parameters that differ as parameter
// changes when there are few and the instrument held `before`, else the
// voice whole with its program change. Undo, redo and the exploring tools
// send through here.
void FollowEditArea(ProgramState &state, Host &host, const Workspace &workspace, const Slot &before,
                    int slotBefore, bool instrumentHadIt);

// COMPARE on: the instrument sounds the voice as it came into the edit
// area; off: the edit again, whole. The edit area does not change. False
// when there is no voice, or a transfer owns the port (said so).
bool SetCompare(ProgramState &state, Host &host, Workspace &workspace, bool on);

// Refuses a command while a transfer owns the port, saying why; true when
// the command may go on.
bool PortFree(const ProgramState &state, Host &host);

} // namespace vox
