#include "api/SessionReports.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "store/DataDiction.h"
#include "store/db_helpers.h"

namespace zeqnet {
namespace {

// One user's tables as a report sees them: a copy of the state table and of the counters of the
// interval that just ended (the live counters are back at 0 once this is taken).
struct UserTables {
    NetBit::DataDiction state;
    NetBit::DataDiction counters;
};

UserTables TakeUserTables(NetBit::DatabaseManager* db, uint32_t uid) {
    UserTables t;
    {
        NetBit::DbTableLock lock(db, uid, true);
        if (lock) {
            if (const NetBit::DataDiction* table = db->GetTable(lock.get())) t.state = *table;
        }
    }
    {
        // Copy and reset under the same hold of the bank: an increment lands either in this
        // report or in the next one.
        NetBit::DbTableLock lock(db, uid, false);
        if (lock) {
            if (const NetBit::DataDiction* table = db->GetTable(lock.get())) t.counters = *table;
            db_reset(db, lock.get());
        }
    }
    return t;
}

// A stored value as an integer: "true"/"false" as 1/0, otherwise the leading base-10 number (0 when
// missing or not a number; beyond int64 it saturates).
int64_t IntOf(const NetBit::DataDiction& table, const char* key) {
    const std::string text = table.Query(key, "");
    if (text == "true") return 1;
    if (text == "false") return 0;
    return std::strtoll(text.c_str(), nullptr, 10);
}

bool FlagOf(const NetBit::DataDiction& table, const char* key) { return IntOf(table, key) != 0; }

// A stored fraction (0..1) as whole percent, rounded; out-of-range or unreadable values are
// clamped to 0..100.
unsigned PercentOf(const NetBit::DataDiction& table, const char* key) {
    const std::string text = table.Query(key, "");
    double fraction = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(fraction) || fraction < 0) fraction = 0;
    if (fraction > 1) fraction = 1;
    return static_cast<unsigned>(std::lround(fraction * 100));
}

// count * factor / elapsed without overflow; 0 for an empty interval or a count that is not positive.
int64_t Scaled(int64_t count, int64_t factor, int64_t elapsedMs) {
    if (elapsedMs <= 0 || count <= 0) return 0;
    const __int128 v = static_cast<__int128>(count) * factor / elapsedMs;
    return v > std::numeric_limits<int64_t>::max() ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(v);
}
int64_t PerSecond(int64_t count, int64_t elapsedMs) { return Scaled(count, 1000, elapsedMs); }
int64_t Kbps(int64_t bytes, int64_t elapsedMs) { return Scaled(bytes, 8, elapsedMs); }
int64_t Bps(int64_t bytes, int64_t elapsedMs) { return Scaled(bytes, 8000, elapsedMs); }

// The report texts' field types, with out-of-range values clamped rather than wrapped.
unsigned U32(int64_t v) {
    if (v < 0) return 0;
    return v > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max() : static_cast<unsigned>(v);
}
int I32(int64_t v) {
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int>(v);
}
long long LL(int64_t v) { return static_cast<long long>(v); }
unsigned long long ULL(int64_t v) { return v < 0 ? 0ULL : static_cast<unsigned long long>(v); }

__attribute__((format(printf, 1, 2))) std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, args);
    va_end(args);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(&out[0], out.size(), fmt, again);
        out.resize(static_cast<size_t>(n));
    }
    va_end(again);
    return out;
}

}  // namespace

