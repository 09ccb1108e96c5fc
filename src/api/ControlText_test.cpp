// Texts of the runtime controls: the AES key text and "set_key_value".
#include "api/ControlText.h"

#include <gtest/gtest.h>

namespace {

TEST(ControlText, AesKeyTextIsSplitIntoItsThreeParts) {
    zeqnet::AesKeyText k;
    ASSERT_TRUE(zeqnet::ParseAesKeyText("Msid:video-1;KeyID:7;Plaintext:00112233;with;semicolons", &k));
    EXPECT_EQ(k.msid, "video-1");
    EXPECT_EQ(k.keyId, 7);
    EXPECT_EQ(k.plaintext, "00112233;with;semicolons");
}

TEST(ControlText, MalformedAesKeyTextsAreRefused) {
    const char* bad[] = {
        nullptr,
        "",
        "Msid:a;Plaintext:k",
        "KeyID:1;Msid:a;Plaintext:k",
        "Msid:a;KeyID:x1;Plaintext:k",
        "Msid:a;KeyID:;Plaintext:k",
        "Msid:a;KeyID:99999999999;Plaintext:k",
        " Msid:a;KeyID:1;Plaintext:k",
    };
    for (const char* text : bad) {
        zeqnet::AesKeyText k;
        EXPECT_FALSE(zeqnet::ParseAesKeyText(text, &k)) << (text ? text : "(null)");
    }
}

TEST(ControlText, SetKeyValueAnswers) {
    struct Case {
        const char* text;
        int rc;
        uint64_t ms;
    } cases[] = {
        {nullptr, -1, 0},
        {"BufferingDuration", -1, 0},
        {"=50", -1, 0},
        {"BufferingDuration=", -1, 0},
        {"BufferingDuration=50", 1, 50},
        {"Buffering=700", 1, 700},  // compared over the key's own length
        {"Latency=50", 0, 0},
        {"BufferingDurationX=50", 0, 0},
        {"BufferingDuration=0", -22, 0},
        {"BufferingDuration=-3", -22, 0},
        {"BufferingDuration=12ms", -22, 0},
    };
    for (const Case& c : cases) {
        uint64_t ms = 0;
        EXPECT_EQ(zeqnet::ParseBufferingKeyValue(c.text, &ms), c.rc) << (c.text ? c.text : "(null)");
        if (c.rc == 1) {
            EXPECT_EQ(ms, c.ms);
        }
    }
}

}  // namespace
