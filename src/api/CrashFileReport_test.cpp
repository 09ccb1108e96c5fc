// Crash-file reporting over a real temporary directory tree.
#include "api/CrashFileReport.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/TestLogCapture.h"

namespace {

using Posts = std::vector<std::pair<unsigned, std::string>>;

class CrashFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/crashfiles-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        mRoot = tmpl;
    }
    void TearDown() override {
        const std::string cmd = "rm -rf '" + mRoot + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }
    void MakeDir(const std::string& rel) { ASSERT_EQ(mkdir((mRoot + "/" + rel).c_str(), 0755), 0) << rel; }
    void MakeFile(const std::string& rel, const std::string& text = "record") {
        std::ofstream(mRoot + "/" + rel) << text;
    }
    bool Exists(const std::string& rel) {
        struct stat st {};
        return stat((mRoot + "/" + rel).c_str(), &st) == 0;
    }
    std::string Read(const std::string& rel) {
        std::ifstream in(mRoot + "/" + rel);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    size_t Run(const std::string& dir, Posts* posts) {
        return zeqnet::ReportCrashFiles(dir, [posts](unsigned code, const std::string& text) {
            posts->emplace_back(code, text);
        });
    }
    std::string mRoot;
};

TEST_F(CrashFiles, EachRecordIsReportedOnceAndRenamed) {
    MakeDir("VrioSDK");
    MakeDir("Other");
    MakeFile("VrioSDK/Crash_1.log", "first crash");
    MakeFile("VrioSDK/Crash_2.txt");
    MakeFile("VrioSDK/abc.log");
    MakeFile("VrioSDK/Crashlog");         // no suffix at all
    MakeFile("VrioSDK/Crash_0.log.bak");  // the text after the last '.' is what counts
    MakeFile("VrioSDK/VrioSDK_0.log");    // reported by an earlier run
    MakeFile("Other/Crash.log");
    MakeFile("Crash_top.log");  // not in a module sub-directory

    platform_test::LogCapture logs;
    Posts posts;
    EXPECT_EQ(Run(mRoot, &posts), 2U);
    EXPECT_EQ(posts, (Posts{{20060, "cf:Crash.log"}, {20060, "cf:Crash_1.log"}}));

    EXPECT_FALSE(Exists("VrioSDK/Crash_1.log"));
    EXPECT_EQ(Read("VrioSDK/VrioSDK_1.log"), "first crash");
    EXPECT_FALSE(Exists("Other/Crash.log"));
    EXPECT_TRUE(Exists("Other/VrioSDK.log"));
    for (const char* untouched : {"VrioSDK/Crash_2.txt", "VrioSDK/abc.log", "VrioSDK/Crashlog",
                                  "VrioSDK/Crash_0.log.bak", "VrioSDK/VrioSDK_0.log", "Crash_top.log"})
        EXPECT_TRUE(Exists(untouched)) << untouched;

    EXPECT_TRUE(logs.Has("crash dump dir=" + mRoot + ", sdk num=2"));
    EXPECT_TRUE(logs.Has("crash logs=1 in sub dir=" + mRoot + "/VrioSDK"));
    EXPECT_TRUE(logs.Has("crash logs=1 in sub dir=" + mRoot + "/Other"));
    EXPECT_TRUE(logs.Has("cf:Crash_1.log"));
    EXPECT_TRUE(logs.Has("rename file " + mRoot + "/VrioSDK/Crash_1.log, ret 0, newfile " + mRoot +
                         "/VrioSDK/VrioSDK_1.log"));

    // The next session finds only renamed records.
    posts.clear();
    EXPECT_EQ(Run(mRoot + "/", &posts), 0U);
    EXPECT_TRUE(posts.empty());
    EXPECT_TRUE(logs.Has("crash logs=0 in sub dir=" + mRoot + "/VrioSDK"));
}

TEST_F(CrashFiles, AFailedRenameIsReportedAgainNextTime) {
    MakeDir("m");
    MakeFile("m/Crash_5.log");
    MakeDir("m/VrioSDK_5.log");  // a directory where the new name should go: rename fails
    platform_test::LogCapture logs;
    Posts posts;
    EXPECT_EQ(Run(mRoot, &posts), 1U);
    EXPECT_TRUE(logs.Has("rename file " + mRoot + "/m/Crash_5.log, ret -1, newfile " + mRoot + "/m/VrioSDK_5.log"));
    EXPECT_TRUE(Exists("m/Crash_5.log"));
    posts.clear();
    EXPECT_EQ(Run(mRoot, &posts), 1U);
    EXPECT_EQ(posts, (Posts{{20060, "cf:Crash_5.log"}}));
}

TEST_F(CrashFiles, UnreadableDumpDirectoriesReportNothing) {
    MakeFile("plain");
    platform_test::LogCapture logs;
    Posts posts;
    for (const std::string& dir : {mRoot + "/missing", mRoot + "/plain", std::string()}) {
        EXPECT_EQ(Run(dir, &posts), 0U) << dir;
        EXPECT_TRUE(logs.Has("crash dump dir=" + dir + ", sdk num=0")) << dir;
    }
    EXPECT_TRUE(posts.empty());
}

TEST_F(CrashFiles, WithoutAPostFunctionRecordsAreStillMarked) {
    MakeDir("m");
    MakeFile("m/Crash_7.log");
    EXPECT_EQ(zeqnet::ReportCrashFiles(mRoot, nullptr), 1U);
    EXPECT_TRUE(Exists("m/VrioSDK_7.log"));
}

}  // namespace