std::string BuildPublishReport(NetBit::DatabaseManager* db, uint32_t uid, int64_t elapsedMs, int64_t lastCollectMs) {
    const UserTables t = TakeUserTables(db, uid);
    const NetBit::DataDiction& s = t.state;
    const NetBit::DataDiction& c = t.counters;
    const int64_t e = elapsedMs;

    // Without a published track its fields stay 0, whatever is left in the tables.
    const bool video = FlagOf(s, "have_video");
    const bool audio = FlagOf(s, "have_audio");
    auto onlyVideo = [video](int64_t v) { return video ? v : 0; };
    auto onlyAudio = [audio](int64_t v) { return audio ? v : 0; };

    return Format(
        "id:%u,"
        "stableTargetRateBps:%lld,"
        "rtt:%lld,"
        "recoveryLostRate:%u,"
        "lostrate:%u,"
        "vc:%u,"
        "vidkbpsin:%llu,"
        "vidResendKbps:%lld,"
        "vidkbpsout:%lld,"
        "vidnackpersec:%lld,"
        "videolossrate:%u,"
        "vidAvgInterval:%u,"
        "vidMaxInterval:%u,"
        "vidMinInterval:%u,"
        "ac:%u,"
        "audkbpsin:%llu,"
        "audResendKbps:%lld,"
        "audkbpsout:%lld,"
        "audnackpersec:%lld,"
        "audiolossrate:%u,"
        "ltm:%lld,"
        "lossBweRateBps:%lld,"
        "delayBweRateBps:%lld,"
        "linkCapacityRateBps:%lld,"
        "ackRateBps:%lld,"
        "remoteVideoBps:%lld,"
        "paddingRateBps:%lld,"
        "audioSendRateBps:%lld,"
        "videoSendRateBps:%lld,"
        "lostTwccRtpCount:%lld,",
        uid, LL(IntOf(s, "stable_target_rate_bps")), LL(IntOf(s, "round_trip_time")),
        PercentOf(s, "recovery_loss_rate"), PercentOf(s, "loss_rate"),
        U32(onlyVideo(IntOf(s, "video_codec_type"))),
        ULL(onlyVideo(Kbps(IntOf(c, "video_in_bytes"), e))),
        LL(onlyVideo(Kbps(IntOf(c, "video_resend_bytes"), e))),
        LL(onlyVideo(Kbps(IntOf(c, "video_out_bytes"), e))),
        LL(onlyVideo(PerSecond(IntOf(c, "video_nack_count"), e))),
        video ? PercentOf(s, "video_loss_rate") : 0U,
        U32(onlyVideo(IntOf(s, "frame_interval_avg"))), U32(onlyVideo(IntOf(s, "frame_interval_max"))),
        U32(onlyVideo(IntOf(s, "frame_interval_min"))),
        U32(onlyAudio(IntOf(s, "audio_codec_type"))),
        ULL(onlyAudio(Kbps(IntOf(c, "audio_in_bytes"), e))),
        LL(onlyAudio(Kbps(IntOf(c, "audio_resend_bytes"), e))),
        LL(onlyAudio(Kbps(IntOf(c, "audio_out_bytes"), e))),
        LL(onlyAudio(PerSecond(IntOf(c, "audio_nack_count"), e))),
        audio ? PercentOf(s, "audio_loss_rate") : 0U,
        LL(lastCollectMs), LL(IntOf(s, "loss_bwe_rate_bps")), LL(IntOf(s, "delay_bwe_rate_bps")),
        LL(IntOf(s, "link_capacity_rate_bps")), LL(IntOf(s, "ack_rate_bps")), LL(IntOf(s, "remote_video_bps")),
        LL(Bps(IntOf(c, "padding_rate_bps"), e)), LL(IntOf(s, "audio_send_rate_bps")),
        LL(IntOf(s, "video_send_rate_bps")), LL(IntOf(s, "lost_twcc_rtp_count")));
}

