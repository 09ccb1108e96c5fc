#include "signalling/test/PcapWriter.h"

#include <cstdio>

namespace dive {
namespace test {

namespace {

constexpr uint32_t kPcapMagic = 0xA1B2C3D4;  // microsecond time stamps, native byte order
constexpr uint32_t kLinkTypeEthernet = 1;
constexpr uint32_t kSnapLen = 65535;

void Put16(std::vector<uint8_t>* b, uint16_t v) {  // network order
    b->push_back(static_cast<uint8_t>(v >> 8));
    b->push_back(static_cast<uint8_t>(v & 0xFF));
}

template <typename T>
void PutNative(std::FILE* f, T v) {
    std::fwrite(&v, sizeof(v), 1, f);
}

uint16_t Ipv4Checksum(const uint8_t* header, size_t len) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < len; i += 2) sum += static_cast<uint32_t>((header[i] << 8) | header[i + 1]);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

}  // namespace

void PcapWriter::AddDatagram(const uint8_t* data, size_t len) {
    std::vector<uint8_t> f;
    // Ethernet: destination, source, type IPv4.
    const uint8_t macs[12] = {0x02, 0, 0, 0, 0, 0x02, 0x02, 0, 0, 0, 0, 0x01};
    f.insert(f.end(), macs, macs + sizeof(macs));
    Put16(&f, 0x0800);
    // IPv4: version 4, IHL 5, total length, no fragmentation, TTL 64, protocol UDP, 127.0.0.1 -> 127.0.0.2.
    const size_t ipStart = f.size();
    f.push_back(0x45);
    f.push_back(0);
    Put16(&f, static_cast<uint16_t>(20 + 8 + len));
    Put16(&f, 0);
    Put16(&f, 0x4000);
    f.push_back(64);
    f.push_back(17);
    Put16(&f, 0);  // checksum, filled below
    const uint8_t addrs[8] = {127, 0, 0, 1, 127, 0, 0, 2};
    f.insert(f.end(), addrs, addrs + sizeof(addrs));
    const uint16_t sum = Ipv4Checksum(f.data() + ipStart, 20);
    f[ipStart + 10] = static_cast<uint8_t>(sum >> 8);
    f[ipStart + 11] = static_cast<uint8_t>(sum & 0xFF);
    // UDP, checksum 0 (none).
    Put16(&f, mSrcPort);
    Put16(&f, mDstPort);
    Put16(&f, static_cast<uint16_t>(8 + len));
    Put16(&f, 0);
    f.insert(f.end(), data, data + len);
    mFrames.push_back(std::move(f));
}

bool PcapWriter::Save(const std::string& path) const {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    PutNative<uint32_t>(f, kPcapMagic);
    PutNative<uint16_t>(f, 2);
    PutNative<uint16_t>(f, 4);
    PutNative<int32_t>(f, 0);
    PutNative<uint32_t>(f, 0);
    PutNative<uint32_t>(f, kSnapLen);
    PutNative<uint32_t>(f, kLinkTypeEthernet);
    uint32_t second = 1700000000;
    for (const std::vector<uint8_t>& frame : mFrames) {
        PutNative<uint32_t>(f, second++);
        PutNative<uint32_t>(f, 0);
        PutNative<uint32_t>(f, static_cast<uint32_t>(frame.size()));
        PutNative<uint32_t>(f, static_cast<uint32_t>(frame.size()));
        std::fwrite(frame.data(), 1, frame.size(), f);
    }
    return std::fclose(f) == 0;
}

}  // namespace test
}  // namespace dive
