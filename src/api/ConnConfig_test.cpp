// Default configuration record and the normalisation applied when a connection is created.
#include "api/ConnConfig.h"

#include <gtest/gtest.h>

#include <cstring>

#include "vrio/vrio_layout_check.h"

namespace {

TEST(ConnConfig, DefaultsAreZeroExceptTheDocumentedFields) {
    vrio_net_config cfg = zeq_net_get_default_cfg();
    vrio_net_config expect;
    std::memset(&expect, 0, sizeof(expect));
    expect.LogLevel = 2;
    expect.HighInterleaveDelay = 1;
    expect.DynamicJitterBuffer = 1;
    expect.BufferingDuration = 1500;
    expect.AudioFormatCodec = 1;
    expect.AudioFormatProfile = 1;
    expect.AudioSampleRate = 48000;
    expect.AudioClockRate = 48000;
    expect.AudioChannels = 1;
    expect.VideoCodec = 1;
    expect.PaddingEnable = 1;
    EXPECT_EQ(std::memcmp(&cfg, &expect, sizeof(cfg)), 0);
}

TEST(ConnConfig, EmptyPrefixBecomesEmptyAppIdAndLongOneIsTerminated) {
    vrio_net_config cfg = zeq_net_get_default_cfg();
    zeqnet::NormalizeConnConfig(&cfg);
    EXPECT_STREQ(cfg.HelpSupportIDPrefix, "emptyappid");

    std::memset(cfg.HelpSupportIDPrefix, 'a', sizeof(cfg.HelpSupportIDPrefix));  // no terminator
    zeqnet::NormalizeConnConfig(&cfg);
    EXPECT_EQ(std::strlen(cfg.HelpSupportIDPrefix), sizeof(cfg.HelpSupportIDPrefix) - 1);
}

TEST(ConnConfig, BufferingDurationDependsOnTheDynamicFlag) {
    struct Case {
        int dynamic;
        long long in, out;
    } cases[] = {
        {0, 50, 100}, {0, 20000, 10000}, {0, 5000, 5000}, {0, -1, 100},
        {1, -1, 1500}, {1, 50, 50}, {1, 20000, 20000},
    };
    for (const Case& c : cases) {
        vrio_net_config cfg = zeq_net_get_default_cfg();
        cfg.DynamicJitterBuffer = c.dynamic;
        cfg.BufferingDuration = c.in;
        zeqnet::NormalizeConnConfig(&cfg);
        EXPECT_EQ(cfg.BufferingDuration, c.out) << "dynamic " << c.dynamic << " in " << c.in;
    }
}

TEST(ConnConfig, AudioAndVideoFieldsAreBroughtIntoRange) {
    struct Case {
        int rate, channels, video, codec, profile;
        int outRate, outChannels, outVideo, outCodec, outProfile;
    } cases[] = {
        {11025, 1, 1, 1, 1, 48000, 1, 1, 1, 1},
        {44100, 2, 2, 2, 0, 44100, 2, 2, 2, 0},
        {22050, 3, 0, 2, 1, 22050, 1, 1, 1, 1},
        {8000, 0, 3, 3, 0, 8000, 1, 1, 3, 0},
        {16000, 1, 1, 1, 28, 16000, 1, 1, 1, 28},
        {24000, 1, 1, 1, 4, 24000, 1, 1, 1, 4},
        {32000, 1, 1, 1, 2, 32000, 1, 1, 1, 1},
        {96000, 1, 1, 4, 0, 48000, 1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        vrio_net_config cfg = zeq_net_get_default_cfg();
        cfg.AudioSampleRate = c.rate;
        cfg.AudioClockRate = 1;
        cfg.AudioChannels = c.channels;
        cfg.VideoCodec = c.video;
        cfg.AudioFormatCodec = c.codec;
        cfg.AudioFormatProfile = c.profile;
        zeqnet::NormalizeConnConfig(&cfg);
        EXPECT_EQ(cfg.AudioSampleRate, c.outRate);
        EXPECT_EQ(cfg.AudioClockRate, c.outRate);
        EXPECT_EQ(cfg.AudioChannels, c.outChannels);
        EXPECT_EQ(cfg.VideoCodec, c.outVideo);
        EXPECT_EQ(cfg.AudioFormatCodec, c.outCodec);
        EXPECT_EQ(cfg.AudioFormatProfile, c.outProfile) << "rate " << c.rate;
    }
}

}  // namespace
