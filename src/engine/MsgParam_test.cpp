// Result messages: ids, deep copies through Duplicate, the listener id of an invoke id.
#include "engine/MsgParam.h"

#include <gtest/gtest.h>

#include <memory>

namespace zeqmcdn {
namespace {

TEST(MsgParam, EveryClassCarriesItsId) {
    std::unique_ptr<MsgParam> all[] = {
        std::make_unique<MsgConnResult>(),      std::make_unique<MsgDisconnResult>(),
        std::make_unique<MsgTraceIDChanged>(),  std::make_unique<MsgSubResult>(),
        std::make_unique<MsgSubUpdateResult>(), std::make_unique<MsgPubResult>(),
        std::make_unique<MsgNotifyKeyInfo>(),   std::make_unique<MsgNotifyUpstreamInfo>(),
        std::make_unique<MsgOnStreamStop>(),    std::make_unique<MsgOnStreamDisconnect>(),
        std::make_unique<MsgStopResult>(),      std::make_unique<MsgErrorWarning>(),
    };
    const uint32_t ids[] = {20080, 20081, 20082, 20100, 20101, 20105, 20200, 20201, 20202, 20203, 20300, 20400};
    for (size_t i = 0; i < std::size(all); ++i) {
        EXPECT_EQ(all[i]->mMsgId, ids[i]);
        std::unique_ptr<MsgParam> copy(all[i]->Duplicate());
        EXPECT_EQ(copy->mMsgId, ids[i]);
        EXPECT_EQ(typeid(*copy), typeid(*all[i]));
    }
}

TEST(MsgParam, DuplicateIsADeepCopy) {
    MsgSubResult sub(String("1a-sub-3"));
    sub.mResult = 200;
    sub.mAudioCount = 1;
    sub.mAudio[0].msid = "audio";
    sub.mAudio[0].ssrc = 0x11223344;
    sub.mVideoCount = 1;
    const uint8_t sps[] = {0x67, 0x42, 0x00, 0x1f};
    ASSERT_TRUE(sub.mVideo[0].sps.Set(sps, sizeof(sps)));
    sub.mPlayConfig = "{\"cfgs\":[]}";
    std::unique_ptr<MsgParam> copy(sub.Duplicate());
    sub.mAudio[0].msid = "changed";
    sub.mVideo[0].sps.data[0] = 0;
    auto* c = static_cast<MsgSubResult*>(copy.get());
    EXPECT_EQ(c->mInvokeId, "1a-sub-3");
    EXPECT_EQ(c->mResult, 200);
    EXPECT_EQ(c->mAudio[0].msid, "audio");
    EXPECT_EQ(c->mAudio[0].ssrc, 0x11223344u);
    EXPECT_EQ(c->mVideo[0].sps.length, 4u);
    EXPECT_EQ(c->mVideo[0].sps.data[0], 0x67);
    EXPECT_EQ(c->mPlayConfig, "{\"cfgs\":[]}");
}

TEST(MsgParam, BlobsRefuseMoreThan2048Bytes) {
    ParamBlob blob;
    static uint8_t big[2049];
    EXPECT_TRUE(blob.Set(big, 2048));
    EXPECT_EQ(blob.length, 2048u);
    EXPECT_FALSE(blob.Set(big, 2049));
    EXPECT_EQ(blob.length, 0u);
    EXPECT_FALSE(blob.Set(nullptr, 3));
    EXPECT_TRUE(blob.Set(nullptr, 0));
}

TEST(MsgParam, InvokeIdAddressesAListener) {
    struct Case {
        const char* invoke;
        bool ok;
        uint32_t id;
    } cases[] = {
        {"0", true, 0},          {"0-rtcpapp-0-0", true, 0}, {"1a-sub-3", true, 0x1a},
        {"deadbeef-x", true, 0xdeadbeef}, {"", false, 0}, {"zz", false, 0}, {"-1-x", false, 0},
    };
    for (const Case& c : cases) {
        uint32_t id = 77;
        EXPECT_EQ(ParseInvokeListenerId(String(c.invoke), &id), c.ok) << c.invoke;
        if (c.ok) {
            EXPECT_EQ(id, c.id) << c.invoke;
        }
    }
}

}  // namespace
}  // namespace zeqmcdn
