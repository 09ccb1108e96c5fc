// The connection interface on opened handles: the context builder, message routing to the
// player, the runtime controls and ioctl commands that need a session, destruction.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "api/ConnHandle.h"
#include "api/McdnContext1.h"
#include "api/MessageRouting.h"
#include "api/ProcessDefaults.h"
#include "api/ZeqNetConnManager.h"
#include "store/DatabaseManager.h"
#include "store/db_helpers.h"
#include "vrio/osal.h"
#include "vrio/version.h"
#include "vrio/zeq_net_api.h"

namespace {

// No network needed: the edge address is given and the handshake is off, so the session is
// connected as soon as it starts.
constexpr const char* kUrl = "zrtc://edge.test/live/s?x=1@sfu_ip=127.0.0.1&sfu_port=9&cookie=no";

struct Player {
    std::mutex m;
    std::vector<std::pair<int, std::string>> messages;

    static int OnMessage(void* user, int code, const char* text, long long length) {
        auto* self = static_cast<Player*>(user);
        EXPECT_EQ(static_cast<size_t>(length), std::strlen(text) + 1);
        std::lock_guard<std::mutex> guard(self->m);
        self->messages.emplace_back(code, text);
        return 0;
    }
    std::vector<int> Codes() {
        std::lock_guard<std::mutex> guard(m);
        std::vector<int> codes;
        for (auto& msg : messages) codes.push_back(msg.first);
        return codes;
    }
    std::string TextOf(int code) {
        std::lock_guard<std::mutex> guard(m);
        for (auto& msg : messages)
            if (msg.first == code) return msg.second;
        return "";
    }
};

bool Has(const std::vector<int>& codes, int code) {
    for (int c : codes)
        if (c == code) return true;
    return false;
}

class OpenedHandleTest : public testing::Test {
protected:
    zeq_net_conn* Create() {
        vrio_net_config cfg = zeq_net_get_default_cfg();
        cfg.MessageCallback = &Player::OnMessage;
        cfg.MessageCbParam = &player;
        std::snprintf(cfg.HelpSupportIDPrefix, sizeof(cfg.HelpSupportIDPrefix), "app 1");
        return zeq_net_create_connection(&cfg);
    }
    std::string Table0(zeq_net_conn* h, const char* key) {
        NetBit::DatabaseManager* db = h->ctx->Database();
        NetBit::DbTableLock table0(db, 0, true);
        return db_query(db, table0.get(), key, "<none>");
    }
    Player player;
};

TEST_F(OpenedHandleTest, SubscribeOpenBuildsAStartedSession) {
    zeq_net_conn* h = Create();
    vrio_open_params params{0, kUrl};
    ASSERT_EQ(zeq_net_subscribe_open(h, &params), 1);
    ASSERT_NE(h->ctx, nullptr);
    EXPECT_EQ(zeq_net_subscribe_open(h, &params), -1) << "a second open fails";
    McdnContext1* ctx = h->ctx;
    for (int i = 0; i < 3000 && ctx->GetConnState() != zeqmcdn::MCdnTransport::CONN_CONNECTED; ++i) osal_sleep_ms(1);
    EXPECT_EQ(ctx->GetConnState(), zeqmcdn::MCdnTransport::CONN_CONNECTED);

    const zeqmcdn::CdnSettings s = ctx->GetSetting();
    EXPECT_TRUE(s.edgeAddressGiven);
    EXPECT_STREQ(s.edgeIp, "127.0.0.1");
    EXPECT_STREQ(s.edgePort, "9");
    EXPECT_FALSE(s.connectHandshake);
    const std::string help = Table0(h, "help_support_id");
    EXPECT_EQ(help.rfind("app+1-edge%2Etest-harmony-", 0), 0u) << help;
    EXPECT_EQ(Table0(h, "vu"), kUrl);
    EXPECT_EQ(Table0(h, "os"), "Harmony");
    EXPECT_EQ(Table0(h, "sdk_version"), VRIO_SDK_VERSION);
    EXPECT_EQ(Table0(h, "zeqplayer_vps"), "app 1");
    EXPECT_NE(Table0(h, "start_up_initlialized_ctx"), "<none>");

    const int64_t before = osal_get_time_ms();
    EXPECT_EQ(zeq_net_destroy_connection(h), 0);
    const int64_t took = osal_get_time_ms() - before;
    EXPECT_LT(took, 1000) << "destroy must be quick";
    const std::vector<int> codes = player.Codes();
    EXPECT_TRUE(Has(codes, 100));
    EXPECT_EQ(player.TextOf(100).find("desc=\"trace:" + help + "\""), player.TextOf(100).find("desc=")) << player.TextOf(100);
    EXPECT_TRUE(Has(codes, 120));
    EXPECT_NE(player.TextOf(120).find("entry:all,mode:sub,preconf:{"), std::string::npos);
    EXPECT_TRUE(Has(codes, 123)) << "the stop at destruction";
    ASSERT_TRUE(Has(codes, 121));
    const std::string last = player.TextOf(121);
    EXPECT_EQ(last.rfind("code=121,when=", 0), 0u);
    EXPECT_NE(last.find(",where=na,who=0,desc=\"\""), std::string::npos);
}

TEST_F(OpenedHandleTest, AnotherSchemeFailsTheOpenAndIsNotForwarded) {
    zeq_net_conn* h = Create();
    vrio_open_params params{0, "rtmp://edge.test/live/s"};
    EXPECT_EQ(zeq_net_subscribe_open(h, &params), -1);
    EXPECT_EQ(zeq_net_publish_open(h, &params), -1);
    EXPECT_EQ(h->ctx, nullptr);
    EXPECT_EQ(zeq_net_reload(h), -22) << "still no context";
    EXPECT_EQ(zeq_net_destroy_connection(h), 0);
    EXPECT_FALSE(Has(player.Codes(), 20003));
    EXPECT_FALSE(Has(player.Codes(), 20004));
}

TEST_F(OpenedHandleTest, ControlsAndIoctlCommandsReachTheSession) {
    zeq_net_conn* h = Create();
    vrio_open_params params{0, kUrl};
    ASSERT_EQ(zeq_net_publish_open(h, &params), 0);
    McdnContext1* ctx = h->ctx;

    EXPECT_EQ(zeq_net_set_buffer_duration(h, 1, 5000), 0);
    EXPECT_EQ(ctx->GetSetting().subscribe.bufferingDurationMs, 1000) << "clamped to 100..1000";
    EXPECT_EQ(zeq_net_set_param(h, 0, 2, reinterpret_cast<void*>(intptr_t{50})), 0);
    EXPECT_EQ(ctx->GetSetting().subscribe.bufferingDurationMs, 100);
    EXPECT_EQ(zeq_net_set_infocb_invoke_interval(h, 0, 2500), 0);
    EXPECT_EQ(ctx->GetInfoCallbackInterval(), 2500);
    int64_t interval = 700;
    EXPECT_EQ(zeq_net_ioctl(h, 0, "InfoInterval", &interval), 0);
    EXPECT_EQ(ctx->GetInfoCallbackInterval(), 700);
    EXPECT_EQ(zeq_net_set_aes_key(h, 0, "garbage"), -1);
    EXPECT_EQ(zeq_net_set_param(h, 2, 3, nullptr), -22) << "stream 2";

    char version[128] = {};
    EXPECT_EQ(zeq_net_ioctl(h, 0, "get_version", version), 0);
    EXPECT_STREQ(version, VRIO_SDK_VERSION);
    EXPECT_EQ(zeq_net_ioctl(h, 0, "no_such_command", nullptr), -19);
    EXPECT_EQ(zeq_net_ioctl(h, 3, "get_version", version), -22);
    EXPECT_EQ(zeq_net_ioctl(h, 0, "set_key_value", const_cast<char*>("BufferingDuration=300")), 0);
    EXPECT_EQ(ctx->GetSetting().subscribe.bufferingDurationMs, 300);
    EXPECT_EQ(zeq_net_ioctl(h, 0, "set_key_value", const_cast<char*>("BufferingDuration=x")), -22);
    EXPECT_EQ(zeq_net_ioctl(h, 0, "set_key_value", nullptr), -1);
    EXPECT_EQ(zeq_net_ioctl(h, 0, "skip_avformat_find_stream_info", nullptr),
              static_cast<int>(ctx->GetConfigDataCenter()->GetSkipAvformatFindStreamInfo()));

    {
        NetBit::DatabaseManager* db = ctx->Database();
        db_create(db, ctx->mOpenedUid);
        NetBit::DbTableLock table(db, ctx->mOpenedUid, true);
        db_update(db, table.get(), "node_info", std::string(5000, 'n'));
    }
    std::vector<char> node(4096, 'x');
    EXPECT_EQ(zeq_net_ioctl(h, 0, "get_node_info", node.data()), 0);
    EXPECT_EQ(std::strlen(node.data()), 4095u) << "cut to the buffer";

    vrio_uid_query query{"zrtc://edge.test/live/other", 0};
    EXPECT_EQ(zeq_net_ioctl(h, 0, "get_uid_value", &query), -1) << "no such stream";
    EXPECT_EQ(zeq_net_unsubscribe(h, "zrtc://edge.test/live/other"), -1);
    EXPECT_EQ(zeq_net_ioctl(h, 0, "reload", nullptr), 0);
    for (int i = 0; i < 3000 && ctx->CommandsRun() < 2; ++i) osal_sleep_ms(1);
    EXPECT_EQ(ctx->CommandsRun(), 2u) << "start, then the reload";

    EXPECT_EQ(zeq_net_destroy_connection(h), 0);
    EXPECT_FALSE(Has(player.Codes(), 170)) << "command notes are for telemetry only";
    EXPECT_NE(player.TextOf(123).find("reason:connectionlost"), std::string::npos);
}

TEST_F(OpenedHandleTest, VersionTwoOpenPostsTheOldEntryNote) {
    const vrio_funcs* f = get_vrio_funcs(2);
    ASSERT_EQ(f->set_option("SigTimeoutMs", "4000"), 0);
    void* obj = f->open(kUrl, "r");
    ASSERT_NE(obj, nullptr);
    char version[128] = {};
    EXPECT_EQ(f->ioctl(obj, "get_version", version), 0);
    f->close(obj);
    EXPECT_TRUE(zeqnet::ProcessDefaults::Get().PreconfCache(false).empty()) << "the old-entry note empties it";
    zeqnet::ProcessDefaults::Get().ResetForTesting();
}

TEST(TelemetryRecord, ErrorEventsCarryCodeAndUser) {
    NetBit::DatabaseManager db;
    db_create(&db, 0);
    EXPECT_TRUE(zeqnet::BuildTelemetryRecord(&db, 150, 20011, "code=20011,when=5,where=na,who=3,desc=\"cost:12\"")
                    .empty())
        << "no help-support identifier: nothing is reported";
    {
        NetBit::DbTableLock table0(&db, 0, true);
        db_update(&db, table0.get(), "help_support_id", "hid");
        db_update(&db, table0.get(), "vu", "zrtc://e/l/s");
    }
    zeqmcdn::QlogRecord r =
        zeqnet::BuildTelemetryRecord(&db, 150, 20011, "code=20011,when=5,where=na,who=3,desc=\"cost:12\"");
    EXPECT_EQ(r["msgid"], "150");
    EXPECT_EQ(r["hlpid"], "hid");
    EXPECT_EQ(r["vu"], "zrtc://e/l/s");
    EXPECT_EQ(r["tm"], "5");
    EXPECT_EQ(r["dyc"], "-1");
    EXPECT_EQ(r["args"], "code=20011&id=3&cost=12&");
    zeqmcdn::QlogRecord info = zeqnet::BuildTelemetryRecord(&db, 100, 0, "code=100,when=7,where=na,who=0,desc=\"\"");
    EXPECT_EQ(info["msgid"], "100");
    EXPECT_EQ(info.count("args"), 0u);
}

}  // namespace
