#include "files/file_convert.h"

#include "files/file_report.h"
#include "voice/bank_format.h"
#include "voice/dx7_messages.h"

namespace vox {

ReadResult<LoadedVoices> ReadAnyVoiceFile(const std::filesystem::path &file,
                                          std::optional<std::size_t> bank) {
    ReadResult<LoadedVoices> result;
    const auto content = ReadFileBytes(file);
    if (!content.ok()) {
        result.error = content.error;
        return result;
    }
    const std::string name = file.filename().string();
    const VoiceScan scan = ScanVoiceFile(content.value, name);
    result.value.read = true;
    result.value.banks = scan.bankCount();
    result.value.singleVoices = scan.singleVoiceCount();
    const BankKind bankKind = BankKindOfName(name);
    const bool hasBank = scan.bankCount() > 0, hasVoice = scan.singleVoiceCount() > 0;
    // Nothing found: the reason the load the name suggests gives.
    const bool asBank = bank.has_value() || (hasBank && (!hasVoice || bankKind != BankKind::Other)) ||
                        (!hasBank && !hasVoice && bankKind != BankKind::Other);
    if (asBank) {
        auto read = DecodeBank(content.value, bankKind, file, bank.value_or(0));
        result.error = read.error;
        result.checksumWrong = read.checksumWrong;
        if (read.ok()) {
            result.value.isBank = true;
            result.value.bank = read.value;
            if (bankKind == BankKind::V32) {
                if (const auto beside = ReadFileBytes(SupplementCompanion(file)); beside.ok())
                    if (const auto records = SupplementsOfAmem(beside.value))
                        result.value.supplements = *records;
            } else if (const PairedSupplements paired =
                           SupplementsBeside(content.value, scan, bank.value_or(0));
                       AnyHeld(paired.records)) {
                result.value.supplements = paired.records;
                result.value.supplementAt = paired.offset;
            }
        }
        return result;
    }
    auto read = DecodeVoice(content.value, VoiceKindOfName(name), file, 0);
    result.error = read.error;
    result.checksumWrong = read.checksumWrong;
    if (read.ok()) result.value.voice = read.value;
    return result;
}

std::string ChecksumWarningEnglish(const std::filesystem::path &file) {
    return file.string() + ": the checksum is wrong; the data may be damaged";
}

std::string BankNumberError(const LoadedVoices &read, int bank) {
    if (!read.read || (bank >= 1 && static_cast<std::size_t>(bank) <= read.banks)) return {};
    const std::string holds = read.banks == 0   ? "the file holds no bank"
                              : read.banks == 1 ? "the file holds 1 bank"
                                                : "the file holds " + std::to_string(read.banks) + " banks";
    return "--bank " + std::to_string(bank) + " is out of range: " + holds;
}

OutputKind OutputKindOfName(const std::filesystem::path &file) {
    std::string ending = file.extension().string();
    for (char &c : ending)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (ending == ".v32") return OutputKind::V32;
    if (ending == ".v01") return OutputKind::V01;
    if (ending == ".syx") return OutputKind::Syx;
    return OutputKind::Unknown;
}

Encoded EncodeFor(const LoadedVoices &input, OutputKind kind, std::optional<int> voice) {
    Encoded out;
    if (kind == OutputKind::Unknown) {
        out.error = "the output name must end in .v32, .v01 or .syx";
        return out;
    }
    bool bank = input.isBank;
    VoiceRecord one = input.voice;
    if (voice) {
        const int count = input.isBank ? static_cast<int>(kBankSlots) : 1;
        if (*voice < 1 || *voice > count) {
            out.error = "--voice " + std::to_string(*voice) + " is out of range: the input holds " +
                        std::to_string(count) + (count == 1 ? " voice" : " voices");
            return out;
        }
        if (input.isBank) one = input.bank[static_cast<std::size_t>(*voice - 1)];
        bank = false;
    }
    if (bank && kind == OutputKind::V01) {
        out.error = "the input is a bank of 32 voices: choose one with --voice N";
        return out;
    }
    if (!bank && kind == OutputKind::V32) {
        out.error = "a 32-voice file needs a bank, and the input is one voice";
        return out;
    }
    VoiceTable table;
    if (bank) {
        StoreBank(input.bank, table);
        out.voices = static_cast<int>(kBankSlots);
        // The additional data goes before the bulk dump, as a DX7 II takes it.
        const bool supplements = AllHeld(input.supplements);
        if (kind == OutputKind::V32) {
            out.bytes = EncodeBankFile(table);
            if (supplements) out.companion = BuildAmem(input.supplements);
        } else {
            if (supplements) out.bytes = BuildAmem(input.supplements);
            const BulkMessage message = BuildBulkMessage(table);
            out.bytes.insert(out.bytes.end(), message.begin(), message.end());
        }
        out.supplementsKept = supplements;
        return out;
    }
    StoreRecord(one, table[0]);
    out.voices = 1;
    if (kind == OutputKind::V01) {
        out.bytes = EncodeVoiceFile(table[0]);
    } else {
        const auto dump = BuildVoiceDump(table[0]);
        out.bytes.assign(dump.begin(), dump.end());
    }
    return out;
}

EncodedWrite WriteEncoded(const std::filesystem::path &out, const Encoded &encoded, OutputKind kind) {
    EncodedWrite w{WriteFileReplacing(out, encoded.bytes), out};
    if (!w.result.ok || kind != OutputKind::V32) return w;
    w.failed = SupplementCompanion(out);
    if (!encoded.companion.empty()) {
        w.result = WriteFileReplacing(w.failed, encoded.companion);
        return w;
    }
    std::error_code ec;
    std::filesystem::remove(w.failed, ec);
    return w;
}

ConvertResult ConvertVoiceFile(const std::filesystem::path &in, const std::filesystem::path &out,
                               std::optional<int> voice, std::optional<int> bank) {
    ConvertResult result;
    const OutputKind kind = OutputKindOfName(out);
    if (kind == OutputKind::Unknown) {
        result.message = out.string() + ": the output name must end in .v32, .v01 or .syx";
        return result;
    }
    std::optional<std::size_t> pick;
    if (bank && *bank >= 1) pick = static_cast<std::size_t>(*bank - 1);
    const auto input = ReadAnyVoiceFile(in, pick);
    if (bank) {
        if (const std::string error = BankNumberError(input.value, *bank); !error.empty()) {
            result.message = in.string() + ": " + error;
            return result;
        }
    }
    if (!input.ok()) {
        result.message = ReadErrorEnglish(input.error);
        return result;
    }
    const Encoded encoded = EncodeFor(input.value, kind, voice);
    if (!encoded.error.empty()) {
        result.message = in.string() + ": " + encoded.error;
        return result;
    }
    if (const EncodedWrite written = WriteEncoded(out, encoded, kind); !written.result.ok) {
        result.message =
            written.failed.string() + ": cannot be written (" + written.result.error.message() + ")";
        return result;
    }
    const std::filesystem::path companion = SupplementCompanion(out);
    result.ok = true;
    if (encoded.supplementsKept) result.supplementAt = input.value.supplementAt.value_or(0);
    result.supplementsKept = encoded.supplementsKept;
    // A fresh checksum is written: say that the data it vouches for came
    // with a wrong one.
    if (input.checksumWrong) result.warning = ChecksumWarningEnglish(in);
    result.message = "wrote " + out.string() + ": " + std::to_string(encoded.voices) +
                     (encoded.voices == 1 ? " voice, " : " voices, ") + std::to_string(encoded.bytes.size()) +
                     " bytes";
    if (encoded.supplementsKept)
        result.message += encoded.companion.empty()
                              ? " (the additional data AMEM before the bulk dump)"
                              : "; the additional data AMEM beside it in " + companion.string();
    return result;
}

} // namespace vox
