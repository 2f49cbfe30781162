#include "program/program.h"

#include "files/file_convert.h"
#include "files/voice_files.h"

#include "midi/message_names.h"
#include "midi/midi_port.h"

namespace vox {

Program::Program(ProgramState &s, Host &h)
    : state(s), host(h), form1(context(), *this, form7), form2(context(), form1, *this),
      form3(context(), form1), form4(context(), form1), form5(context(), form1), form6(context(), form1),
      form7(context(), form1), midiSettings(context(), form1), functions(context()), familyData(context()),
      library(context(), form1, *this), explore(context()) {
    state.midiTraffic.clock = [&h] { return h.monotonicSeconds(); };
    explore.editAreaChanged = [this] { form2.showChangedEditArea(); };
}

std::string Program::saveBank(const std::filesystem::path &file, const BankRecords &bank,
                              const BankSupplements &supplements) {
    using namespace library_text;
    const OutputKind kind = OutputKindOfName(file);
    if (kind != OutputKind::Syx && kind != OutputKind::V32)
        return kBuilderKindRefusedBefore + file.string() + kBuilderKindRefusedAfter;
    LoadedVoices voices;
    voices.isBank = true;
    voices.bank = bank;
    voices.supplements = supplements;
    const Encoded encoded = EncodeFor(voices, kind, std::nullopt);
    if (!encoded.error.empty()) return WriteErrorMessage(file, encoded.error);
    // Beside a .v32 as the 32-voice save keeps it.
    const EncodedWrite written = WriteEncoded(file, encoded, kind);
    return written.result.ok ? std::string() : WriteErrorMessage(written.failed, written.result.reason);
}

bool Program::pumpMidiInput() {
    bool handled = false;
    if (state.midiIn)
        while (auto event = state.midiIn->poll()) {
            LogReceived(state.midiTraffic, *event);
            form1.receiveMidiEvent(*event);
            handled = true;
        }
    const bool receiving = state.receive.recvMode != 0;
    form1.checkReceiveTimeout();
    return handled || receiving;
}

} // namespace vox
