// Test helper: builds RTP packets byte by byte.
#pragma once

#include <cstdint>
#include <vector>

namespace media_test {

struct RtpTestPacket {
    uint8_t payload_type = 96;
    bool marker = false;
    uint16_t seq = 1000;
    uint32_t ts = 90000;
    uint32_t ssrc = 0x11223344;
    // One-byte extension elements as {id, value bytes...}; empty: no extension block.
    std::vector<std::vector<uint8_t>> extensions;
    std::vector<uint8_t> payload;
    uint8_t padding = 0;  // padding bytes at the end (the last one holds the count)

    std::vector<uint8_t> Build() const {
        std::vector<uint8_t> p;
        const bool has_ext = !extensions.empty();
        p.push_back(static_cast<uint8_t>(0x80 | (padding ? 0x20 : 0) | (has_ext ? 0x10 : 0)));
        p.push_back(static_cast<uint8_t>((marker ? 0x80 : 0) | payload_type));
        p.push_back(static_cast<uint8_t>(seq >> 8));
        p.push_back(static_cast<uint8_t>(seq));
        for (int shift = 24; shift >= 0; shift -= 8) p.push_back(static_cast<uint8_t>(ts >> shift));
        for (int shift = 24; shift >= 0; shift -= 8) p.push_back(static_cast<uint8_t>(ssrc >> shift));
        if (has_ext) {
            std::vector<uint8_t> body;
            for (const std::vector<uint8_t>& e : extensions) {
                body.push_back(static_cast<uint8_t>((e[0] << 4) | (e.size() - 2)));
                body.insert(body.end(), e.begin() + 1, e.end());
            }
            while (body.size() % 4 != 0) body.push_back(0);
            p.push_back(0xBE);
            p.push_back(0xDE);
            p.push_back(static_cast<uint8_t>((body.size() / 4) >> 8));
            p.push_back(static_cast<uint8_t>(body.size() / 4));
            p.insert(p.end(), body.begin(), body.end());
        }
        p.insert(p.end(), payload.begin(), payload.end());
        for (int i = 1; i < padding; ++i) p.push_back(0);
        if (padding) p.push_back(padding);
        return p;
    }
};

}  // namespace media_test
