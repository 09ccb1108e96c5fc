// Result messages: what the media edge engine hands to the transport and the participants, each
// addressed by an invoke id that starts with the receiving listener's id in hexadecimal and '-'
// ("0" or "0-rtcpapp-0-0" address the transport itself).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/String.h"

namespace zeqmcdn {

// A codec configuration blob of a track (a parameter set or similar), at most 2048 bytes.
struct ParamBlob {
    static constexpr size_t kMax = 2048;
    uint32_t length = 0;
    uint8_t data[kMax] = {};
    // False (and the blob left empty) when `n` exceeds kMax or data is null with n > 0.
    bool Set(const void* bytes, size_t n);
};

// Audio track of a subscription. A server codec value of 6 is stored as codec 1 with profile 4.
struct AudioDesc {
    bool enabled = false;
    String msid;
    uint32_t ssrc = 0;
    int32_t payloadType = 0;
    int32_t codec = 0;
    int32_t aacProfile = 0;
    int32_t sampleRate = 0;
    int32_t channels = 0;
};

// Audio track of a publication.
struct PubAudioDesc {
    bool enabled = false;
    String msid;
    uint32_t ssrc = 0;
    int32_t payloadType = 0;
    int32_t codec = 0;
    int32_t sampleRate = 0;
    int32_t channels = 0;
    bool redSupported = false;
};

struct VideoDesc {
    bool enabled = false;
    String msid;
    uint32_t ssrc = 0;
    int32_t payloadType = 0;
    int32_t codec = 0;
    ParamBlob vps, sps, pps;
};

struct PubVideoDesc {
    bool enabled = false;
    String msid;
    uint32_t ssrc = 0;
    int32_t payloadType = 0;
    int32_t codec = 0;
    ParamBlob sps, pps;
};

// Thread safety: a message is a value; whoever holds the pointer owns it.
class MsgParam {
public:
    MsgParam(uint32_t id, const String& invoke_id) : mMsgId(id), mInvokeId(invoke_id) {}
    virtual ~MsgParam() = default;
    // A heap copy, owned by the caller.
    virtual MsgParam* Duplicate() const = 0;

    uint32_t mMsgId;
    String mInvokeId;

protected:
    MsgParam(const MsgParam&) = default;
    MsgParam& operator=(const MsgParam&) = default;
};

// Adds Duplicate to a concrete message class.
template <typename Derived, uint32_t Id>
class MsgParamOf : public MsgParam {
public:
    static constexpr uint32_t kId = Id;
    explicit MsgParamOf(const String& invoke_id = String()) : MsgParam(Id, invoke_id) {}
    MsgParam* Duplicate() const override { return new Derived(static_cast<const Derived&>(*this)); }
};

class MsgConnResult : public MsgParamOf<MsgConnResult, 20080> {
public:
    using MsgParamOf::MsgParamOf;
    String mTraceId;
    String mCookie;
    String mReason;
    String mServerText4;     // session parameter 4
    uint32_t mServerValue5 = 0;  // session parameter 5
    String mServerText6;     // session parameter 6
    uint32_t mResult = 0;
};

class MsgDisconnResult : public MsgParamOf<MsgDisconnResult, 20081> {
public:
    using MsgParamOf::MsgParamOf;
    uint32_t mResult = 0;
};

class MsgTraceIDChanged : public MsgParamOf<MsgTraceIDChanged, 20082> {
public:
    using MsgParamOf::MsgParamOf;
    String mCommand;
    String mResponseKind;  // "temp" or "final"
    String mTraceId;
};

// The granted tracks of a subscribe, subscribe-update or publish answer: at most 2 audio and 4
// video tracks are taken.
template <typename Audio, typename Video>
struct TrackGrant {
    static constexpr int kMaxAudio = 2;
    static constexpr int kMaxVideo = 4;
    Audio mAudio[kMaxAudio];
    Video mVideo[kMaxVideo];
    int32_t mAudioCount = 0;
    int32_t mVideoCount = 0;
    int32_t mResult = 0;
    String mReason;
};

class MsgSubResult : public MsgParamOf<MsgSubResult, 20100>, public TrackGrant<AudioDesc, VideoDesc> {
public:
    using MsgParamOf::MsgParamOf;
    String mTraceId;
    String mPlayConfig;  // response tag 15
    String mNodeInfo;    // response tag 51
};

class MsgSubUpdateResult : public MsgParamOf<MsgSubUpdateResult, 20101>, public TrackGrant<AudioDesc, VideoDesc> {
public:
    using MsgParamOf::MsgParamOf;
    static constexpr int kMaxMsids = 6;
    String mMsids[kMaxMsids];
    int32_t mMsidCount = 0;
    String mStreamUrl;  // of the request
};

class MsgPubResult : public MsgParamOf<MsgPubResult, 20105>, public TrackGrant<PubAudioDesc, PubVideoDesc> {
public:
    using MsgParamOf::MsgParamOf;
    String mTraceId;
    String mPlayConfig;  // response tag 14
};

// Notify payloads of at most 2048 bytes.
class MsgNotifyKeyInfo : public MsgParamOf<MsgNotifyKeyInfo, 20200> {
public:
    using MsgParamOf::MsgParamOf;
    ParamBlob mInfo;
};

class MsgNotifyUpstreamInfo : public MsgParamOf<MsgNotifyUpstreamInfo, 20201> {
public:
    using MsgParamOf::MsgParamOf;
    ParamBlob mInfo;
    int32_t mValue = 0;
};

class MsgOnStreamStop : public MsgParamOf<MsgOnStreamStop, 20202> {
public:
    using MsgParamOf::MsgParamOf;
    String mStreamUrl;
    String mReason;
    int32_t mCode = 0;
};

class MsgOnStreamDisconnect : public MsgParamOf<MsgOnStreamDisconnect, 20203> {
public:
    using MsgParamOf::MsgParamOf;
    String mDescription;
    int32_t mCode = 0;
};

class MsgStopResult : public MsgParamOf<MsgStopResult, 20300> {
public:
    using MsgParamOf::MsgParamOf;
    uint32_t mResult = 0;  // a 16-bit code
};

class MsgErrorWarning : public MsgParamOf<MsgErrorWarning, 20400> {
public:
    // Categories and sub-codes the engine reports.
    static constexpr int32_t kCategoryChannel = 2;
    static constexpr int32_t kCategoryDns = 4;
    static constexpr uint32_t kSubWanSwitch = 0x20000002;
    static constexpr uint32_t kSubDnsFailed = 0x20000001;
    using MsgParamOf::MsgParamOf;
    int32_t mCategory = 0;
    uint32_t mSubCode = 0;
};

// The listener id an invoke id addresses: its leading hexadecimal digits (at most 8). False when
// the invoke id does not start with one.
bool ParseInvokeListenerId(const String& invoke_id, uint32_t* id);

}  // namespace zeqmcdn
