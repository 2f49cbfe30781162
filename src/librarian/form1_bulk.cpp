// The main window's side of the instrument's own 32-voice bulk dump: the
// user sends it from the DX7 (function mode, MIDI TRANSMIT) whenever they
// like, and the SOUND LIST takes it through the receive's staging table.
#include "librarian/form1.h"

#include "midi/bank_exchange.h"
#include "voice/bank_format.h"
#include "voice/text.h"

namespace vox {

namespace {

std::string Hex(Byte b) { return HexBytes(std::span<const Byte>(&b, 1)); }

constexpr Byte kFourOperatorBank = 0x04;

// Why the dump cannot be taken, in the user's words.
std::string RefusalReason(const BulkDump &dump) {
    using namespace form1_text;
    switch (dump.status) {
    case BulkDumpStatus::NotDx7Bank:
        return kBulkNotDx7Before + Hex(dump.format) +
               (dump.format == kFourOperatorBank ? kBulkFourOperatorAfter : kBulkNotDx7After);
    case BulkDumpStatus::CutOff:
        return kBulkCutOffBefore + std::to_string(dump.cutAt) + kBulkCutOffAfter;
    case BulkDumpStatus::TooLong:
        return kBulkTooLongBefore + std::to_string(dump.length) + kBulkTooLongAfter;
    case BulkDumpStatus::Good:
    case BulkDumpStatus::BadChecksum:
        break;
    }
    return {};
}

} // namespace

void Form1::offerBulkDump(std::span<const Byte> message) {
    // Single-voice dumps and the instrument's other messages are only logged.
    if (!IsBankDumpCandidate(message) || bulkOfferOpen_) return;
    // The connection check's request brought it: looked at, not offered.
    if (checking_) return;
    // A transfer owns the port: what it did not ask for is only logged.
    if (TransferRunning(program_.state)) return;
    ProgramState &state = program_.state;
    Host &host = program_.host;
    // The editor, a file window or the chooser works on the list as it is
    // now; the bank must not change under it.
    if (!enabled) {
        MessageBoxSpec box;
        box.title = form1_text::kBulkTitle;
        box.text = form1_text::kBulkWindowOpen;
        box.icon = MsgIcon::Exclamation;
        host.messageBox(box);
        return;
    }
    const BulkDump dump = ReadBulkDump(message);
    const bool takeable = dump.status == BulkDumpStatus::Good || dump.status == BulkDumpStatus::BadChecksum;

    MessageBoxSpec box;
    box.title = form1_text::kBulkTitle;
    if (!takeable) {
        box.text = std::string(form1_text::kBulkRefused) + "\r" + RefusalReason(dump) + "\r" +
                   form1_text::kBulkListUnchanged;
        box.icon = MsgIcon::Exclamation;
        host.messageBox(box);
        return;
    }
    if (dump.status == BulkDumpStatus::BadChecksum)
        box.text += form1_text::kBulkChecksumBefore + Hex(dump.checksum) + form1_text::kBulkChecksumMiddle +
                    Hex(dump.computed) + form1_text::kBulkChecksumAfter + "\r";
    if (offeredSupplementsNear()) box.text += std::string(form1_text::kBulkWithSupplements) + "\r";
    if (damagedSupplementsNear()) box.text += std::string(form1_text::kBulkSupplementsDamaged) + "\r";
    if (bankChanged()) box.text += std::string(form1_text::kBulkUnsaved) + "\r";
    box.text += form1_text::kBulkQuestion;
    box.buttons = MsgButtons::YesNo;
    // Return keeps the list: the dump came unasked, and may replace work.
    box.defaultButton = MsgResult::No;
    box.icon = dump.status == BulkDumpStatus::Good ? MsgIcon::Question : MsgIcon::Exclamation;
    // Input keeps being handled while the box is up (the box runs its own
    // message loop); a second dump then must not raise a second box.
    bulkOfferOpen_ = true;
    const MsgResult answer = host.messageBox(box);
    bulkOfferOpen_ = false;
    if (answer != MsgResult::Yes) return;

    // A transfer may have started while the question was up.
    if (TransferRunning(state) || !enabled) return;
    // As a completed receive: staged, taken whole, and the new bank stands
    // as stored; the edit area keeps its voice.
    StageBulkDump(state.receive, dump.packed);
    // Its AMEM may have come while the question was up.
    const bool paired = offeredSupplementsNear();
    program_.workspace.replaceBank(state.receive.staging, paired ? *offeredSupplements_ : BankSupplements{});
    offeredSupplements_.reset();
    offeredSupplementsAt_ = -1e9;
    reportDone(std::string(form1_text::kDoneBulkTaken) +
               (paired ? form1_text::kDoneSupplementsReceived : ""));
}

} // namespace vox
