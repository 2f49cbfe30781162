#pragma once
// The one reader of DX7 messages. Every path that takes the instrument's
// bytes (the receives, the bulk-dump offer, the virtual DX7, the monitor,
// the file readers) asks here for a typed message, so the checks of frame,
// channel, length and checksum are made once.

#include "voice/voice_layout.h"

#include <cstdint>
#include <span>

namespace vox {

enum class Dx7Kind : std::uint8_t {
    ParameterChange,   // F0 43 1n gp pp vv F7, any group but the function group
    FunctionParameter, // F0 43 1n 08 pp vv F7: function settings and panel buttons
    VoiceDump,         // F0 43 0n 00 01 1B, 155 bytes, checksum, F7
    BulkDump,          // F0 43 0n 09 20 00, 4096 bytes, checksum, F7
    OtherDump,         // F0 43 0n ff of another format (the later models' data)
    DumpRequest,       // F0 43 2n ff F7
    Other,             // channel messages, other makers, other Yamaha messages
};

// Why a message of a known kind cannot be taken as it stands.
enum class Dx7Fault : std::uint8_t {
    None,
    CutShort,     // fewer bytes than the kind has, or a status byte inside
    TooLong,      // more bytes than the kind has
    Unterminated, // the right length, but no F7 at the end
    Checksum,     // the seven bits of the checksum disagree with the data
};

struct Dx7Message {
    Dx7Kind kind = Dx7Kind::Other;
    Dx7Fault fault = Dx7Fault::None;
    int channel = 0; // 0..15, the low nibble of byte 2 (System Exclusive only)
    // Parameter change and function parameter.
    int group = 0;  // byte 3 >> 2
    int number = 0; // the parameter number (function parameters: 64..77, buttons below 42)
    int value = 0;
    // Dumps and dump requests.
    int format = -1;              // byte 3
    int byteCount = 0;            // bytes 4 and 5 as sent: MSB * 128 + LSB
    std::span<const Byte> data;   // a dump's data bytes as far as they came (155 or 4096 when whole)
    std::size_t expectedSize = 0; // bytes the whole message of this kind has (0: unknown)
    Byte checksum = 0;            // as sent (bit 7 kept)
    Byte computed = 0;            // of `data`
    std::size_t cutAt = 0;        // CutShort: the offset where it broke off
    // A data byte carries bit 7. No MIDI cable carries such a byte; files do.
    bool highBit = false;

    bool good() const { return fault == Dx7Fault::None; }
    bool isSysEx() const { return kind != Dx7Kind::Other || format >= 0; }
};

// `message` is one whole message as a port or a file gives it. The spans in
// the result point into it.
Dx7Message DecodeDx7(std::span<const Byte> message);

// The byte count the bank format declares: 20 00, or 10 00 as some units send.
bool IsBankByteCount(int byteCount);

} // namespace vox
