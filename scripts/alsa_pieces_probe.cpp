// What RtMidi's ALSA output makes of System Exclusive messages sent in
// pieces, on alsa-lib's encoder alone (no sequencer needed): RtMidi keeps one
// snd_midi_event encoder per client, made with 32 bytes and grown to the
// longest message sent, and sends an event whenever the encoder completes
// one; bytes short of that stay in the encoder ("incomplete message!").
// Usage: alsa_pieces_probe <piece bytes> [<whole message sent first, bytes>]
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

long g_encoderBytes = 32;
snd_midi_event_t *g_encoder = nullptr;

// One sendMessage of RtMidi's ALSA output, printing the events it sends.
void Send(const std::vector<unsigned char> &bytes, std::size_t at, std::size_t count) {
    const long n = static_cast<long>(count);
    if (n > g_encoderBytes) {
        g_encoderBytes = n;
        snd_midi_event_resize_buffer(g_encoder, static_cast<size_t>(n));
    }
    std::printf("  hand over %ld bytes:", n);
    long done = 0;
    while (done < n) {
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        const long used = snd_midi_event_encode(g_encoder, bytes.data() + at + done, n - done, &ev);
        if (used < 0) {
            std::printf(" encoder error\n");
            return;
        }
        if (ev.type == SND_SEQ_EVENT_NONE) {
            std::printf(" (nothing sent yet: incomplete message)\n");
            return;
        }
        done += used;
        std::printf(" event of %u bytes", ev.type == SND_SEQ_EVENT_SYSEX ? ev.data.ext.len : 0u);
    }
    std::printf("\n");
}

std::vector<unsigned char> SysEx(std::size_t size) {
    std::vector<unsigned char> m(size, 0x11);
    m.front() = 0xF0;
    m.back() = 0xF7;
    return m;
}

} // namespace

int main(int argc, char **argv) {
    const std::size_t piece = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 32;
    const std::size_t before = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 0;
    if (piece == 0 || snd_midi_event_new(static_cast<size_t>(g_encoderBytes), &g_encoder) < 0) return 2;
    if (before > 0) {
        std::printf("a whole message of %zu bytes first:\n", before);
        const auto whole = SysEx(before);
        Send(whole, 0, whole.size());
    }
    const auto message = SysEx(200);
    std::printf("a 200-byte message in pieces of %zu bytes:\n", piece);
    for (std::size_t at = 0; at < message.size(); at += piece)
        Send(message, at, std::min(piece, message.size() - at));
    snd_midi_event_free(g_encoder);
    return 0;
}
