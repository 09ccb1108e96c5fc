// The statistics reports: exact texts from known tables, where each value is read from, per-second
// and kbps arithmetic, missing values, clamping, and the reset of the interval counters.
#include "api/SessionReports.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "store/db_helpers.h"

namespace {

using NetBit::DatabaseManager;
using NetBit::DbTableLock;
using Pairs = std::vector<std::pair<std::string, std::string>>;

constexpr bool kState = true;
constexpr bool kCounter = false;

void Fill(DatabaseManager* db, uint32_t uid, bool bank, const Pairs& values) {
    DbTableLock table(db, uid, bank);
    ASSERT_TRUE(table);
    for (const auto& kv : values) db_update(db, table.get(), kv.first, kv.second);
}

std::string Get(DatabaseManager* db, uint32_t uid, bool bank, const std::string& key) {
    DbTableLock table(db, uid, bank);
    return db_query(db, table.get(), key, "<missing>");
}

// The "key:value" fields of a report, in order.
Pairs Fields(const std::string& report) {
    Pairs out;
    size_t pos = 0;
    while (pos < report.size()) {
        size_t end = report.find(',', pos);
        if (end == std::string::npos) end = report.size();
        const std::string field = report.substr(pos, end - pos);
        const size_t colon = field.find(':');
        out.emplace_back(field.substr(0, colon), colon == std::string::npos ? "" : field.substr(colon + 1));
        pos = end + 1;
    }
    return out;
}

std::string Field(const std::string& report, const std::string& key) {
    for (const auto& kv : Fields(report))
        if (kv.first == key) return kv.second;
    return "<absent>";
}

class PublishReport : public ::testing::Test {
protected:
    void SetUp() override {
        db_create(&mDb, 0);
        db_create(&mDb, 1);
        Fill(&mDb, 1, kState,
             {{"stable_target_rate_bps", "1500000"}, {"round_trip_time", "45"}, {"recovery_loss_rate", "0.020000"},
              {"loss_rate", "0.250000"}, {"loss_bwe_rate_bps", "1600000"}, {"delay_bwe_rate_bps", "1400000"},
              {"link_capacity_rate_bps", "2000000"}, {"ack_rate_bps", "1200000"}, {"remote_video_bps", "900000"},
              {"audio_send_rate_bps", "64000"}, {"video_send_rate_bps", "1100000"}, {"lost_twcc_rtp_count", "7"},
              {"have_video", "true"}, {"video_codec_type", "1"}, {"video_loss_rate", "0.100000"},
              {"frame_interval_avg", "33"}, {"frame_interval_max", "50"}, {"frame_interval_min", "20"},
              {"have_audio", "1"}, {"audio_codec_type", "2"}, {"audio_loss_rate", "0.050000"}});
        Fill(&mDb, 1, kCounter,
             {{"video_in_bytes", "250000"}, {"video_resend_bytes", "5000"}, {"video_out_bytes", "262500"},
              {"video_nack_count", "30"}, {"audio_in_bytes", "8000"}, {"audio_resend_bytes", "500"},
              {"audio_out_bytes", "9000"}, {"audio_nack_count", "4"}, {"padding_rate_bps", "2500"}});
    }
    DatabaseManager mDb;
};

TEST_F(PublishReport, FullReportText) {
    // E = 2000 ms: kbps = bytes * 8 / 2000, per second = count * 1000 / 2000, padding bps = bytes * 8000 / 2000.
    EXPECT_EQ(zeqnet::BuildPublishReport(&mDb, 1, 2000, 123456),
              "id:1,stableTargetRateBps:1500000,rtt:45,recoveryLostRate:2,lostrate:25,vc:1,vidkbpsin:1000,"
              "vidResendKbps:20,vidkbpsout:1050,vidnackpersec:15,videolossrate:10,vidAvgInterval:33,"
              "vidMaxInterval:50,vidMinInterval:20,ac:2,audkbpsin:32,audResendKbps:2,audkbpsout:36,"
              "audnackpersec:2,audiolossrate:5,ltm:123456,lossBweRateBps:1600000,delayBweRateBps:1400000,"
              "linkCapacityRateBps:2000000,ackRateBps:1200000,remoteVideoBps:900000,paddingRateBps:10000,"
              "audioSendRateBps:64000,videoSendRateBps:1100000,lostTwccRtpCount:7,");
}

TEST_F(PublishReport, ResetsTheIntervalCountersAndKeepsTheState) {
    const std::string first = zeqnet::BuildPublishReport(&mDb, 1, 1000, 0);
    EXPECT_EQ(Field(first, "vidkbpsout"), "2100");
    // The counters keep their keys with "0"; the state values stay.
    EXPECT_EQ(Get(&mDb, 1, kCounter, "video_out_bytes"), "0");
    EXPECT_EQ(Get(&mDb, 1, kCounter, "padding_rate_bps"), "0");
    EXPECT_EQ(Get(&mDb, 1, kState, "stable_target_rate_bps"), "1500000");

    // What is counted after the reset lands in the next report, and only that.
    {
        DbTableLock table(&mDb, 1, kCounter);
        db_counter_inc(&mDb, table.get(), "video_out_bytes", 125);
    }
    const std::string second = zeqnet::BuildPublishReport(&mDb, 1, 1000, 1000);
    EXPECT_EQ(Field(second, "vidkbpsout"), "1");
    EXPECT_EQ(Field(second, "vidkbpsin"), "0");
    EXPECT_EQ(Field(second, "paddingRateBps"), "0");
    EXPECT_EQ(Field(second, "stableTargetRateBps"), "1500000");
    EXPECT_EQ(Field(second, "ltm"), "1000");
}

TEST_F(PublishReport, TrackFieldsReadZeroWithoutThatTrack) {
    Fill(&mDb, 1, kState, {{"have_video", "false"}, {"have_audio", "0"}});
    const std::string report = zeqnet::BuildPublishReport(&mDb, 1, 1000, 0);
    for (const char* key : {"vc", "vidkbpsin", "vidResendKbps", "vidkbpsout", "vidnackpersec", "videolossrate",
                            "vidAvgInterval", "vidMaxInterval", "vidMinInterval", "ac", "audkbpsin",
                            "audResendKbps", "audkbpsout", "audnackpersec", "audiolossrate"})
        EXPECT_EQ(Field(report, key), "0") << key;
    // Session-wide figures do not depend on the tracks.
    EXPECT_EQ(Field(report, "stableTargetRateBps"), "1500000");
    EXPECT_EQ(Field(report, "paddingRateBps"), "20000");
    EXPECT_EQ(Get(&mDb, 1, kCounter, "video_out_bytes"), "0");
}

TEST_F(PublishReport, ZeroIntervalGivesZeroRatesAndStillResets) {
    const std::string report = zeqnet::BuildPublishReport(&mDb, 1, 0, 0);
    for (const char* key : {"vidkbpsin", "vidkbpsout", "vidnackpersec", "audkbpsin", "audnackpersec", "paddingRateBps"})
        EXPECT_EQ(Field(report, key), "0") << key;
    EXPECT_EQ(Field(report, "rtt"), "45");
    EXPECT_EQ(Get(&mDb, 1, kCounter, "video_in_bytes"), "0");
    EXPECT_EQ(Field(zeqnet::BuildPublishReport(&mDb, 1, -5, 0), "vidkbpsin"), "0");
}

TEST_F(PublishReport, StoredTextsReadSafely) {
    struct Case {
        bool bank;
        const char* key;
        const char* stored;
        const char* field;
        const char* expected;
    };
    const Case cases[] = {
        {kState, "stable_target_rate_bps", "-1", "stableTargetRateBps", "-1"},  // the estimator's "not yet"
        {kState, "round_trip_time", "abc", "rtt", "0"},
        {kState, "round_trip_time", "", "rtt", "0"},
        {kState, "ack_rate_bps", "99999999999999999999999", "ackRateBps", "9223372036854775807"},
        {kState, "video_codec_type", "-3", "vc", "0"},                    // %u field: clamped, not wrapped
        {kState, "frame_interval_max", "99999999999", "vidMaxInterval", "4294967295"},
        {kState, "loss_rate", "1.5", "lostrate", "100"},
        {kState, "loss_rate", "-0.2", "lostrate", "0"},
        {kState, "loss_rate", "nan", "lostrate", "0"},
        {kState, "video_loss_rate", "0.004", "videolossrate", "0"},
        {kCounter, "video_in_bytes", "-100", "vidkbpsin", "0"},            // a negative count is no rate
        {kCounter, "video_out_bytes", "9223372036854775807", "vidkbpsout", "9223372036854775807"},
    };
    for (const Case& c : cases) {
        Fill(&mDb, 1, c.bank, {{c.key, c.stored}});
        EXPECT_EQ(Field(zeqnet::BuildPublishReport(&mDb, 1, 1, 0), c.field), c.expected) << c.key << "=" << c.stored;
    }
}

TEST(PublishReportMissing, NoDatabaseOrNoTableReadsZero) {
    const std::string zeros =
        "id:3,stableTargetRateBps:0,rtt:0,recoveryLostRate:0,lostrate:0,vc:0,vidkbpsin:0,vidResendKbps:0,"
        "vidkbpsout:0,vidnackpersec:0,videolossrate:0,vidAvgInterval:0,vidMaxInterval:0,vidMinInterval:0,ac:0,"
        "audkbpsin:0,audResendKbps:0,audkbpsout:0,audnackpersec:0,audiolossrate:0,ltm:77,lossBweRateBps:0,"
        "delayBweRateBps:0,linkCapacityRateBps:0,ackRateBps:0,remoteVideoBps:0,paddingRateBps:0,"
        "audioSendRateBps:0,videoSendRateBps:0,lostTwccRtpCount:0,";
    EXPECT_EQ(zeqnet::BuildPublishReport(nullptr, 3, 1000, 77), zeros);
    DatabaseManager db;
    db_create(&db, 0);
    EXPECT_EQ(zeqnet::BuildPublishReport(&db, 3, 1000, 77), zeros);
}

class SubscribeReports : public ::testing::Test {
protected:
    void SetUp() override {
        db_create(&mDb, 0);
        db_create(&mDb, kUid);
        Fill(&mDb, kUid, kState,
             {{"have_video", "true"}, {"video_codec_type", "2"}, {"video_width", "1280"}, {"video_height", "720"},
              {"gop", "2000"}, {"have_audio", "true"}, {"audio_codec_type", "2"}, {"audio_channels", "2"},
              {"audio_samplerate", "48000"}, {"max_audio_pkt_arrive_wait", "120"}, {"jitterbuffer_length", "300"},
              {"vjb_length", "250"}, {"va_latency_avg", "15"}, {"va_latency_max", "40"}, {"va_latency_min", "-10"},
              {"vjb_target_delay", "400"}, {"vjb_delay_by_network", "100"}, {"vjb_delay_by_jitter", "80"},
              {"vjb_multi_by_freeze", "2"}, {"vjb_loss_precent", "3"}, {"vjb_min_rtt", "20"},
              {"vjb_max_rtt", "90"}, {"rtt", "35"}, {"user_get_frames", "5000"}, {"video_pts", "100000"},
              {"video_ext_pts", "4395067296"}, {"audio_pts", "99980"}, {"audio_ext_pts", "4395067276"}});
        Fill(&mDb, kUid, kCounter,
             {{"video_keyframe_count", "1"}, {"video_receive_byte_count", "500000"},
              {"video_packet_lost_count", "6"}, {"video_received_pkt_count", "600"},
              {"video_received_frame_count", "60"}, {"video_nack_count", "10"}, {"video_out_frame_count", "58"},
              {"play_read_av_cnt", "200"}, {"audio_receive_byte_count", "16000"},
              {"audio_packet_lost_count", "2"}, {"audio_received_pkt_count", "100"}, {"audio_nack_count", "2"},
              {"audio_jb_underrun", "3"}, {"audio_out_frame_count", "100"}});
        mQueues.jankMs = 250;
        mQueues.jankTimes = 2;
        mQueues.audioQueueMs = 120;
        mQueues.videoQueueMs = 160;
    }
    static constexpr uint32_t kUid = 1001;
    DatabaseManager mDb;
    zeqnet::UserQueueFigures mQueues;
};

TEST_F(SubscribeReports, FullLongAndShortForms) {
    std::string longForm;
    std::string shortForm;
    zeqnet::BuildSubscribeReports(&mDb, kUid, mQueues, 2000, 987654321, 987652321, true, &longForm, &shortForm);
    EXPECT_EQ(longForm,
              "ts:987654321,id:1001,haveVideo:1,videoCodecType:2,width:1280,height:720,receivedKeyFramePerSec:0.50,"
              "receivedVideoKbps:2000,videoPktLostPerSec:3,receivedVideoPktPerSec:300,receivedVideoFramePerSec:30,"
              "videoNackPerSec:5,videoOutFps:29,haveAudio:1,channels:2,sampleRate:48000,codecType:2,"
              "receivedAudioKbps:64,audioPktLostPerSec:1,receivedAudioPktPerSec:50,audioNackPerSec:1,audioOutFps:50,"
              "audioJbUnderrun:3,maxAudioRtpWait:120,cacheDuration:300,vjbDuration:250,jank:250,jankTimes:2,"
              "vaLatencyAvg:15,vaLatencyMax:40,vaLatencyMin:-10,audioQueueDuration:120,videoQueueDuration:160,"
              "enable_dynamic_jitter_buffer:1,vjb_target_delay:400,vjb_delay_by_network:100,vjb_delay_by_jitter:80,"
              "vjb_multi_by_freeze:2,vjb_loss_precent:3,vjb_min_rtt:20,vjb_max_rtt:90,rtt:35,user_get_frames:5000,"
              "video_pts:100000,video_ext_pts:4395067296,audio_pts:99980,audio_ext_pts:4395067276,"
              "timeInterval:2000");
    EXPECT_EQ(shortForm,
              "id:1001,vc:2,w:1280,h:720,gop:2000,fps:30,vbps:2000,vloss:3,vnack:5,ac:2,sr:48000,ch:2,abps:64,"
              "aloss:1,anack:1,jb:300,vjb:250,aql:120,vql:160,latavg:15,latmax:40,latmin:-10,jnk:250,jnkt:2,"
              "aofps:50,vofps:29,prfps:100,jbt:400,jbtn:100,jbtj:80,jbtm:2,jbloss:3,jbsrtt:20,jblrtt:90,rtt:35,"
              "ugf:5000,vpts:100000,vepts:4395067296,apts:99980,aepts:4395067276,inr:2000,ltm:987652321,");
}

TEST_F(SubscribeReports, ResetsTheIntervalCountersAndKeepsTheState) {
    std::string longForm;
    std::string shortForm;
    zeqnet::BuildSubscribeReports(&mDb, kUid, mQueues, 1000, 5000, 4000, false, &longForm, &shortForm);
    EXPECT_EQ(Field(longForm, "videoOutFps"), "58");
    EXPECT_EQ(Field(longForm, "enable_dynamic_jitter_buffer"), "0");
    EXPECT_EQ(Get(&mDb, kUid, kCounter, "video_out_frame_count"), "0");
    EXPECT_EQ(Get(&mDb, kUid, kState, "video_width"), "1280");

    zeqnet::BuildSubscribeReports(&mDb, kUid, zeqnet::UserQueueFigures{}, 1000, 6000, 5000, false, &longForm,
                                  &shortForm);
    for (const char* key : {"receivedVideoKbps", "videoOutFps", "audioOutFps", "audioJbUnderrun", "jank"})
        EXPECT_EQ(Field(longForm, key), "0") << key;
    EXPECT_EQ(Field(longForm, "receivedKeyFramePerSec"), "0.00");
    EXPECT_EQ(Field(shortForm, "prfps"), "0");
    EXPECT_EQ(Field(shortForm, "w"), "1280");
    EXPECT_EQ(Field(shortForm, "ugf"), "5000");
}

TEST_F(SubscribeReports, EitherFormMayBeLeftOut) {
    std::string shortForm;
    zeqnet::BuildSubscribeReports(&mDb, kUid, mQueues, 1000, 1, 0, true, nullptr, &shortForm);
    EXPECT_EQ(Field(shortForm, "fps"), "60");
    zeqnet::BuildSubscribeReports(&mDb, kUid, mQueues, 1000, 1, 0, true, nullptr, nullptr);
}

TEST_F(SubscribeReports, MissingValuesAndZeroIntervalReadZero) {
    std::string fullLong;
    std::string fullShort;
    zeqnet::BuildSubscribeReports(&mDb, kUid, mQueues, 1000, 1, 0, true, &fullLong, &fullShort);

    // A user without tables (and no database at all), an empty interval, no queues: every field is 0,
    // and the fields are the same ones in the same order.
    DatabaseManager empty;
    for (DatabaseManager* db : {&empty, static_cast<DatabaseManager*>(nullptr)}) {
        std::string longForm;
        std::string shortForm;
        zeqnet::BuildSubscribeReports(db, kUid, zeqnet::UserQueueFigures{}, 0, 0, 0, false, &longForm, &shortForm);
        const Pairs longFields = Fields(longForm);
        const Pairs shortFields = Fields(shortForm);
        const Pairs fullLongFields = Fields(fullLong);
        const Pairs fullShortFields = Fields(fullShort);
        ASSERT_EQ(longFields.size(), fullLongFields.size());
        ASSERT_EQ(shortFields.size(), fullShortFields.size());
        for (size_t i = 0; i < longFields.size(); ++i) {
            EXPECT_EQ(longFields[i].first, fullLongFields[i].first);
            if (longFields[i].first == "id") continue;
            const std::string zero = longFields[i].first == "receivedKeyFramePerSec" ? "0.00" : "0";
            EXPECT_EQ(longFields[i].second, zero) << longFields[i].first;
        }
        for (size_t i = 0; i < shortFields.size(); ++i) {
            EXPECT_EQ(shortFields[i].first, fullShortFields[i].first);
            if (shortFields[i].first == "id" || shortFields[i].first.empty()) continue;  // the trailing ','
            EXPECT_EQ(shortFields[i].second, "0") << shortFields[i].first;
        }
    }
}

}  // namespace
