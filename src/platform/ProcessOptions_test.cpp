// The options language: entries, trimming, errors, and the conditional groups.
#include "platform/ProcessOptions.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/TestLogCapture.h"

namespace {

using NetBit::process_options;

struct Outcome {
    int rc = 0;
    std::vector<std::pair<std::string, std::string>> applied;
    std::vector<std::string> resolved;  // names asked, in order
};

Outcome Process(const char* text, std::map<std::string, std::string> device = {{"_os", "Harmony"}}) {
    Outcome run;
    run.rc = process_options(
        text, [&](const char* k, const char* v) { run.applied.emplace_back(k, v); },
        [&](const char* name) {
            run.resolved.emplace_back(name);
            auto it = device.find(name);
            return it == device.end() ? std::string() : it->second;
        });
    return run;
}

std::string Keys(const Outcome& run) {
    std::string keys;
    for (const auto& kv : run.applied) keys += kv.first;
    return keys;
}

TEST(ProcessOptions, AGroupAppliesOnlyWhenItsConditionHeld) {
    const Outcome run = Process("x=1&_os=^And&y=2&_os=^Har&z=3");
    EXPECT_EQ(run.rc, 0);
    ASSERT_EQ(run.applied.size(), 2u);
    EXPECT_EQ(run.applied[0], std::make_pair(std::string("x"), std::string("1")));
    EXPECT_EQ(run.applied[1], std::make_pair(std::string("z"), std::string("3")));
}

TEST(ProcessOptions, GroupStateMachine) {
    const std::map<std::string, std::string> device = {
        {"_os", "Harmony"}, {"_osv", "4.0.1"}, {"_dev", "phone"}, {"_sdkv", ""}};
    struct Case {
        const char* text;
        const char* applied;   // keys, in order
        const char* resolved;  // condition names evaluated, in order, joined with ','
    } cases[] = {
        {"a=1&b=2", "ab", ""},
        {"_os=^Har&_osv=^4&y=1", "y", "_os,_osv"},               // consecutive conditions all hold
        {"_os=^And&_osv=^4&y=1&z=2", "", "_os"},                 // after a failed one: not evaluated
        {"_os=^Har&_osv=^5&y=1&_dev=phone&z=2", "z", "_os,_osv,_dev"},  // skipping, then a new group
        {"a=1&_os=^And&b=2&c=3&_dev=^ph&d=4", "ad", "_os,_dev"},
        {"_os=^Har&a=1&_os=^Har&b=2", "ab", "_os,_os"},
        {"_os=^Har&a=1&_dev=tablet&b=2&_dev=.&c=3", "ac", "_os,_dev,_dev"},
        {"_sdkv=.*&x=1", "", "_sdkv"},                           // an empty text never holds
        {"_none=.*&x=1", "", "_none"},
        {"_os=mon&x=1", "x", "_os"},                             // a search, not a whole match
        {"_os=^harmony$&x=1", "", "_os"},                        // case-sensitive
        {"_os=^(Har|And)[a-z]+$&x=1", "x", "_os"},               // extended syntax
        {"_os=(&x=1", "", "_os"},                                // does not compile: does not hold
        {"_os=(a{100}){100}&x=1", "", "_os"},                    // too costly to compile: does not hold
        {"_os=H.{1,20}y&x=1", "x", "_os"},                       // small bounds are fine
        {"_os=(H+a+r+)+m+o+n+y+&x=1", "x", "_os"},               // and a few '+'
        {"_os=(_a++++++++++++++++++++++++++++++++)&x=1", "", "_os"},  // a run of repetitions stays cheap
        {"_os=[[:upper:]][]a-z]{6}&x=1", "x", "_os"},            // bracket expressions
    };
    for (const Case& c : cases) {
        const Outcome run = Process(c.text, device);
        EXPECT_EQ(run.rc, 0) << c.text;
        EXPECT_EQ(Keys(run), c.applied) << c.text;
        std::string resolved;
        for (const std::string& name : run.resolved) resolved += (resolved.empty() ? "" : ",") + name;
        EXPECT_EQ(resolved, c.resolved) << c.text;
    }
}

TEST(ProcessOptions, KeysAndValuesAreTrimmedOfSpacesAndTabs) {
    const Outcome run = Process(" \tjbTime \t= \t500 \t&k=a=b&_os = ^Har &  rate=1.5&");
    EXPECT_EQ(run.rc, 0);
    ASSERT_EQ(run.applied.size(), 3u);
    EXPECT_EQ(run.applied[0], std::make_pair(std::string("jbTime"), std::string("500")));
    EXPECT_EQ(run.applied[1], std::make_pair(std::string("k"), std::string("a=b")));  // first '=' splits
    EXPECT_EQ(run.applied[2], std::make_pair(std::string("rate"), std::string("1.5")));
    const Outcome newline = Process("k=v\n");  // only spaces and tabs are blanks
    ASSERT_EQ(newline.applied.size(), 1u);
    EXPECT_EQ(newline.applied[0].second, "v\n");
}

TEST(ProcessOptions, ErrorsStopAndKeepWhatWasApplied) {
    platform_test::LogCapture log;
    struct Case {
        const char* text;
        int rc;
        const char* applied;
    } cases[] = {
        {"x", -2, ""},          {"=1", -3, ""},         {"x=  ", -4, ""},     {"a=1&b&c=3", -2, "a"},
        {"a=1&&c=3", -2, "a"},  {"a=1& \t=2", -3, "a"}, {"&", -2, ""},        {"_os=^And&y=&z=1", -4, ""},
        {"_os=&z=1", -4, ""},   {"_=x&z=1", 0, ""},     {"", -1, ""},
    };
    for (const Case& c : cases) {
        const Outcome run = Process(c.text);
        EXPECT_EQ(run.rc, c.rc) << c.text;
        EXPECT_EQ(Keys(run), c.applied) << c.text;
    }
    EXPECT_TRUE(log.Has("no '='"));
    EXPECT_TRUE(log.Has("empty key"));
    EXPECT_TRUE(log.Has("empty value"));
    EXPECT_EQ(Process(nullptr).rc, -1);
}

TEST(ProcessOptions, TextsOfFourMebibytesOrMoreAreRefused) {
    std::string text = "k=" + std::string(NetBit::kMaxOptionsTextBytes - 3, 'v');  // one byte short
    Outcome run = Process(text.c_str());
    EXPECT_EQ(run.rc, 0);
    ASSERT_EQ(run.applied.size(), 1u);
    EXPECT_EQ(run.applied[0].second.size(), NetBit::kMaxOptionsTextBytes - 3);
    text += 'v';
    EXPECT_EQ(Process(text.c_str()).rc, -1);
    text += "&x=1";
    EXPECT_EQ(Process(text.c_str()).rc, -1);
}

TEST(ProcessOptions, MissingCallbacks) {
    EXPECT_EQ(process_options("a=1", nullptr, nullptr), -1);
    int applied = 0;
    EXPECT_EQ(process_options("_os=.&a=1&b=2", [&](const char*, const char*) { ++applied; }, nullptr), 0);
    EXPECT_EQ(applied, 0);  // without a resolver no condition holds
}

}  // namespace
