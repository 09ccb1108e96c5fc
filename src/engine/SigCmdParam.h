// Signalling commands: what participants and the transport queue into the media edge engine.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/String.h"

namespace zeqmcdn {

// Thread safety: a command is a value; the engine's queue owns the duplicates it stores.
class SigCmdParam {
public:
    // The invoke prefix is the listener id in hexadecimal ("0" for the transport), at most 16 characters.
    static constexpr size_t kMaxInvokePrefix = 16;

    SigCmdParam(uint32_t id, const String& invoke_prefix);
    virtual ~SigCmdParam() = default;
    virtual SigCmdParam* Duplicate() const = 0;

    uint32_t mCmdId;
    String mInvokePrefix;
    String mSeq;  // set by QueueCommand

protected:
    SigCmdParam(const SigCmdParam&) = default;
    SigCmdParam& operator=(const SigCmdParam&) = default;
};

template <typename Derived, uint32_t Id>
class SigCmdOf : public SigCmdParam {
public:
    static constexpr uint32_t kId = Id;
    explicit SigCmdOf(const String& invoke_prefix = String("0")) : SigCmdParam(Id, invoke_prefix) {}
    SigCmdParam* Duplicate() const override { return new Derived(static_cast<const Derived&>(*this)); }
};

class SigCmdConnParam : public SigCmdOf<SigCmdConnParam, 10010> {
public:
    using SigCmdOf::SigCmdOf;
    String mStreamUrl;
    uint32_t mValue = 0;
};

class SigCmdDisconnParam : public SigCmdOf<SigCmdDisconnParam, 10011> {
public:
    using SigCmdOf::SigCmdOf;
};

struct PublishAudioTrack {
    String msid;
    uint32_t ssrc = 0;
    int32_t payloadType = 0;
    int32_t codec = 0;
    int32_t sampleRate = 0;  // RTP clock rate
    int32_t channels = 0;
    bool red = false;
    std::vector<uint8_t> codecConfig;  // AAC audio-specific configuration, when present
};

struct PublishVideoTrack {
    String msid;
    uint32_t ssrc = 0;
    int32_t payloadType = 0;
    int32_t codec = 0;
};

class SigCmdPublishParam : public SigCmdOf<SigCmdPublishParam, 10100> {
public:
    using SigCmdOf::SigCmdOf;
    String mStreamUrl;
    int32_t mValue = 0;  // the configuration's default-name selector
    std::vector<PublishAudioTrack> mAudio;
    std::vector<PublishVideoTrack> mVideo;
    bool mWantAudio = true;
    bool mWantVideo = true;
};

struct SubscribeTrack {
    String msid;
};

class SigCmdSubscribeParam : public SigCmdOf<SigCmdSubscribeParam, 10200> {
public:
    using SigCmdOf::SigCmdOf;
    String mStreamUrl;
    std::vector<SubscribeTrack> mAudio;
    std::vector<SubscribeTrack> mVideo;
};

// Command of an msid update: 0 add, 1 delete, 2 update.
struct MsidCommand {
    int32_t cmd = 0;
    String msid;
};

class SigCmdSubscribeUpdateParam : public SigCmdOf<SigCmdSubscribeUpdateParam, 10201> {
public:
    using SigCmdOf::SigCmdOf;
    String mStreamUrl;
    std::vector<MsidCommand> mCommands;
};

class SigCmdStopParam : public SigCmdOf<SigCmdStopParam, 10300> {
public:
    using SigCmdOf::SigCmdOf;
    String mStreamUrl;
};

}  // namespace zeqmcdn
