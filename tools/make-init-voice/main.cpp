// Build step: writes "INITdata.v01", the 161-byte 1-voice file of the
// initial voice, into the program folder.
#include "voice/init_voice.h"

#include <cstdio>
#include <fstream>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-init-voice OUTPUT\n");
        return 2;
    }
    const vox::Slot slot = vox::InitialVoice();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(slot.data()), static_cast<std::streamsize>(vox::kChecksumPos));
    return out ? 0 : 1;
}
