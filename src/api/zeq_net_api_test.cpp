// The connection interface on handles that have not been opened: creation, registry, the answers
// of every control, frames, the version-2 table.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "api/AesHooks.h"
#include "api/ProcessDefaults.h"
#include "api/ZeqNetConnManager.h"
#include "vrio/zeq_net_api.h"

namespace {

class ConnApi : public testing::Test {
protected:
    void SetUp() override {
        vrio_net_config cfg = zeq_net_get_default_cfg();
        h = zeq_net_create_connection(&cfg);
        ASSERT_NE(h, nullptr);
    }
    void TearDown() override {
        if (h) {
            EXPECT_EQ(zeq_net_destroy_connection(h), 0);
        }
        zeqnet::AesHooks::ResetForTesting();
        zeqnet::ProcessDefaults::Get().ResetForTesting();
    }
    zeq_net_conn* h = nullptr;
};

TEST_F(ConnApi, CreateRefusesNullAndDestroyRefusesUnknown) {
    EXPECT_EQ(zeq_net_create_connection(nullptr), nullptr);
    EXPECT_EQ(zeq_net_destroy_connection(nullptr), -1);
    int notAHandle = 0;
    EXPECT_EQ(zeq_net_destroy_connection(reinterpret_cast<zeq_net_conn*>(&notAHandle)), -1);
    EXPECT_EQ(zeq_net_destroy_connection(h), 0);
    EXPECT_EQ(zeq_net_destroy_connection(h), -1);  // already gone
    h = nullptr;
}

TEST_F(ConnApi, CreationNormalisesACopyOfTheRecord) {
    vrio_net_config cfg = zeq_net_get_default_cfg();
    cfg.AudioSampleRate = 11025;
    cfg.DynamicJitterBuffer = 0;
    cfg.BufferingDuration = 50;
    zeq_net_conn* other = zeq_net_create_connection(&cfg);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(cfg.AudioSampleRate, 11025);  // the player's record is not touched
    const auto* copy = reinterpret_cast<const vrio_net_config*>(other);  // the handle starts with the copy
    EXPECT_EQ(copy->AudioSampleRate, 48000);
    EXPECT_EQ(copy->BufferingDuration, 100);
    EXPECT_STREQ(copy->HelpSupportIDPrefix, "emptyappid");
    EXPECT_EQ(zeq_net_destroy_connection(other), 0);
}

TEST_F(ConnApi, OpenChecksItsArguments) {
    vrio_open_params noUrl{0, nullptr};
    vrio_open_params good{0, "zrtc://edge/live/s"};
    EXPECT_EQ(zeq_net_subscribe_open(h, nullptr), -1);
    EXPECT_EQ(zeq_net_subscribe_open(h, &noUrl), -1);
    EXPECT_EQ(zeq_net_publish_open(nullptr, &good), -1);
}

TEST_F(ConnApi, UpdateAndCloseAnswerByStream) {
    int arg = 0;
    EXPECT_EQ(zeq_net_subscribe_update(h, 1, &arg), 0);
    EXPECT_EQ(zeq_net_subscribe_update(h, 1, nullptr), -1);
    EXPECT_EQ(zeq_net_subscribe_update(h, 0, &arg), -1);
    EXPECT_EQ(zeq_net_subscribe_close(h, 1), 0);
    EXPECT_EQ(zeq_net_subscribe_close(h, 0), -1);
    EXPECT_EQ(zeq_net_publish_update(h, 0, &arg), 0);
    EXPECT_EQ(zeq_net_publish_update(h, 1, &arg), -1);
    EXPECT_EQ(zeq_net_publish_close(h, 0), 0);
    EXPECT_EQ(zeq_net_publish_close(h, 1), -1);
    EXPECT_EQ(zeq_net_subscribe_close(nullptr, 1), -1);
}

TEST_F(ConnApi, ControlsWithoutASessionAnswerInvalid) {
    long long out = 0;
    unsigned uid = 0;
    int pub[2] = {0, 0};
    vrio_frame* frame = alloc_frame("x", 1, 0, 0);
    vrio_worker_demux_info info;
    for (zeq_net_conn* handle : {h, static_cast<zeq_net_conn*>(nullptr)}) {
        EXPECT_EQ(zeq_net_set_input_video_bitrate(handle, 0, 500000), -22);
        EXPECT_EQ(zeq_net_set_buffer_duration(handle, 1, 500), -22);
        EXPECT_EQ(zeq_net_set_infocb_invoke_interval(handle, 1, 1000), -22);
        EXPECT_EQ(zeq_net_set_aes_key(handle, 1, "Msid:a;KeyID:1;Plaintext:k"), -22);
        EXPECT_EQ(zeq_net_set_param(handle, 1, 2, reinterpret_cast<void*>(500)), -22);
        EXPECT_EQ(zeq_net_get_param(handle, 1, 0, &out), -22);
        EXPECT_EQ(zeq_net_get_video_cache_size(handle, 1, &out), -22);
        EXPECT_EQ(zeq_net_get_uid_with_url(handle, "zrtc://e/s", &uid), -22);
        EXPECT_EQ(zeq_net_subscribe(handle, "zrtc://e/s", 1, 1), -22);
        EXPECT_EQ(zeq_net_unsubscribe(handle, "zrtc://e/s"), -22);
        EXPECT_EQ(zeq_net_reload(handle), -22);
        for (const char* cmd : {"get_version", "get_stream_info", "reload", "no_such_command"})
            EXPECT_EQ(zeq_net_ioctl(handle, 1, cmd, nullptr), -22) << cmd;
        EXPECT_EQ(zeq_net_ioctl(handle, 1, nullptr, nullptr), -22);
        EXPECT_EQ(zeq_net_read(handle, 1, &frame), -2);
        EXPECT_EQ(zeq_net_write(handle, 0, &frame), -22);
        EXPECT_EQ(zeq_net_get_stream_info(handle, 0, 0, &info), -22);
        EXPECT_EQ(zeq_net_get_pub_info(handle, 0, pub), -22);
    }
    EXPECT_EQ(zeq_net_read(h, 1, nullptr), -2);
    frame->release(frame);
}

TEST_F(ConnApi, AesHandlesAndAddressTexts) {
    EXPECT_EQ(zeq_net_set_aes_handle("AesInitCallback", "4096"), 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(zeqnet::AesHooks::Get().init), 4096u);
    EXPECT_EQ(zeq_net_set_aes_handle("AesBogusCallback", "4096"), -19);
    EXPECT_EQ(zeq_net_set_aes_handle("AesFreeCallback", "0"), -22);
    EXPECT_EQ(zeq_net_set_aes_handle("AesFreeCallback", "12ab"), -22);
    EXPECT_EQ(zeq_net_set_aes_handle("AesFreeCallback", nullptr), -22);

    vrio_generic_fn fn = nullptr;
    EXPECT_EQ(zeq_net_cstring_trans_pointer("140737488355328", &fn), 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(fn), 140737488355328u);
    EXPECT_EQ(zeq_net_cstring_trans_pointer("0", &fn), -22);
    EXPECT_EQ(zeq_net_cstring_trans_pointer("-1", &fn), -22);
    EXPECT_EQ(zeq_net_cstring_trans_pointer("99999999999999999999999", &fn), -22);
    EXPECT_EQ(zeq_net_cstring_trans_pointer(nullptr, &fn), -22);
    EXPECT_EQ(zeq_net_cstring_trans_pointer("4096", nullptr), -22);
}

TEST(Frames, AllocFrameCopiesAndReleasesItself) {
    const char payload[] = "abcdef";
    vrio_frame* f = alloc_frame(payload, 6, 1, 77);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::memcmp(f->data, payload, 6), 0);
    EXPECT_EQ(f->size, 6u);
    EXPECT_EQ(f->type, 1);
    EXPECT_EQ(f->uid, 77u);
    EXPECT_EQ(f->pts, 0);
    EXPECT_EQ(f->ext_pts, 0);
    for (uint8_t b : f->reserved) EXPECT_EQ(b, 0);
    ASSERT_NE(f->release, nullptr);
    f->release(f);

