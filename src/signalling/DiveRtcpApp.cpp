#include "signalling/DiveRtcpApp.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <random>

#include "osal/LLog.h"
#include "signalling/ConnectCodec.h"
#include "signalling/ControlMsgCodec.h"
#include "signalling/MessageBodies.h"
#include "signalling/PubSubCodec.h"
#include "signalling/UpdateCodec.h"

namespace dive {

namespace {
constexpr size_t kMsgIdOffset = 14;   // APP header (12) + version + kind byte
constexpr size_t kMinPacketWithId = 16;
constexpr uint8_t kMaxSubType = 0x1F;  // five bits
constexpr uint8_t kMaxKind = 0x0F;     // one nibble

template <typename Body>
const Body& As(const RtcpAppMsg& msg) {
    return *static_cast<const Body*>(msg.body);
}
}  // namespace

std::unique_ptr<DiveRtcpAppInterface> DiveRtcpAppInterface::Create() { return std::make_unique<DiveRtcpApp>(); }

const char* DiveRtcpAppInterface::GetSubTypeName(uint32_t type) {
    static const char* const kNames[] = {"CON",  "PUB",  "SUB",  "PUBU", "SUBU", "STOP",
                                         "DISC", "HEBT", "MTUD", "MTUE", "CTRL", "NOTI"};
    return type < sizeof(kNames) / sizeof(kNames[0]) ? kNames[type] : "UNKNOWN";
}

const char* DiveRtcpAppInterface::GetMsgTypeName(uint32_t kind) {
    static const char* const kNames[] = {"Request", "FinalRsp", "TempRsp", "FinalRspAck", "Notify"};
    return kind < sizeof(kNames) / sizeof(kNames[0]) ? kNames[kind] : "UNKNOWN";
}

uint32_t DiveRtcpApp::DrawLocalSsrc() {
    // Two codecs created within the same nanosecond still differ: a process-wide counter joins the seed.
    static std::atomic<uint32_t> sInstances{0};
    const uint64_t ns = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
    std::seed_seq seed{static_cast<uint32_t>(ns), static_cast<uint32_t>(ns >> 32), sInstances.fetch_add(1)};
    std::mt19937 generator(seed);
    std::uniform_int_distribution<uint32_t> ssrc(1, 0xFFFFFFFFu);
    return ssrc(generator);
}

DiveRtcpApp::DiveRtcpApp() : DiveRtcpApp(nullptr, DrawLocalSsrc()) {}

DiveRtcpApp::DiveRtcpApp(DiveRtcpAppHandlerInterface* handler, uint32_t ssrc)
    : mLocalSsrc(ssrc), mHandler(handler), mWriter(ssrc) {}

void DiveRtcpApp::RegisterHandler(DiveRtcpAppHandlerInterface* handler) {
    osal::lock_guard<osal::recursive_mutex> guard(mMutex);
    mHandler = handler;
}

void DiveRtcpApp::DeRegisterHandler() {
    osal::lock_guard<osal::recursive_mutex> guard(mMutex);
    mHandler = nullptr;
}

bool DiveRtcpApp::UpdateRtcAppMsgId(uint8_t* packet, size_t len, uint16_t id) {
    if (!packet || len < kMinPacketWithId) return false;
    packet[kMsgIdOffset] = static_cast<uint8_t>(id >> 8);
    packet[kMsgIdOffset + 1] = static_cast<uint8_t>(id & 0xFF);
    return true;
}

// --- building ----------------------------------------------------------------------------------

void DiveRtcpApp::WriteBody(const RtcpAppMsg& msg, TLVWriter* out) {
    switch (msg.kind) {
        case kRtcpAppRequest:
            switch (msg.type) {
                case kRtcpAppConnect: ConnectCodec::Write(As<RtcpAppReqConnect>(msg), out); break;
                case kRtcpAppPublish: PubSubCodec::Write(As<RtcpAppReqPublish>(msg), out); break;
                case kRtcpAppSubscribe: PubSubCodec::Write(As<RtcpAppReqSubscribe>(msg), out); break;
                case kRtcpAppPublishUpdate:
                case kRtcpAppSubscribeUpdate: UpdateCodec::Write(As<RtcpAppReqUpdate>(msg), out); break;
                case kRtcpAppStop: ControlMsgCodec::Write(As<RtcpAppReqStop>(msg), out); break;
                case kRtcpAppDisconnect: ControlMsgCodec::Write(As<RtcpAppRspResult>(msg), out); break;
                case kRtcpAppMtuDetect: ControlMsgCodec::Write(As<RtcpAppReqMtuDetect>(msg), false, out); break;
                case kRtcpAppMtuDetectEnd: ControlMsgCodec::Write(As<RtcpAppReqMtuDetect>(msg), true, out); break;
                case kRtcpAppMediaControl: ControlMsgCodec::Write(As<RtcpAppRspMediaControl>(msg), out); break;
                case kRtcpAppNotify: ControlMsgCodec::Write(As<RtcpAppReqNotify>(msg), out); break;
                default: break;  // HeartBeat and unknown types: no entries
            }
            break;
        case kRtcpAppFinalRsp:
            switch (msg.type) {
                case kRtcpAppStop:
                case kRtcpAppDisconnect:
                case kRtcpAppMediaControl:
                case kRtcpAppNotify: ControlMsgCodec::Write(As<RtcpAppRspResult>(msg), out); break;
                default: break;  // the client answers no other server request
            }
            break;
        case kRtcpAppTempRsp: ControlMsgCodec::WriteTempRsp(As<DiveBuffer>(msg), out); break;
        default: break;  // final-response acks and other kinds: no entries
    }
}

size_t DiveRtcpApp::BuildRtcpApp(const RtcpAppMsg& msg, uint8_t* out, size_t capacity) {
    if (!out) return 0;
    if (msg.type > kMaxSubType || msg.kind > kMaxKind) {
        VLOGE("Cannot build signalling type %u kind %u: out of range\n", static_cast<unsigned>(msg.type),
              static_cast<unsigned>(msg.kind));
        return 0;
    }
    TLVWriter body;
    TLVHeader header;
    header.kind = msg.kind;
    header.msgId = msg.msgId;
    header.WriteHeader(&body.Buffer());
    if (msg.body) WriteBody(msg, &body);
    if (body.Failed()) {
        VLOGE("Cannot build signalling %s %s msgid=%u: an entry is too long\n", GetSubTypeName(msg.type),
              GetMsgTypeName(msg.kind), static_cast<unsigned>(msg.msgId));
        return 0;
    }

    osal::lock_guard<osal::recursive_mutex> guard(mMutex);
    const DiveBuffer* packet = mWriter.Write(msg.type, body.Buffer());
    if (!packet) return 0;
    if (packet->Length() > capacity) {
        VLOGW("Signalling %s msgid=%u of %zu bytes does not fit %zu bytes\n", GetSubTypeName(msg.type),
              static_cast<unsigned>(msg.msgId), packet->Length(), capacity);
        return 0;
    }
    std::memcpy(out, packet->Data(), packet->Length());
    return packet->Length();
}

// --- parsing -----------------------------------------------------------------------------------

void DiveRtcpApp::NotifyHandler(RtcpAppMsg& msg) {
    osal::lock_guard<osal::recursive_mutex> guard(mMutex);
    if (!mHandler) return;
    switch (msg.kind) {
        case kRtcpAppRequest: mHandler->OnRequest(msg); break;
        case kRtcpAppFinalRsp: mHandler->OnFinalResponse(msg); break;
        case kRtcpAppTempRsp: mHandler->OnTempResponse(msg); break;
        default: break;
    }
}

template <typename Body>
bool DiveRtcpApp::Dispatch(const RtcpAppMsgHeader& header, Body* body) {
    RtcpAppMsg msg;
    msg.msgId = header.msgId;
    msg.ssrc = header.ssrc;
    msg.type = header.type;
    msg.kind = header.kind;
    msg.body = body;
    NotifyHandler(msg);
    return true;
}

bool DiveRtcpApp::ParseBody(const RtcpAppMsgHeader& header, const TLVReader& list) {
    const bool isRequest = header.kind == kRtcpAppRequest;
    const bool isFinal = header.kind == kRtcpAppFinalRsp;
    switch (header.type) {
        case kRtcpAppConnect:
            if (isFinal) {
                RtcpAppRspConnect rsp;
                ConnectCodec::Read(list, &rsp);
                return Dispatch(header, &rsp);
            }
            break;
        case kRtcpAppPublish:
            if (isFinal) {
                RtcpAppRspPublish rsp;
                PubSubCodec::Read(list, &rsp);
                return Dispatch(header, &rsp);
            }
            break;
        case kRtcpAppSubscribe:
            if (isFinal) {
                RtcpAppRspSubscribe rsp;
                PubSubCodec::Read(list, &rsp);
                return Dispatch(header, &rsp);
            }
            break;
        case kRtcpAppPublishUpdate:
        case kRtcpAppSubscribeUpdate:
            if (isFinal) {
                RtcpAppRspUpdate rsp;
                UpdateCodec::Read(list, &rsp);
                return Dispatch(header, &rsp);
            }
            break;
        case kRtcpAppStop:
            if (isFinal) {
                RtcpAppRspResult rsp;
                ControlMsgCodec::Read(list, &rsp);
                return Dispatch(header, &rsp);
            }
            if (isRequest) {
                RtcpAppReqStop req;
                ControlMsgCodec::Read(list, &req);
                return Dispatch(header, &req);
            }
            break;
        case kRtcpAppDisconnect:
        case kRtcpAppHeartBeat:
            // A server's Disconnect request is accepted too, with its code and reason.
            if (isFinal || (isRequest && header.type == kRtcpAppDisconnect)) {
                RtcpAppRspResult rsp;
                ControlMsgCodec::Read(list, &rsp);
                return Dispatch(header, &rsp);
            }
            break;
        case kRtcpAppMtuDetect:
            if (isFinal) {
                RtcpAppRspResult rsp;
                ControlMsgCodec::ReadCodeOnly(list, &rsp);
                return Dispatch(header, &rsp);
            }
            break;
        case kRtcpAppMediaControl:
            if (isRequest) {
                RtcpAppRspMediaControl req;
                ControlMsgCodec::Read(list, &req);
                return Dispatch(header, &req);
            }
            break;
        case kRtcpAppNotify:
            if (isFinal) {
                RtcpAppRspResult rsp;
                ControlMsgCodec::Read(list, &rsp);
                return Dispatch(header, &rsp);
            }
            if (isRequest) {
                RtcpAppReqNotify req;
                ControlMsgCodec::Read(list, &req);
                return Dispatch(header, &req);
            }
            break;
        default: break;  // MtuDetectEnd and unknown types
    }
    VLOGD("Ignored signalling %s %s msgid=%u\n", GetSubTypeName(header.type), GetMsgTypeName(header.kind),
          static_cast<unsigned>(header.msgId));
    return false;
}

bool DiveRtcpApp::ParseRtcpApp(const uint8_t* data, size_t len) {
    if (!data || len == 0) return false;
    // A mobility notice is recognised by its sub type alone.
    if ((data[0] & kMaxSubType) == kRtcpAppMobility) {
        osal::lock_guard<osal::recursive_mutex> guard(mMutex);
        if (mHandler) mHandler->OnMobility();
        return true;
    }

    DiveRtcpAppReader packet;
    if (!packet.Read(data, len)) return false;

    const uint8_t* entries = packet.AppData();
    size_t entriesLen = packet.AppDataLength();
    TLVHeader tlvHeader;
    tlvHeader.kind = 0;
    if (tlvHeader.ReadHeader(entries, entriesLen)) {
        entries += TLVHeader::kSize;
        entriesLen -= TLVHeader::kSize;
    }

    RtcpAppMsgHeader header;
    header.msgId = tlvHeader.msgId;
    header.ssrc = packet.Ssrc();
    header.type = static_cast<DiveRtcpAppSubType>(packet.SubType());
    header.kind = static_cast<DiveRtcpAppMsgType>(tlvHeader.kind);
    const TLVReader list(entries, entriesLen);

    if (header.kind == kRtcpAppTempRsp) {  // any message type
        DiveBuffer traceId;
        ControlMsgCodec::ReadTempRsp(list, &traceId);
        return Dispatch(header, &traceId);
    }
    return ParseBody(header, list);
}

}  // namespace dive