void BuildSubscribeReports(NetBit::DatabaseManager* db, uint32_t uid, const UserQueueFigures& q, int64_t elapsedMs,
                           int64_t nowMs, int64_t lastCollectMs, bool dynamicJitterBuffer, std::string* longForm,
                           std::string* shortForm) {
    const UserTables t = TakeUserTables(db, uid);
    const NetBit::DataDiction& s = t.state;
    const NetBit::DataDiction& c = t.counters;
    const int64_t e = elapsedMs;

    const int haveVideo = FlagOf(s, "have_video") ? 1 : 0;
    const unsigned videoCodec = U32(IntOf(s, "video_codec_type"));
    const unsigned width = U32(IntOf(s, "video_width"));
    const unsigned height = U32(IntOf(s, "video_height"));
    const unsigned gop = U32(IntOf(s, "gop"));
    const int64_t keyFrames = IntOf(c, "video_keyframe_count");
    const double keyFramesPerSec = (e > 0 && keyFrames > 0) ? static_cast<double>(keyFrames) * 1000.0 / static_cast<double>(e) : 0.0;
    const unsigned videoKbps = U32(Kbps(IntOf(c, "video_receive_byte_count"), e));
    const int64_t videoLostPerSec = PerSecond(IntOf(c, "video_packet_lost_count"), e);
    const int64_t videoPktPerSec = PerSecond(IntOf(c, "video_received_pkt_count"), e);
    const int64_t videoFramePerSec = PerSecond(IntOf(c, "video_received_frame_count"), e);
    const int64_t videoNackPerSec = PerSecond(IntOf(c, "video_nack_count"), e);
    const unsigned videoOutFps = U32(PerSecond(IntOf(c, "video_out_frame_count"), e));
    const unsigned playReadFps = U32(PerSecond(IntOf(c, "play_read_av_cnt"), e));

    const int haveAudio = FlagOf(s, "have_audio") ? 1 : 0;
    const unsigned audioCodec = U32(IntOf(s, "audio_codec_type"));
    const unsigned channels = U32(IntOf(s, "audio_channels"));
    const unsigned sampleRate = U32(IntOf(s, "audio_samplerate"));
    const unsigned audioKbps = U32(Kbps(IntOf(c, "audio_receive_byte_count"), e));
    const int64_t audioLostPerSec = PerSecond(IntOf(c, "audio_packet_lost_count"), e);
    const int64_t audioPktPerSec = PerSecond(IntOf(c, "audio_received_pkt_count"), e);
    const int64_t audioNackPerSec = PerSecond(IntOf(c, "audio_nack_count"), e);
    const unsigned audioJbUnderrun = U32(IntOf(c, "audio_jb_underrun"));
    const int64_t maxAudioWait = IntOf(s, "max_audio_pkt_arrive_wait");
    const unsigned audioOutFps = U32(PerSecond(IntOf(c, "audio_out_frame_count"), e));

    // The audio jitter buffer's current delay and the video jitter buffer's duration.
    const int64_t cacheDuration = IntOf(s, "jitterbuffer_length");
    const int64_t vjbDuration = IntOf(s, "vjb_length");
    const int64_t latAvg = IntOf(s, "va_latency_avg");
    const int64_t latMax = IntOf(s, "va_latency_max");
    const int64_t latMin = IntOf(s, "va_latency_min");
    const int64_t vjbTarget = IntOf(s, "vjb_target_delay");
    const int64_t vjbByNetwork = IntOf(s, "vjb_delay_by_network");
    const int64_t vjbByJitter = IntOf(s, "vjb_delay_by_jitter");
    const int64_t vjbByFreeze = IntOf(s, "vjb_multi_by_freeze");
    const int64_t vjbLoss = IntOf(s, "vjb_loss_precent");
    const int64_t vjbMinRtt = IntOf(s, "vjb_min_rtt");
    const int64_t vjbMaxRtt = IntOf(s, "vjb_max_rtt");
    const int rtt = I32(IntOf(s, "rtt"));
    const int64_t userGetFrames = IntOf(s, "user_get_frames");
    const int64_t videoPts = IntOf(s, "video_pts");
    const int64_t videoExtPts = IntOf(s, "video_ext_pts");
    const int64_t audioPts = IntOf(s, "audio_pts");
    const int64_t audioExtPts = IntOf(s, "audio_ext_pts");

    if (longForm) {
        *longForm = Format(
            "ts:%llu,id:%u,haveVideo:%d,videoCodecType:%u,width:%u,height:%u,receivedKeyFramePerSec:%.2f,"
            "receivedVideoKbps:%u,videoPktLostPerSec:%lld,receivedVideoPktPerSec:%llu,receivedVideoFramePerSec:%llu,"
            "videoNackPerSec:%llu,videoOutFps:%u,haveAudio:%d,channels:%u,sampleRate:%u,codecType:%u,"
            "receivedAudioKbps:%u,audioPktLostPerSec:%llu,receivedAudioPktPerSec:%llu,audioNackPerSec:%llu,"
            "audioOutFps:%u,audioJbUnderrun:%u,maxAudioRtpWait:%lld,cacheDuration:%lld,vjbDuration:%lld,jank:%lld,"
            "jankTimes:%d,vaLatencyAvg:%lld,vaLatencyMax:%lld,vaLatencyMin:%lld,audioQueueDuration:%lld,"
            "videoQueueDuration:%lld,enable_dynamic_jitter_buffer:%d,vjb_target_delay:%d,vjb_delay_by_network:%d,"
            "vjb_delay_by_jitter:%d,vjb_multi_by_freeze:%d,vjb_loss_precent:%d,vjb_min_rtt:%d,vjb_max_rtt:%d,rtt:%d,"
            "user_get_frames:%lld,video_pts:%lld,video_ext_pts:%lld,audio_pts:%lld,audio_ext_pts:%lld,"
            "timeInterval:%lld",
            ULL(nowMs), uid, haveVideo, videoCodec, width, height, keyFramesPerSec, videoKbps, LL(videoLostPerSec),
            ULL(videoPktPerSec), ULL(videoFramePerSec), ULL(videoNackPerSec), videoOutFps, haveAudio, channels,
            sampleRate, audioCodec, audioKbps, ULL(audioLostPerSec), ULL(audioPktPerSec), ULL(audioNackPerSec),
            audioOutFps, audioJbUnderrun, LL(maxAudioWait), LL(cacheDuration), LL(vjbDuration), LL(q.jankMs),
            static_cast<int>(q.jankTimes), LL(latAvg), LL(latMax), LL(latMin), LL(q.audioQueueMs), LL(q.videoQueueMs),
            dynamicJitterBuffer ? 1 : 0, I32(vjbTarget), I32(vjbByNetwork), I32(vjbByJitter), I32(vjbByFreeze),
            I32(vjbLoss), I32(vjbMinRtt), I32(vjbMaxRtt), rtt, LL(userGetFrames), LL(videoPts), LL(videoExtPts),
            LL(audioPts), LL(audioExtPts), LL(elapsedMs));
    }
    if (shortForm) {
        *shortForm = Format(
            "id:%u,"
            "vc:%u,"
            "w:%u,"
            "h:%u,"
            "gop:%u,"
            "fps:%llu,"
            "vbps:%u,"
            "vloss:%lld,"
            "vnack:%llu,"
            "ac:%u,"
            "sr:%u,"
            "ch:%u,"
            "abps:%u,"
            "aloss:%lld,"
            "anack:%llu,"
            "jb:%lld,"
            "vjb:%lld,"
            "aql:%lld,"
            "vql:%lld,"
            "latavg:%lld,"
            "latmax:%lld,"
            "latmin:%lld,"
            "jnk:%lld,"
            "jnkt:%d,"
            "aofps:%u,"
            "vofps:%u,"
            "prfps:%u,"
            "jbt:%u,"
            "jbtn:%u,"
            "jbtj:%u,"
            "jbtm:%u,"
            "jbloss:%u,"
            "jbsrtt:%u,"
            "jblrtt:%u,"
            "rtt:%d,"
            "ugf:%lld,"
            "vpts:%lld,"
            "vepts:%lld,"
            "apts:%lld,"
            "aepts:%lld,"
            "inr:%lld,"
            "ltm:%lld,",
            uid, videoCodec, width, height, gop, ULL(videoFramePerSec), videoKbps, LL(videoLostPerSec),
            ULL(videoNackPerSec), audioCodec, sampleRate, channels, audioKbps, LL(audioLostPerSec),
            ULL(audioNackPerSec), LL(cacheDuration), LL(vjbDuration), LL(q.audioQueueMs), LL(q.videoQueueMs),
            LL(latAvg), LL(latMax), LL(latMin), LL(q.jankMs), static_cast<int>(q.jankTimes), audioOutFps,
            videoOutFps, playReadFps, U32(vjbTarget), U32(vjbByNetwork), U32(vjbByJitter), U32(vjbByFreeze),
            U32(vjbLoss), U32(vjbMinRtt), U32(vjbMaxRtt), rtt, LL(userGetFrames), LL(videoPts), LL(videoExtPts),
            LL(audioPts), LL(audioExtPts), LL(elapsedMs), LL(lastCollectMs));
    }
}

}  // namespace zeqnet