    vrio_frame* blank = alloc_frame(nullptr, 4, 0, 1);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(std::memcmp(blank->data, "\0\0\0\0", 4), 0);
    blank->release(blank);
    vrio_frame* empty = alloc_frame(nullptr, 0, 0, 1);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->data, nullptr);
    empty->release(empty);
    EXPECT_EQ(alloc_frame(payload, -1, 0, 0), nullptr);
}

TEST(VrioFuncs, OnlyVersionTwoHasATable) {
    EXPECT_EQ(get_vrio_funcs(1), nullptr);
    EXPECT_EQ(get_vrio_funcs(3), nullptr);
    const vrio_funcs* f = get_vrio_funcs(2);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->version, 2);
    EXPECT_TRUE(zeqnet::ProcessDefaults::Get().OldVersion());
    EXPECT_EQ(f->set_option("LogLevel", "3"), 0);
    EXPECT_EQ(f->set_option("VideoCodec", "hevc"), -19);
    EXPECT_EQ(f->set_option(nullptr, "3"), -22);
    EXPECT_EQ(f->open("zrtc://edge/live/s", "x"), nullptr);
    EXPECT_EQ(f->open(nullptr, "r"), nullptr);
    EXPECT_EQ(f->ioctl(nullptr, "get_version", nullptr), -1);
    vrio_frame* frame = nullptr;
    EXPECT_EQ(f->read(&frame, nullptr), -2);
    EXPECT_EQ(f->write(&frame, nullptr), -22);
    f->close(nullptr);
    zeqnet::ProcessDefaults::Get().ResetForTesting();
}

TEST(VrioFuncs, FailedOpenLeavesNoHandleBehind) {
    const vrio_funcs* f = get_vrio_funcs(2);
    size_t before = zeqnet::ZeqNetConnManager::Get().Size();
    EXPECT_EQ(f->open("rtmp://edge/live/s", "r"), nullptr);  // not a zrtc URL
    EXPECT_EQ(zeqnet::ZeqNetConnManager::Get().Size(), before);
    zeqnet::ProcessDefaults::Get().ResetForTesting();
}

TEST(Registry, ConcurrentCreateAndDestroyKeepTheSetConsistent) {
    size_t before = zeqnet::ZeqNetConnManager::Get().Size();
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            vrio_net_config cfg = zeq_net_get_default_cfg();
            for (int i = 0; i < 200; ++i) {
                zeq_net_conn* c = zeq_net_create_connection(&cfg);
                if (!c || zeq_net_subscribe_close(c, 1) != 0 || zeq_net_destroy_connection(c) != 0) ++failures;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(zeqnet::ZeqNetConnManager::Get().Size(), before);
}

}  // namespace
