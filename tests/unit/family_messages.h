#pragma once
// The later models' messages as the family data sheet frames them
// (tests/data/facts/dx7ii-data-facts.md 1.1-1.3, 1.6), built here from the
// sheet and not by the program's own writers, for every test of that data.

#include "voice/voice_layout.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vox::test {

using FamilyBytes = std::vector<Byte>;

// cs = (-sum of the counted bytes) AND 7Fh (sheet 1.3).
inline Byte SheetChecksum(const FamilyBytes &counted) {
    int sum = 0;
    for (const Byte b : counted)
        sum += b;
    return static_cast<Byte>(-sum & 0x7F);
}

// F0 43 0n ff, then `groups` times bh bl <name> <payload> cs, then F7; the
// count includes the name (sheet 1.1, 1.2; a cartridge block repeats its
// group). `seed` makes one dump's payload differ from another's.
inline FamilyBytes FamilyDump(int format, const std::string &name, std::size_t payload, int seed = 0,
                              int device = 0, int groups = 1) {
    FamilyBytes counted(name.begin(), name.end());
    for (std::size_t i = 0; i < payload; ++i)
        counted.push_back(static_cast<Byte>((i * 7 + static_cast<std::size_t>(seed)) % 128));
    // Built byte by byte (GCC 12 misreads an insert into a short vector as
    // out of bounds).
    FamilyBytes m{0xF0, 0x43, static_cast<Byte>(device), static_cast<Byte>(format)};
    for (int g = 0; g < groups; ++g) {
        m.push_back(static_cast<Byte>(counted.size() >> 7));
        m.push_back(static_cast<Byte>(counted.size() & 0x7F));
        for (const Byte b : counted)
            m.push_back(b);
        m.push_back(SheetChecksum(counted));
    }
    m.push_back(0xF7);
    return m;
}
inline FamilyBytes UniversalDump(const std::string &name, std::size_t payload, int seed = 0, int groups = 1) {
    return FamilyDump(0x7E, name, payload, seed, 0, groups);
}

// F0 43 2n ff F7, and for a universal block the header's name in place of
// the count and data (sheet 1.6).
inline FamilyBytes FamilyRequest(int format, int device = 0) {
    return {0xF0, 0x43, static_cast<Byte>(0x20 | device), static_cast<Byte>(format), 0xF7};
}
inline FamilyBytes FamilyRequest(const std::string &name, int device = 0) {
    FamilyBytes m{0xF0, 0x43, static_cast<Byte>(0x20 | device), 0x7E};
    for (const char c : name)
        m.push_back(static_cast<Byte>(c));
    m.push_back(0xF7);
    return m;
}

// Messages back to back, as a .syx holds them.
inline FamilyBytes Joined(const std::vector<FamilyBytes> &messages) {
    FamilyBytes all;
    for (const FamilyBytes &m : messages)
        all.insert(all.end(), m.begin(), m.end());
    return all;
}

// A Standard MIDI File of one track, each message a System Exclusive event
// (F0, its length as a variable-length number, the rest of the message).
inline FamilyBytes InMidiFile(const std::vector<FamilyBytes> &messages) {
    FamilyBytes track;
    for (const FamilyBytes &m : messages) {
        track.push_back(0x00); // delta time
        track.push_back(0xF0);
        const std::size_t length = m.size() - 1;
        FamilyBytes vlq{static_cast<Byte>(length & 0x7F)};
        for (std::size_t rest = length >> 7; rest > 0; rest >>= 7)
            vlq.insert(vlq.begin(), static_cast<Byte>(0x80 | (rest & 0x7F)));
        track.insert(track.end(), vlq.begin(), vlq.end());
        track.insert(track.end(), m.begin() + 1, m.end());
    }
    for (const Byte b : {0x00, 0xFF, 0x2F, 0x00}) // end of track
        track.push_back(b);
    FamilyBytes file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k'};
    for (int shift = 24; shift >= 0; shift -= 8)
        file.push_back(static_cast<Byte>(track.size() >> shift));
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

} // namespace vox::test
