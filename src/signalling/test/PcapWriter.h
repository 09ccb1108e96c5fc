// Test-only writer of classic pcap files: each datagram wrapped in Ethernet, IPv4 and UDP headers,
// so an independent dissector can read what the codec built.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dive {
namespace test {

class PcapWriter {
public:
    PcapWriter(uint16_t srcPort, uint16_t dstPort) : mSrcPort(srcPort), mDstPort(dstPort) {}

    void AddDatagram(const uint8_t* data, size_t len);
    // The whole file; false when it cannot be written.
    bool Save(const std::string& path) const;

private:
    uint16_t mSrcPort;
    uint16_t mDstPort;
    std::vector<std::vector<uint8_t>> mFrames;
};

}  // namespace test
}  // namespace dive
