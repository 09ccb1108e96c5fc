// Arbitrary datagrams as H.264, HEVC and Opus RTP-packet frames: header parse and payload
// classification, then a deep copy and its field dump. The frame's capacity is exactly the input's
// length, so any read past the packet is an ASan report.
#include <cstddef>
#include <cstdint>

#include "media/StreamFrameH264RtpPacket.h"
#include "media/StreamFrameHEVCRtpPacket.h"
#include "media/StreamFrameOpusRtpPacket.h"
#include "osal/LLog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gLLogLevelVal = LLOG_OFF;
    // Datagrams on the wire are never larger.
    if (size > 4096) return 0;
    const int len = static_cast<int>(size);
    NetBit::StreamFrameH264RtpPacket h264;
    NetBit::StreamFrameHEVCRtpPacket hevc;
    NetBit::StreamFrameOpusRtpPacket opus;
    h264.CopyFrame(1, data, len, len, false);
    h264.ParseHeader();
    hevc.CopyFrame(1, data, len, len, false);
    hevc.ParseHeader();
    opus.CopyFrame(1, data, len, len, 0, false);
    opus.ParseHeader();
    NetBit::StreamFrameH264RtpPacket copy;
    copy.CopyFrame(&h264);
    copy.PrintInfo();
    return 0;
}
