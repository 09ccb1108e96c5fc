// Arbitrary datagrams through the RTP header parser and the receive statistics. The parser must
// refuse or accept without reading outside the datagram, and what it accepts must be consistent:
// the header it describes lies inside the packet.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "receive/AVPacketsStatistcs.h"
#include "receive/RTPHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    // A copy in a buffer of its own size, so any read past the datagram is caught.
    std::vector<uint8_t> packet(data, data + size);
    const int len = static_cast<int>(packet.size());
    NetBit::RTPHeader h;
    if (h.ParseHeader(packet.empty() ? nullptr : packet.data(), len) == 0) {
        if (h.mVersion != 2 || h.mNumCSRCs > 15 || h.HeaderLength() > len) __builtin_trap();
        if (h.mNormalHeaderLength != 12 + 4 * h.mNumCSRCs) __builtin_trap();
        if (h.mHaveExtensionHeader != (h.mExtensionLength > 0)) __builtin_trap();
    }
    // The same bytes as a run of packets of one track: each prefix of the datagram is one packet,
    // so sequence numbers and timestamps jump about and the window and NACK logic see it all.
    static zeqmcdn::AVPacketsStatistcs* stats = new zeqmcdn::AVPacketsStatistcs(nullptr);
    static int64_t now = 1000;  // moves on across inputs, as a clock does
    for (int n = 12; n <= len && n <= 12 + 64; n += 4) {
        const uint8_t* p = packet.data() + (n - 12);
        stats->onOneRtpPacket(p, len - (n - 12), (p[1] & 1) != 0, nullptr, nullptr, now);
        for (uint16_t seq : stats->GetVideoStatistics().GetNackList())
            stats->GetVideoStatistics().update_nack_time(seq, now, 100, 5000);
        now += 7;
    }
    if (len >= 2) stats->OnTwccSN(static_cast<uint16_t>(packet[0] << 8 | packet[len - 1]));
    uint8_t fraction = 0;
    uint32_t lost = 0, highest = 0, jitter = 0;
    uint64_t expected = 0, received = 0, bytes = 0;
    stats->GetAudioStatistics().getReport(1, fraction, lost, highest, jitter, expected, received, bytes);
    stats->GetVideoStatistics().getLossRateInInterval(2);
    stats->GetTwccLossRate();
    return 0;
}
