// Arbitrary texts through the link description parser; what it accepts must format and parse back
// to the same settings, and must then run through a link pair without breaking its accounting.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "netem/LinkProfileText.h"
#include "netem/NetemDuplex.h"

namespace {

using zrtc::netem::DuplexProfile;
using zrtc::netem::LinkProfile;
using zrtc::netem::LinkStats;
using zrtc::netem::NetemLink;
using zrtc::netem::NetemPacket;

void CheckMessage(const std::string& error) {
    if (error.rfind("bad link description at '", 0) != 0) __builtin_trap();
    for (char c : error)
        if (c < 0x20 || c > 0x7e) __builtin_trap();  // bad bytes are quoted as \xNN
}

// Pushes a packet per input byte (size and spacing from the byte), changes the settings half way,
// then runs the link dry and checks what came out.
void Exercise(NetemLink& link, const LinkProfile& change, const uint8_t* data, size_t size) {
    std::vector<NetemPacket> out;
    int64_t now = 0;
    const size_t count = size < 256 ? size : 256;
    for (size_t i = 0; i < count; ++i) {
        now += data[i] * 97;
        if (i == count / 2) link.Configure(change, now);
        NetemPacket p;
        p.data.resize(static_cast<size_t>(data[i]) * 6);
        link.Push(std::move(p), now);
        if (data[i] & 1) link.PopReady(now, &out);
    }
    link.PopReady(NetemLink::kNever, &out);
    if (link.NextReleaseTime() != NetemLink::kNever) __builtin_trap();
    // Whatever was pushed or rescheduled later is due no earlier than what was released before.
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i].releaseUs < out[i].sentUs) __builtin_trap();
        if (i > 0 && out[i].releaseUs < out[i - 1].releaseUs) __builtin_trap();
    }
    const LinkStats s = link.Stats();
    if (s.inFlight != 0 || s.packetsIn != count || s.packetsOut != out.size()) __builtin_trap();
    if (s.packetsIn + s.duplicated != s.packetsOut + s.droppedLoss + s.droppedQueue) __builtin_trap();
    if (s.reordered > s.packetsOut) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);  // NULs and all

    LinkProfile link;
    std::string error;
    if (zrtc::netem::ParseLinkProfile(text, &link, &error)) {
        LinkProfile again;
        if (!zrtc::netem::ParseLinkProfile(zrtc::netem::FormatLinkProfile(link), &again, nullptr) || again != link)
            __builtin_trap();
    } else {
        CheckMessage(error);
        if (link != LinkProfile()) __builtin_trap();  // untouched on failure
    }

    DuplexProfile duplex;
    error.clear();
    if (!zrtc::netem::ParseDuplexProfile(text, &duplex, &error)) {
        CheckMessage(error);
        return 0;
    }
    DuplexProfile again;
    if (!zrtc::netem::ParseDuplexProfile(zrtc::netem::FormatDuplexProfile(duplex), &again, nullptr) || again != duplex)
        __builtin_trap();
    // A drawn seed would print a line per input; any fixed one exercises the same code.
    if (duplex.up.seed == 0) duplex.up.seed = 1;
    if (duplex.down.seed == 0) duplex.down.seed = 1;
    zrtc::netem::NetemDuplex pair(duplex);
    Exercise(pair.Up(), duplex.down, data, size);
    Exercise(pair.Down(), duplex.up, data, size);
    return 0;
}
